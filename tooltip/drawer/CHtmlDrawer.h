#pragma once
// Measures and paints tip texts written in the tip markup, in two passes over the same text: the
// Measure pass breaks the text into line records and returns the size the tip needs; the Draw
// pass paints into a rectangle, replaying those records. Between passes the drawer answers cursor
// and click questions about the links it drew.

#include "tooltip/draw/CDrawManager.h"
#include "tooltip/drawer/CHtmlStyleSheet.h"
#include "tooltip/drawer/HtmlDevice.h"
#include "tooltip/drawer/HtmlDrawerServices.h"
#include "tooltip/drawer/HtmlImageParams.h"
#include "tooltip/drawer/HtmlLayoutRecords.h"
#include "tooltip/drawer/HtmlStyle.h"

#include <climits>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tooltip {

class CHtmlDrawer : private IHtmlUnitMetrics {
public:
    // The message that asks the tooltip window to repaint because the hovered link changed.
    static constexpr unsigned TipRepaintMessage = 0x0400 + 101;

    explicit CHtmlDrawer(HtmlDrawerServices services = {});
    ~CHtmlDrawer() override;
    CHtmlDrawer(const CHtmlDrawer&) = delete;
    CHtmlDrawer& operator=(const CHtmlDrawer&) = delete;

    // Reports go to (window, TipRepaintMessage, 0); a null window sends nothing.
    void SetHoverCallback(IHtmlMessageTarget* window);
    // 0 turns wrapping off; takes effect at the next PrepareOutput.
    void SetMaxWidth(int pixels) { m_maxWidth = pixels; }
    // The tooltip uses it for its own shadows and fills.
    [[nodiscard]] CDrawManager& GetDrawManager() { return m_drawManager; }

    // The Measure pass: size the text needs (0, 0 for an empty text).
    [[nodiscard]] HtmlSize PrepareOutput(HtmlDc& dc, std::string_view text);
    // The Draw pass into `rect`, which should be the prepared size.
    void DrawPreparedOutput(HtmlDc& dc, const HtmlRect& rect);

    // True when the hand cursor was set for a link under the point.
    bool OnSetCursor(HtmlPoint point);
    void OnLButtonDown(HtmlPoint point);
    // Animation of image strips, for the tip window's timer. The window runs its timer (every
    // AnimationInterval() milliseconds) only while a shown tip HasAnimation(); each tick it calls
    // OnTimer(), which advances every strip one tick and returns true when a frame changed, so the
    // tip must be repainted (DrawPreparedOutput then draws the new frames). PrepareOutput restarts
    // every strip at its first frame.
    static constexpr int kAnimationIntervalMs = 100;
    [[nodiscard]] static int AnimationInterval() { return kAnimationIntervalMs; }
    [[nodiscard]] bool HasAnimation() const;
    bool OnTimer();
    // Shows frame `frame` (modulo its frame count) in every animated strip, as if the timer had
    // run that far; for previews.
    void SetAnimationFrame(int frame);

    // Pictures that the program owns and names in tip texts by `handle=N`. The drawer keeps a
    // reference while registered and never frees them; a later registration under the same
    // number replaces the earlier one.
    void RegisterPicture(int handle, gfx::CBitmap bitmap);
    void RegisterIcon(int handle, gfx::CIcon icon);
    void ForgetHandle(int handle);

    // The records of the last passes, for the owner's tools and for tests.
    [[nodiscard]] const std::vector<HtmlLine>& Lines() const { return m_lines; }
    [[nodiscard]] const std::vector<HtmlHotArea>& HotAreas() const { return m_hotAreas; }
    [[nodiscard]] const std::vector<HtmlTable>& Tables() const { return m_tables; }
    [[nodiscard]] const std::vector<HtmlAnimation>& Animations() const { return m_animations; }
    [[nodiscard]] int HoveredLink() const { return m_hoveredLink; }
    [[nodiscard]] const CHtmlStyleSheet& StyleSheet() const { return m_styles; }
    [[nodiscard]] int HitTestHotAreas(HtmlPoint point) const;
    // Whether the last Draw pass placed exactly the lines the Measure pass recorded: the same
    // number of lines, each ending at the same point of the text. It holds for every text; tests
    // and the fuzz target check it.
    [[nodiscard]] bool DrawMatchedMeasure() const { return m_drawMatched; }

private:
    enum class LayoutMode { Draw = 0, Measure = 1 };

