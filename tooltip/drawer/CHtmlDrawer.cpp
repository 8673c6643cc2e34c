#include "tooltip/drawer/CHtmlDrawer.h"

#include "opener/CXdgOpener.h"
#include "tooltip/drawer/HtmlArithmetic.h"
#include "tooltip/drawer/HtmlMarkup.h"
#include "tooltip/drawer/HtmlPassDevice.h"

#include <algorithm>

namespace tooltip {

namespace {
// Grid positions every text may use for its tables, beyond one per byte of text.
constexpr long long kBaseGridPositions = 100000;
} // namespace

CHtmlDrawer::CHtmlDrawer(HtmlDrawerServices services)
    : m_services(std::move(services)),
      m_styles(m_services.systemColours ? m_services.systemColours
                                        : SystemColourReader(&syscolor::GetSysColour)),
      m_handCursor(m_services.handCursor) {
    if (m_services.opener == nullptr) {
        m_ownOpener = std::make_unique<opener::CXdgOpener>();
        m_services.opener = m_ownOpener.get();
    }
    if (!m_services.loadString) {
        m_services.loadString = [](int) { return std::string(); };
    }
    m_styles.SetUnitMetrics(this);
}

CHtmlDrawer::~CHtmlDrawer() = default;

void CHtmlDrawer::SetHoverCallback(IHtmlMessageTarget* window) {
    m_hoverWindow = window;
    m_hoverMessage = window != nullptr ? TipRepaintMessage : 0;
    m_hoverParam = 0;
}

HtmlSize CHtmlDrawer::PrepareOutput(HtmlDc& dc, std::string_view text) {
    dc.SetTextJustification(0, 0);
    m_text.assign(text);
    PreprocessText(m_text);
    m_lines.clear();
    m_lineEnds.clear();
    m_hotAreas.clear();
    m_animations.clear();
    m_tables.clear();
    // The tables' grids together take memory in proportion to the text.
    m_gridBudget = kBaseGridPositions + static_cast<long long>(m_text.size());
    HtmlSize size;
    if (m_text.empty()) {
        return size;
    }
    m_mode = LayoutMode::Measure;
    m_dc = &dc;
    m_preparedWrap = m_maxWidth;
    size = LayoutPass(HtmlRect{0, 0, m_maxWidth, 0});
    m_dc = nullptr;
    if (size == HtmlSize{}) {
        // Nothing to show: the owner shows no tip, and later draws do nothing.
        m_text.clear();
        return size;
    }
    if (m_maxWidth != 0 && size.cx > m_maxWidth) {
        size.cx = m_maxWidth;
    }
    size.cx += 1;
    size.cy += 1;
    return size;
}

void CHtmlDrawer::DrawPreparedOutput(HtmlDc& dc, const HtmlRect& rect) {
    if (m_text.empty()) {
        return;
    }
    m_mode = LayoutMode::Draw;
    m_dc = &dc;
    static_cast<void>(LayoutPass(rect));
    m_dc = nullptr;
}

HtmlSize CHtmlDrawer::LayoutPass(HtmlRect rect) {
    // Each Draw pass records the hot areas afresh, so repaints do not pile up copies.
    m_hotAreas.clear();
    if (m_mode == LayoutMode::Measure) {
        m_lines.clear();
        m_lineEnds.clear();
        m_animations.clear();
    }
    m_drawMatched = true;
    m_contentPosition = 0;
    m_lineIndex = 0;
    m_tableCounter = m_linkCounter = m_animationCounter = -1;
    m_tableDepth = 0;
    m_styleStack.clear();
    m_style.Reset();
    m_styles.ApplySelector(m_style, "body");
    BeginPassDevice();

    HtmlSize size;
    std::size_t p = 0;
    const std::string_view text = m_text;
    while (p < text.size()) {
        const std::size_t s = p;
        const bool table = FindTagStart(text, "table", p);
        if (p > s) {
            const HtmlSize block = LayoutFlowBlock(text.substr(s, p - s), rect, m_preparedWrap);
            size.cx = std::max(size.cx, block.cx);
            size.cy = SaturatingAdd(size.cy, block.cy);
            if (m_mode == LayoutMode::Draw) {
                rect.top = SaturatingAdd(rect.top, block.cy);
            }
        }
        if (!table) {
            break;
        }
        const std::size_t end = FindTableEnd(text, p);
        const HtmlSize tableSize = LayoutTable(text.substr(p, end - p), rect);
        size.cx = std::max(size.cx, tableSize.cx);
        size.cy = SaturatingAdd(size.cy, tableSize.cy);
        if (m_mode == LayoutMode::Draw) {
            rect.top = SaturatingAdd(rect.top, tableSize.cy);
        }
        p = end;
    }

    EndPassDevice();
    m_styleStack.clear();
    if (m_mode == LayoutMode::Measure) {
        m_lines.resize(std::min(m_lines.size(), m_lineIndex));
        m_lineEnds.resize(m_lines.size());
    } else if (m_lineIndex != m_lines.size()) {
        m_drawMatched = false;
    }
    return size;
}

} // namespace tooltip
