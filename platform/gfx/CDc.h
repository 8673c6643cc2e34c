#pragma once
// A device context: the drawing state (bitmap, font, pen, brush, colours, background mode, text
// justification, current position, clip region) over a 32-bit surface, and every drawing operation
// the tooltip engine uses. All coordinates are logical pixels; the selected bitmap's device pixel
// ratio maps them to its pixels, so high-density bitmaps get sharp text and lines.
//
// Drawing writes colour channels and a zero alpha byte to each pixel it covers, as the platform's
// drawing does on 32-bit sections; only the block transfers carry alpha bytes over. Drawing outside
// the bitmap or the clip region is cut away. A context owns its state and cannot be copied.

#include "gfx/CBitmap.h"
#include "gfx/CBrush.h"
#include "gfx/CFont.h"
#include "gfx/CPen.h"
#include "gfx/CRegion.h"
#include "gfx/GfxTypes.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace gfx {

class CDc {
public:
    // A memory device context holding a one-pixel stand-in bitmap until a bitmap is selected.
    CDc();
    // A memory device context with bitmap selected into it.
    explicit CDc(CBitmap bitmap);
    CDc(const CDc&) = delete;
    CDc& operator=(const CDc&) = delete;
    CDc(CDc&&) noexcept = default;
    CDc& operator=(CDc&&) noexcept = default;
    ~CDc() = default;

    // --- state; each Select returns what it replaced, so it can be selected back ---
    CBitmap SelectBitmap(CBitmap bitmap);
    const CBitmap& Bitmap() const { return m_bitmap; }
    CFont SelectFont(CFont font);
    const CFont& Font() const { return m_font; } // null: the stock font
    CPen SelectPen(CPen pen);
    const CPen& Pen() const { return m_pen; }
    CBrush SelectBrush(CBrush brush);
    const CBrush& Brush() const { return m_brush; }
    ColorRef SetTextColor(ColorRef color);
    ColorRef TextColor() const { return m_textColor; }
    ColorRef SetBkColor(ColorRef color);
    ColorRef BkColor() const { return m_bkColor; }
    BkMode SetBkMode(BkMode mode);
    BkMode GetBkMode() const { return m_bkMode; }
    double DevicePixelRatio() const;
    int LogPixelsY() const { return kLogPixelsPerInch; }

    // --- text; strings are UTF-8 ---
    TextMetrics GetTextMetrics() const;
    // Width and height of text in the selected font, with the pending justification applied to
    // its spaces (the justification is not used up by measuring).
    Size GetTextExtent(std::string_view text) const;
    // The same, except that measuring may stop once the width passes limit: a width past the limit
    // then stands for "does not fit", so asking whether a long text fits costs no more than the
    // part that does.
    Size GetTextExtent(std::string_view text, int limit) const;
    // Spreads extra pixels over the next breakCount spaces that are measured or drawn: the k-th of
    // them (from 0) gets extra * (k + 1) / breakCount - extra * k / breakCount. Drawing text uses
    // up the spaces it draws. (0, 0) turns justification off.
    void SetTextJustification(int extra, int breakCount);
    // Draws text with its cell's top-left corner at (x, y) in the text colour; in opaque mode the
    // cell (the extent) is filled with the background colour first.
    void TextOut(int x, int y, std::string_view text);

    // --- lines, drawn with the selected pen; a line leaves out its end point ---
    Point MoveTo(int x, int y); // returns the previous position
    Point CurrentPosition() const { return m_position; }
    void LineTo(int x, int y);

    // --- fills ---
    void FillRect(const Rect& rect, const CBrush& brush);
    void FillSolidRect(const Rect& rect, ColorRef color);
    void FillRegion(const CRegion& region, const CBrush& brush);
    // Paints the pixels of the region that lie within width pixels of its outside horizontally or
    // height pixels vertically.
    void FrameRegion(const CRegion& region, const CBrush& brush, int width, int height);

    // --- clipping: later drawing reaches only pixels inside the region ---
    void SelectClipRegion(const CRegion& region);
    void RemoveClipRegion();
    const std::optional<CRegion>& ClipRegion() const { return m_clip; }

    // --- block transfers ---
    // Combines width x height pixels of source at (sourceX, sourceY) into this context at (x, y).
    // False when either context has no bitmap. Source pixels outside its bitmap are left out.
    bool BitBlt(int x, int y, int width, int height, const CDc& source, int sourceX, int sourceY,
                Rop rop = Rop::SrcCopy);
    // The same, scaling the source rectangle to the destination's by nearest pixels (colours are
    // never mixed, so a transparent colour stays exact). Negative sizes are refused.
    bool StretchBlt(int x, int y, int width, int height, const CDc& source, int sourceX,
                    int sourceY, int sourceWidth, int sourceHeight, Rop rop = Rop::SrcCopy);
    // Draws an 8-bit image of width x height indexes through a colour table of 256 pixels (alpha
    // bytes taken as they stand) at (x, y). Rows are stride bytes apart, the first row in memory
    // being the bottom one when bottomUp is set. False without a bitmap, with fewer than 256 table
    // entries or a stride shorter than the width.
    bool DrawIndexedImage(int x, int y, int width, int height, const std::uint8_t* indexes,
                          int stride, bool bottomUp, std::span<const Pixel> colorTable);

private:
    struct Justification {
        int extra = 0;
        int count = 0;
        int used = 0; // spaces already drawn
    };
    CBitmap m_bitmap;
    CFont m_font;
    CPen m_pen;
    CBrush m_brush;
    ColorRef m_textColor = 0;
    ColorRef m_bkColor = Rgb(255, 255, 255);
    BkMode m_bkMode = BkMode::Opaque;
    Point m_position;
    Justification m_justification;
    std::optional<CRegion> m_clip;
};

} // namespace gfx