    // Where the layout of one flow block stands.
    struct Flow {
        int left = 0;
        int lineWidth = 0; // K: the width lines wrap at, the same in both passes
        int x = 0;         // where the next piece is drawn
        int y = 0;
        // Where the Measure pass stands on this line (from its left edge): every wrapping decision
        // reads it, so the Draw pass, whose x also holds alignment and justification, breaks
        // lines exactly where the Measure pass did.
        int mx = 0;
        bool inked = false; // something other than white space was placed on this line
        HtmlSize size;
        int remainingWidth = 0;  // Draw: content still to come on this line
        int remainingBreaks = 0; // Draw: spaces still to come on this line
    };
    // The pass's current font and what the device held before the pass.
    struct PassDevice;

    // Passes and blocks.
    HtmlSize LayoutPass(HtmlRect rect);
    // wrapWidth is the width the Measure pass wrapped this block at (0: no wrapping).
    HtmlSize LayoutFlowBlock(std::string_view block, const HtmlRect& rect, int wrapWidth);
    void WidenForPercentRules(std::size_t firstLine, HtmlSize& size) const;

    // Tables.
    // The index of the "<" of the "</table" closing the table whose "<table" is at p; the text's
    // length when none does.
    [[nodiscard]] static std::size_t FindTableEnd(std::string_view text, std::size_t p);
    [[nodiscard]] static std::size_t FindRowEnd(std::string_view text, std::size_t p);
    [[nodiscard]] static std::size_t FindCellEnd(std::string_view text, std::size_t p);
    // Columns (cx) and rows (cy), bounded.
    [[nodiscard]] HtmlSize CountTableGrid(std::string_view text) const;
    // The grid cut to what is left of the text's budget of grid positions, which it takes.
    HtmlSize ReserveGrid(HtmlSize grid);
    // Draw: the inside of a table's frame, and the sums of widths and heights before each column
    // and row.
    struct TableGeometry {
        HtmlRect inner;
        std::vector<long long> widthBefore;
        std::vector<long long> heightBefore;
    };
    HtmlSize LayoutTable(std::string_view tableText, const HtmlRect& rect);
    void LayoutTableRow(std::string_view rowText, const TableGeometry& geometry, int row,
                        std::size_t index);
    void LayoutTableCell(std::string_view cellText, int row, int column, const HtmlRect& cellRect,
                         std::size_t index);
    HtmlRect MeasureCell(int row, int column, const HtmlRect& cellRect, std::size_t index,
                         int columnSpan, int rowSpan);
    HtmlRect DrawCellBox(int row, int column, const HtmlRect& cellRect, std::size_t index, int pad);
    std::size_t OpenTablePart(std::string_view text, std::string_view name, bool table,
                              int& columnSpan, int& rowSpan);
    void CloseTablePart(std::string_view name);
    void ApplyTableAttributes(std::string_view attributes, bool table, int& columnSpan,
                              int& rowSpan);
    void ApplyTableAttribute(int which, std::string_view value, int& columnSpan, int& rowSpan);
    static void SettleTable(HtmlTable& table);
    HtmlRect StretchTable(std::size_t index, const HtmlRect& rect);
    [[nodiscard]] TableGeometry MakeTableGeometry(const HtmlTable& table,
                                                  const HtmlRect& tableRect) const;
    static HtmlRect CellRectangle(HtmlTable& table, const TableGeometry& geometry, int row,
                                  int column, int spacing);
    void DrawTableBackground(const HtmlRect& rect);
    void DrawTableBackgroundImage(const HtmlRect& rect, std::string_view description);

    // Pictures.
    void ReadImageAttributes(std::string_view attributes, HtmlImageParams& params) const;
    [[nodiscard]] unsigned ParseImageStyle(std::string_view letters) const;
    [[nodiscard]] gfx::CBitmap LoadBitmapImage(const HtmlImageParams& params) const;
    [[nodiscard]] gfx::CIcon LoadIconImage(const HtmlImageParams& params, int width,
                                           int height) const;
    [[nodiscard]] static std::string BundleEntry(int id, bool icon);
    [[nodiscard]] unsigned EffectiveImageFlags(const HtmlImageParams& params) const;
    [[nodiscard]] static bool HasShadowRoom(const HtmlImageParams& params);
    [[nodiscard]] HtmlSize BoxSize(const HtmlImageParams& params, int w, int h) const;
    template <typename Draw>
    void PlaceImageBox(Flow& flow, HtmlSize box, int hv, bool drawn, Draw draw);
    void LayoutBitmap(Flow& flow, std::string_view attributes);
    void LayoutIcon(Flow& flow, std::string_view attributes);
    void LayoutImageList(Flow& flow, std::string_view attributes);

    // Lines.
    int StartLine(int left, Flow& flow);
    void NewLine(Flow& flow, int count);
    int TextTop(int y, int cy);
    int ObjectTop(int y, int h);

