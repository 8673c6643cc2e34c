#pragma once
// Fast text for the drawing layer's device contexts: widths are sums of per-character advances and
// characters are drawn from coverage cached per font, so measuring or drawing a string shapes
// nothing. Tips measure the same words many times (every break candidate while wrapping) and
// repaint on every hover change, which shaping each call made slow.
//
// Fonts here have kerning off, so a string's width is the sum of its characters' advances. Text
// with characters that need shaping (combining marks, complex scripts) and bitmaps with a device
// pixel ratio other than 1 go through the drawing layer's own text functions instead, word by
// word, with the same widths and justification.
//
// Justification works as the platform's: `extra` pixels are spread over the next `count` spaces
// measured or drawn; the k-th of them (from 0) gets extra * (k + 1) / count - extra * k / count.
// Measuring leaves the spaces unused; drawing uses up those it draws.

#include "gfx/CDc.h"
#include "gfx/CFont.h"

#include <climits>
#include <cstdint>
#include <memory>
#include <string_view>
#include <unordered_map>

namespace glyphtext {

struct Justification {
    int extra = 0;
    int count = 0;
    int used = 0;
};

class CGlyphText {
public:
    CGlyphText();
    ~CGlyphText();
    CGlyphText(const CGlyphText&) = delete;
    CGlyphText& operator=(const CGlyphText&) = delete;

    // Width of text in the font, justification applied to its spaces. Measuring stops once the
    // width passes `limit` (a width past the limit is then returned), so asking whether a long
    // text fits a line costs no more than the line.
    [[nodiscard]] int Extent(const gfx::CFont& font, std::string_view text,
                             const Justification& justification, int limit = INT_MAX);
    // Draws text with its cell's top-left corner at (x, y) in the context's font, text colour and
    // background mode (opaque fills the cell with the background colour first), underlined or
    // struck out as the font says. Uses up the spaces it draws.
    void Draw(gfx::CDc& dc, int x, int y, std::string_view text, Justification& justification);

private:
    struct FontGlyphs;
    FontGlyphs& GlyphsOf(const gfx::CFont& font);
    void DrawShaped(gfx::CDc& dc, int x, int y, std::string_view text,
                    Justification& justification);

    std::unordered_map<const void*, std::unique_ptr<FontGlyphs>> m_fonts;
};

// Extra pixels of the k-th space (from 0) of a justification.
[[nodiscard]] int ExtraForSpace(const Justification& justification, int k);

} // namespace glyphtext
