#pragma once
// Measures and paints tip texts written in the tip markup, in two passes over the same text: the
// Measure pass breaks the text into line records and returns the size the tip needs; the Draw
// pass paints into a rectangle, replaying those records. Between passes the drawer answers cursor
// and click questions about the links it drew.

#include "tooltip/draw/CDrawManager.h"
#include "tooltip/drawer/CHtmlStyleSheet.h"
#include "tooltip/drawer/HtmlDevice.h"
#include "tooltip/drawer/HtmlDrawerServices.h"
#include "tooltip/drawer/HtmlLayoutRecords.h"
#include "tooltip/drawer/HtmlStyle.h"

#include <climits>
#include <cstdint>
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
    // Advances image animations; true when a frame changed.
    bool OnTimer();

    // The records of the last passes, for the owner's tools and for tests.
    [[nodiscard]] const std::vector<HtmlLine>& Lines() const { return m_lines; }
    [[nodiscard]] const std::vector<HtmlHotArea>& HotAreas() const { return m_hotAreas; }
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
        bool placed = false; // something was placed on this line
        bool inked = false;  // something other than white space was placed on this line
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
    [[nodiscard]] std::size_t FindTableEnd(std::size_t p) const;
    HtmlSize LayoutTable(std::string_view tableText, const HtmlRect& rect);

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
};

} // namespace tooltip