    // Text.
    void LayoutText(Flow& flow, std::string run);
    // Takes from `text` the piece that fits `avail` pixels and sets `avail` to its width. A line
    // that holds nothing yet always takes at least one character.
    std::string_view SplitAtBreak(std::string_view& text, int& avail, bool lineEmpty);
    [[nodiscard]] std::size_t LastFittingBreak(std::string_view text, int avail);
    // Where a word longer than a whole line is cut: after at least one character.
    [[nodiscard]] std::size_t LastFittingCut(std::string_view text, int avail);
    // Moves both the drawn and the measured position; Measure and Draw advance alike.
    void Advance(Flow& flow, int measured, int drawn);
    // Draws a piece; returns the width it took, justification included.
    int DrawPiece(Flow& flow, std::string piece, int cx, int top, int remaining);

    // Tags.
    void HandleTag(Flow& flow, std::string_view tag);
    void PushPopStyle(bool closing);
    void ApplyStyleTag(int code, std::string_view name, std::string_view attributes);
    void OpenLink(std::string_view attributes);
    void LayoutRule(Flow& flow, std::string_view attributes);
    void LayoutBreak(Flow& flow, std::string_view attributes);
    void AdvanceTab(Flow& flow, std::string_view attributes);
    void LayoutString(Flow& flow, std::string_view attributes);
    [[nodiscard]] static int RepeatCount(std::string_view attributes, const CHtmlStyleSheet& sheet);

    // Links.
    void AddHotArea(int left, int top, int right, int bottom);
    void ReportHover(int link);
    void OpenLinkTarget(const std::string& target);

    // The device (the only place that speaks to the drawing layer).
    void BeginPassDevice();
    void EndPassDevice();
    void SelectStyleFont();
    void ApplyStyleColours(); // the style's text and background colours and background mode
    // Measuring may stop once the width passes `limit`.
    [[nodiscard]] HtmlSize TextExtent(std::string_view text, int limit = INT_MAX);
    void SetJustification(int extra, int count);
    void TextOut(int x, int y, std::string_view text);
    void DrawOverline(int x0, int x1, int y);
    void DrawRule(int x0, int x1, int y, int thickness, HtmlColour colour);
    [[nodiscard]] int FontHeight() const override { return m_fontHeight; }
    [[nodiscard]] int FontAscent() const { return m_fontAscent; }
    [[nodiscard]] int PixelsPerInch() const override;
    [[nodiscard]] int StringHeight() const override { return m_fontHeight; }

    // Tables built at construction.
    HtmlDrawerServices m_services;
    std::unique_ptr<opener::ILinkOpener> m_ownOpener;
    CHtmlStyleSheet m_styles;
    IHtmlCursor* m_handCursor = nullptr;
    HtmlImageShadow m_imageShadow;
    int m_tabSize = 32;
    int m_maxWidth = 0;
    IHtmlMessageTarget* m_hoverWindow = nullptr;
    unsigned m_hoverMessage = 0;
    std::intptr_t m_hoverParam = 0;
    CDrawManager m_drawManager;

    // State of a pass.
    std::string m_text;
    LayoutMode m_mode = LayoutMode::Measure;
    HtmlDc* m_dc = nullptr;
    std::unique_ptr<PassDevice> m_device;
    int m_fontHeight = 16;
    int m_fontAscent = 13;
    HtmlRect m_blockRect;
    HtmlStyle m_style;
    std::vector<HtmlStyle> m_styleStack;
    std::vector<HtmlLine> m_lines;
    // Where each measured line ends: the count of text bytes and objects laid out before its end.
    std::vector<std::size_t> m_lineEnds;
    std::size_t m_contentPosition = 0;
    bool m_drawMatched = true;
    int m_preparedWrap = 0; // the wrap width of the last Measure pass
    HtmlLine m_line;
    std::size_t m_lineIndex = 0;
    std::vector<HtmlHotArea> m_hotAreas;
    int m_hoveredLink = -2;
    int m_linkCounter = -1;
    std::vector<HtmlAnimation> m_animations;
    int m_animationCounter = -1;
    int m_tableCounter = -1;
    int m_tableDepth = 0;
    std::vector<HtmlTable> m_tables;
    // Grid positions the tables of the prepared text may still take.
    long long m_gridBudget = 0;
    std::map<int, gfx::CBitmap> m_handleBitmaps;
    // The program's own bitmaps decoded so far, by number (only numbers that name one).
    mutable std::map<int, gfx::CBitmap> m_compiledBitmaps;
    std::map<int, gfx::CIcon> m_handleIcons;
};

} // namespace tooltip
