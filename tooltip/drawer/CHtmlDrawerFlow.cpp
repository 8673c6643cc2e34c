// Flow layout: lines, text runs with wrapping and justification, and the elements that act in
// the flow (rules, breaks, tabs, strings).

#include "tooltip/drawer/CHtmlDrawer.h"

#include "text/Utf8.h"
#include "tooltip/drawer/HtmlArithmetic.h"
#include "tooltip/drawer/HtmlMarkup.h"

#include <algorithm>

namespace tooltip {

namespace {

constexpr std::string_view kBreakCharacters = " -.,!:;)}]?";

int CountSpaces(std::string_view text) {
    return static_cast<int>(std::count(text.begin(), text.end(), ' '));
}

void TrimTrailingWhite(std::string& text) {
    while (!text.empty() && IsWhite(text.back())) {
        text.pop_back();
    }
}

} // namespace

HtmlSize CHtmlDrawer::LayoutFlowBlock(std::string_view block, const HtmlRect& rect, int wrapWidth) {
    Flow flow;
    m_blockRect = rect;
    flow.left = rect.left;
    flow.lineWidth = wrapWidth;
    flow.y = rect.top;
    const std::size_t firstLine = m_lineIndex;
    flow.x = StartLine(rect.left, flow);

    // The "body" entry applies to every block and is undone at its end. Its tags are handled
    // here rather than written around the block, so that a "<" ending the block stays a literal
    // "<" instead of meeting the "<" of a closing tag.
    HandleTag(flow, "body");
    std::size_t p = 0;
    std::string run;
    std::string_view tag;
    TagCloseSearch closes;
    while (p < block.size()) {
        const bool hasTag = NextToken(block, p, run, tag, &closes);
        if (!run.empty()) {
            LayoutText(flow, std::move(run));
            run = std::string();
        }
        if (hasTag) {
            HandleTag(flow, tag);
        }
    }
    HandleTag(flow, "/body");
    // The last line counts when it reaches past its start; a tab or picture of no width alone
    // adds no line.
    if (flow.mx != 0) {
        m_line.wrapped = 0;
        NewLine(flow, 1);
    }
    SetJustification(0, 0);
    flow.size.cy = ClampCoordinate(static_cast<long long>(flow.y) - rect.top);
    WidenForPercentRules(firstLine, flow.size);
    return flow.size;
}

void CHtmlDrawer::WidenForPercentRules(std::size_t firstLine, HtmlSize& size) const {
    const std::size_t end = std::min(m_lineIndex, m_lines.size());
    for (std::size_t i = firstLine; i < end; ++i) {
        const HtmlLine& line = m_lines[i];
        if (line.percent != 0) {
            const int candidate =
                SaturatingAdd(line.width, MulDivRound(line.percent, size.cx, 100));
            size.cx = std::max(size.cx, candidate);
        }
    }
}

int CHtmlDrawer::StartLine(int left, Flow& flow) {
    if (m_mode == LayoutMode::Measure) {
        m_line = HtmlLine{};
        m_line.alignment = m_style.textAlign;
        if (m_lineIndex >= m_lines.size()) {
            m_lines.push_back(m_line);
        } else {
            m_lines[m_lineIndex] = m_line;
        }
        return left;
    }
    // A Draw pass that meets more lines than were measured draws the rest unaligned.
    m_line = m_lineIndex < m_lines.size() ? m_lines[m_lineIndex] : HtmlLine{};
    const int avail = m_blockRect.right - m_blockRect.left;
    if (m_line.percent != 0) {
        m_line.width = SaturatingAdd(m_line.width, MulDivRound(avail, m_line.percent, 100));
    }
    if (m_line.alignment == AlignJustify && m_line.wrapped != 0) {
        // A line wider than the rectangle is drawn as measured, never squeezed into overlaps.
        SetJustification(
            static_cast<int>(std::max(0LL, static_cast<long long>(avail) - m_line.width)),
            m_line.breakCount);
    } else {
        SetJustification(0, 0);
    }
    flow.remainingWidth = m_line.width;
    flow.remainingBreaks = m_line.breakCount;
    // A line wider than the rectangle starts at its left edge, never before it.
    const long long spare = std::max(0LL, static_cast<long long>(avail) - m_line.width);
    switch (m_line.alignment) {
    case AlignCenter:
        return SaturatingAdd(left, spare / 2);
    case AlignRight:
        return SaturatingAdd(left, spare);
    default:
        return left;
    }
}

void CHtmlDrawer::NewLine(Flow& flow, int count) {
    count = std::clamp(count, 1, kMaxRepeat);
    if (m_mode == LayoutMode::Measure) {
        if (m_line.height == 0) {
            m_line.height = FontHeight();
        }
        flow.size.cx = std::max(flow.size.cx, flow.x - flow.left);
        m_line.height = SaturatingAdd(m_line.height, m_line.descent);
        m_line.width = flow.x - flow.left;
        m_lines[m_lineIndex] = m_line;
        m_lineEnds.resize(std::max(m_lineEnds.size(), m_lineIndex + 1));
        m_lineEnds[m_lineIndex] = m_contentPosition;
    } else if (m_lineIndex >= m_lineEnds.size() || m_lineEnds[m_lineIndex] != m_contentPosition) {
        m_drawMatched = false;
    }
    ++m_lineIndex;
    flow.y = SaturatingAdd(flow.y, static_cast<long long>(count) * m_line.height);
    flow.x = StartLine(flow.left, flow);
    flow.mx = 0;
    flow.inked = false;
}

void CHtmlDrawer::Advance(Flow& flow, int measured, int drawn) {
    // What the line still holds shrinks by every element, not by text alone: justification
    // spreads only the room that is left after them.
    if (m_mode == LayoutMode::Draw) {
        flow.remainingWidth = SaturatingAdd(flow.remainingWidth, -static_cast<long long>(drawn));
    }
    flow.mx = SaturatingAdd(flow.mx, measured);
    flow.x = SaturatingAdd(flow.x, m_mode == LayoutMode::Measure ? measured : drawn);
    flow.inked = true;
    ++m_contentPosition;
}

int CHtmlDrawer::TextTop(int y, int cy) {
    if (m_mode == LayoutMode::Measure) {
        m_line.descent = std::max(m_line.descent, cy - FontAscent());
        m_line.height = std::max(m_line.height, FontAscent());
        return y;
    }
    switch (m_style.verticalAlign) {
    case VAlignMiddle:
        return y + (m_line.height - FontHeight()) / 2;
    case VAlignBottom:
        return y + m_line.height - FontAscent();
    case VAlignBaseline:
        return y + m_line.height - FontAscent() - m_line.descent;
    default:
        return y;
    }
}

int CHtmlDrawer::ObjectTop(int y, int h) {
    if (m_mode == LayoutMode::Measure) {
        m_line.height = std::max(m_line.height, h);
        return y;
    }
    switch (m_style.verticalAlign) {
    case VAlignMiddle:
        return y + (m_line.height - h) / 2;
    case VAlignBottom:
        return y + m_line.height - h;
    case VAlignBaseline:
        return y + m_line.height - m_line.descent - h;
    default:
        return y;
    }
}

void CHtmlDrawer::LayoutText(Flow& flow, std::string run) {
    ApplyTextTransform(run, m_style.textTransform);
    // What is left of the run; lines take their pieces off its front.
    std::string_view text = run;
    const bool wraps = m_preparedWrap != 0 && flow.lineWidth != 0;
    while (!text.empty()) {
        SetJustification(0, 0);
        const int remaining = ClampCoordinate(static_cast<long long>(flow.lineWidth) - flow.mx);
        // Whether the text fits is all that matters when it may wrap, so measuring stops there.
        const HtmlSize extent = TextExtent(text, wraps ? std::max(remaining, 0) : INT_MAX);
        int cx = extent.cx;
        if (wraps && cx > remaining && !flow.inked && IsWhite(text.front())) {
            // White space at the start of a line before what does not fit is dropped, rather
            // than closing a line that shows nothing.
            const std::size_t white = text.find_first_not_of(" \t\n\v\f\r");
            const std::size_t dropped = white == std::string_view::npos ? text.size() : white;
            text.remove_prefix(dropped);
            m_contentPosition += dropped;
            continue;
        }
        const int top = TextTop(flow.y, extent.cy);
        const std::size_t before = text.size();
        std::string_view piece;
        if (wraps && cx > remaining) {
            cx = remaining;
            // A line holding only white space counts as empty: a word too long for it is cut
            // there rather than leaving the line blank.
            piece = SplitAtBreak(text, cx, !flow.inked);
        } else {
            piece = text;
            text = {};
        }
        m_contentPosition += before - text.size();
        if (!piece.empty()) {
            int drawn = cx;
            if (m_mode == LayoutMode::Measure) {
                m_line.alignment = m_style.textAlign;
                m_line.breakCount += CountSpaces(piece);
            } else if (cx != 0) {
                const int room =
                    ClampCoordinate(static_cast<long long>(m_blockRect.right) - flow.x);
                drawn = DrawPiece(flow, std::string(piece), cx, top, room);
            }
            flow.mx = SaturatingAdd(flow.mx, cx);
            flow.x = SaturatingAdd(flow.x, drawn);
            flow.inked = flow.inked || piece.find_first_not_of(" \t\n\v\f\r") != piece.npos;
        }
        if (!text.empty()) {
            m_line.wrapped = 1;
            NewLine(flow, 1);
        }
    }
}

int CHtmlDrawer::DrawPiece(Flow& flow, std::string piece, int cx, int top, int remaining) {
    if (flow.remainingWidth == cx && !piece.empty() && piece.back() == ' ') {
        // The line's last piece: its trailing spaces take no part in alignment or justification.
        TrimTrailingWhite(piece);
        flow.remainingBreaks = CountSpaces(piece);
        const int trimmed = TextExtent(piece).cx;
        flow.remainingWidth += trimmed - cx;
        cx = trimmed;
    }
    if (m_line.alignment == AlignJustify && m_line.wrapped != 0) {
        SetJustification(static_cast<int>(std::max(0LL, static_cast<long long>(remaining) -
                                                            flow.remainingWidth)),
                         flow.remainingBreaks);
    }
    flow.remainingWidth -= cx;
    const HtmlSize drawn = TextExtent(piece);
    AddHotArea(flow.x, top, flow.x + drawn.cx, top + drawn.cy);
    TextOut(flow.x, top, piece);
    flow.remainingBreaks -= CountSpaces(piece);
    if (m_style.overline != 0) {
        DrawOverline(flow.x, flow.x + drawn.cx, top);
    }
    return drawn.cx;
}

// The index of the last break character (at index 1 or later) after which the text may end on
// this line; 0 when there is none. A break character itself must fit, as it is drawn; only a
// space may hang past the edge, as it is not. The scan ends at the first break whose preceding
// text is too wide, or once the text is.
std::size_t CHtmlDrawer::LastFittingBreak(std::string_view text, int avail) {
    std::size_t b = 0;
    long long before = 0; // summed advances: an estimate of the width before index i
    for (std::size_t i = 0; i < text.size() && before <= avail;) {
        const std::size_t next = std::min(
            text.size(), i + text::Utf8SequenceLength(static_cast<unsigned char>(text[i])));
        if (i > 0 && kBreakCharacters.find(text[i]) != std::string_view::npos) {
            const std::size_t end = text[i] == ' ' ? i : next;
            const int width = TextExtent(text.substr(0, end), avail).cx;
            if (width <= avail) {
                b = i;
            } else if (text[i] == ' ') {
                break;
            }
        }
        before += TextExtent(text.substr(i, next - i)).cx;
        i = next;
    }
    return b;
}

// The longest run of whole characters from the front of a word too long for a whole line that
// fits `avail`, at least one character. Summed advances of single characters estimate the cut in
// one sweep; whole measurements then confirm it, and only where the estimate was wrong does a
// binary search run, so a long word costs time in proportion to its length.
std::size_t CHtmlDrawer::LastFittingCut(std::string_view text, int avail) {
    auto step = [&](std::size_t i) {
        return std::min(text.size(),
                        i + text::Utf8SequenceLength(static_cast<unsigned char>(text[i])));
    };
    if (text.empty()) {
        return 0;
    }
    std::vector<std::size_t> ends; // ends[k]: where character k ends; the first always counts
    long long sum = 0;
    std::size_t i = 0;
    do {
        const std::size_t next = step(i);
        sum += TextExtent(text.substr(i, next - i)).cx;
        ends.push_back(next);
        i = next;
    } while (i < text.size() && sum <= avail);
    auto fits = [&](std::size_t k) {
        return TextExtent(text.substr(0, ends[k]), avail).cx <= avail;
    };
    // The largest k that fits, with character 0 always taken: lo fits, hi does not.
    std::size_t lo = 0;
    std::size_t hi = ends.size() - 1; // the first character whose summed width passed avail
    if (hi > 0 && !fits(hi)) {
        if (fits(hi - 1)) {
            return ends[hi - 1]; // the estimate was right
        }
    } else {
        // Measured no wider than summed: go on, doubling the stride, until a cut does not fit.
        lo = hi;
        for (std::size_t stride = 1;; stride *= 2) {
            if (ends[lo] >= text.size()) {
                return ends[lo];
            }
            while (ends.size() <= lo + stride && ends.back() < text.size()) {
                ends.push_back(step(ends.back()));
            }
            const std::size_t probe = std::min(lo + stride, ends.size() - 1);
            if (!fits(probe)) {
                hi = probe;
                break;
            }
            lo = probe;
        }
    }
    while (hi - lo > 1) {
        const std::size_t middle = lo + (hi - lo) / 2;
        (fits(middle) ? lo : hi) = middle;
    }
    return ends[lo];
}

std::string_view CHtmlDrawer::SplitAtBreak(std::string_view& text, int& avail, bool lineEmpty) {
    const std::size_t b = avail >= 0 ? LastFittingBreak(text, avail) : 0;
    if (b > 0) {
        std::string_view piece = text.substr(0, b + 1);
        text.remove_prefix(b + 1);
        while (!piece.empty() && IsWhite(piece.back())) {
            piece.remove_suffix(1);
        }
        avail = TextExtent(piece).cx;
        while (!text.empty() && IsWhite(text.front())) {
            text.remove_prefix(1);
        }
        return piece;
    }
    if (lineEmpty) {
        const std::size_t cut = LastFittingCut(text, avail);
        const std::string_view piece = text.substr(0, cut);
        text.remove_prefix(cut);
        avail = TextExtent(piece).cx;
        return piece;
    }
    avail = 0;
    return {};
}

} // namespace tooltip
