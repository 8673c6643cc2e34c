// Links: the "a" tag, the hot areas recorded while drawing, and the cursor and click questions
// the tooltip window asks about them.

#include "tooltip/drawer/CHtmlDrawer.h"

#include "tooltip/drawer/HtmlMarkup.h"

namespace tooltip {

void CHtmlDrawer::OpenLink(std::string_view attributes) {
    m_style.linkKind = LinkMessage;
    m_style.linkTarget.clear();
    std::size_t cursor = 0;
    std::string_view name;
    std::string_view value;
    while (NextAttribute(attributes, cursor, name, value)) {
        if (name == "href") {
            m_style.linkKind = LinkHref;
            m_style.linkTarget.assign(value);
        } else if (name == "msg") {
            m_style.linkKind = LinkMessage;
            m_style.linkTarget.assign(value);
        }
    }
    ++m_linkCounter;
    m_styles.ApplySelector(m_style, m_linkCounter == m_hoveredLink ? "a:hover" : "a:link");
}

void CHtmlDrawer::AddHotArea(int left, int top, int right, int bottom) {
    if (m_style.linkKind == LinkNone) {
        return;
    }
    m_hotAreas.push_back(
        HtmlHotArea{left, top, right, bottom, m_style.linkKind, m_linkCounter, m_style.linkTarget});
}

int CHtmlDrawer::HitTestHotAreas(HtmlPoint point) const {
    for (std::size_t i = 0; i < m_hotAreas.size(); ++i) {
        const HtmlHotArea& area = m_hotAreas[i];
        if (area.left <= point.x && point.x <= area.right && area.top <= point.y &&
            point.y <= area.bottom) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void CHtmlDrawer::ReportHover(int link) {
    if (m_hoverWindow != nullptr && m_hoverMessage != 0) {
        m_hoverWindow->SendMessage(m_hoverMessage, link, m_hoverParam);
    }
}

bool CHtmlDrawer::OnSetCursor(HtmlPoint point) {
    const int i = HitTestHotAreas(point);
    if (i < 0) {
        if (m_hoveredLink != -2) {
            m_hoveredLink = -2;
            ReportHover(-2);
        }
        return false;
    }
    // Copied: the report may make the owner repaint at once, which rebuilds the hot areas.
    const HtmlHotArea area = m_hotAreas[static_cast<std::size_t>(i)];
    if (area.linkNumber != m_hoveredLink) {
        m_hoveredLink = area.linkNumber;
        ReportHover(area.linkNumber);
    }
    if (!area.linkTarget.empty() && m_handCursor != nullptr) {
        m_handCursor->SetHandCursor();
        return true;
    }
    return false;
}

void CHtmlDrawer::OnLButtonDown(HtmlPoint point) {
    const int i = HitTestHotAreas(point);
    if (i < 0) {
        return;
    }
    const HtmlHotArea& area = m_hotAreas[static_cast<std::size_t>(i)];
    if (area.linkTarget.empty()) {
        return;
    }
    if (area.linkKind == LinkHref) {
        OpenLinkTarget(area.linkTarget);
    }
    // A message link has no receiver: clicking it does nothing.
}

void CHtmlDrawer::OpenLinkTarget(const std::string& target) {
    // A target that no handler opens is left alone, as the tip offers no place to say so.
    static_cast<void>(m_services.opener->Open(target));
}

} // namespace tooltip
