// What each tag of the markup does: style tags change the current style and are undone by their
// closing form; the other elements act where they stand.

#include "tooltip/drawer/CHtmlDrawer.h"

#include "tooltip/drawer/HtmlArithmetic.h"
#include "tooltip/drawer/HtmlMarkup.h"

#include <algorithm>

namespace tooltip {

namespace {

constexpr int kMaxWeight = 900;

void Toggle(int& flag) {
    flag = flag == 0 ? 1 : 0;
}

} // namespace

void CHtmlDrawer::HandleTag(Flow& flow, std::string_view tag) {
    m_style.name.clear();
    std::string_view name;
    std::string_view attributes;
    SplitTag(tag, name, attributes);
    const HtmlTagInfo info = LookupTag(name);
    if (info.code == TagUnknown) {
        return;
    }
    if (!info.styleName.empty()) {
        m_style.name.assign(info.styleName);
        PushPopStyle(info.closing);
        if (!info.closing) {
            ApplyStyleTag(info.code, name, attributes);
        }
        SelectStyleFont();
        return;
    }
    switch (info.code) {
    case TagRule:
        LayoutRule(flow, attributes);
        break;
    case TagBreak:
        LayoutBreak(flow, attributes);
        break;
    case TagTab:
        AdvanceTab(flow, attributes);
        break;
    case TagString:
        LayoutString(flow, attributes);
        break;
    case TagBitmap:
        LayoutBitmap(flow, attributes);
        break;
    case TagIcon:
        LayoutIcon(flow, attributes);
        break;
    case TagImageList:
        LayoutImageList(flow, attributes);
        break;
    default:
        break;
    }
}

void CHtmlDrawer::PushPopStyle(bool closing) {
    if (!closing) {
        m_styleStack.push_back(m_style);
    } else if (!m_styleStack.empty() && m_styleStack.back().name == m_style.name) {
        m_style = std::move(m_styleStack.back());
        m_styleStack.pop_back();
    }
    m_style.name.clear();
}

void CHtmlDrawer::ApplyStyleTag(int code, std::string_view name, std::string_view attributes) {
    switch (code) {
    case TagBold:
        m_style.weight = static_cast<int>(std::min(2LL * m_style.weight, 0LL + kMaxWeight));
        break;
    case TagItalic:
        Toggle(m_style.italic);
        break;
    case TagUnderline:
        Toggle(m_style.underline);
        break;
    case TagStrikeout:
        Toggle(m_style.strikeout);
        break;
    case TagFont:
        m_styles.ApplyFontAttributes(m_style, attributes);
        break;
    case TagLeft:
    case TagCenter:
    case TagRight:
    case TagJustify:
        m_style.textAlign = code - TagLeft;
        break;
    case TagBaseline:
        m_style.verticalAlign = VAlignBaseline;
        break;
    case TagTop:
        m_style.verticalAlign = VAlignTop;
        break;
    case TagVCenter:
        m_style.verticalAlign = VAlignMiddle;
        break;
    case TagBottom:
        m_style.verticalAlign = VAlignBottom;
        break;
    case TagSelector:
        m_styles.ApplySelector(m_style, name);
        break;
    case TagSpan: {
        std::size_t cursor = 0;
        std::string_view attribute;
        std::string_view value;
        while (NextAttribute(attributes, cursor, attribute, value)) {
            if (attribute == "class") {
                m_styles.ApplySelector(m_style, std::string(".").append(value));
            }
        }
        break;
    }
    case TagLink:
        OpenLink(attributes);
        break;
    default:
        break;
    }
}

void CHtmlDrawer::LayoutRule(Flow& flow, std::string_view attributes) {
    HtmlStyle rule = m_style;
    rule.borderWidth = 1;
    m_styles.ApplySelector(rule, "hr");
    int width = 100;
    bool percent = true;
    HtmlColour colour = rule.colour;
    std::size_t cursor = 0;
    std::string_view name;
    std::string_view value;
    while (NextAttribute(attributes, cursor, name, value)) {
        if (name == "width") {
            percent = !value.empty() && value.back() == '%';
            width = m_styles.ParseLength(100, value, false);
        } else if (name == "size") {
            rule.borderWidth = m_styles.ParseLength(rule.borderWidth, value, false);
        } else if (name == "color") {
            colour = m_styles.ParseColour(rule.colour, value);
        }
    }
    const int thickness = std::clamp(rule.borderWidth, 0, static_cast<int>(kMaxCoordinate));
    width = ClampCoordinate(width);
    // A rule given in percent counts one pixel wide in the layout and takes its share of the
    // rectangle when drawn.
    const int measured = percent ? 1 : width;
    int drawn = measured;
    if (m_mode == LayoutMode::Measure) {
        if (percent) {
            m_line.percent = SaturatingAdd(m_line.percent, width);
        }
        m_line.height = std::max(m_line.height, SaturatingAdd(thickness, 8));
        m_line.alignment = m_style.textAlign;
    } else {
        if (percent) {
            drawn = MulDivRound(m_blockRect.right - m_blockRect.left, width, 100);
        }
        const int middle = flow.y + m_line.height / 2;
        DrawRule(flow.x, SaturatingAdd(flow.x, drawn), middle, thickness, colour);
    }
    Advance(flow, measured, drawn);
}

int CHtmlDrawer::RepeatCount(std::string_view attributes, const CHtmlStyleSheet& sheet) {
    if (attributes.empty()) {
        return 1;
    }
    return std::clamp(sheet.ParseLength(1, attributes.substr(1), false), 0, kMaxRepeat);
}

void CHtmlDrawer::LayoutBreak(Flow& flow, std::string_view attributes) {
    m_line.wrapped = 0;
    NewLine(flow, RepeatCount(attributes, m_styles));
}

void CHtmlDrawer::AdvanceTab(Flow& flow, std::string_view attributes) {
    // Stops are counted from the line's left edge as the Measure pass laid it out, so a tab on a
    // centred or justified line moves as far as it did when measured.
    int count = RepeatCount(attributes, m_styles);
    const long long offset = flow.mx;
    const long long d = ((offset % m_tabSize) + m_tabSize) % m_tabSize;
    long long to = offset;
    if (d != 0) {
        to += m_tabSize - d;
        --count;
    }
    const int step = ClampCoordinate(to + static_cast<long long>(count) * m_tabSize - offset);
    Advance(flow, step, step);
}

void CHtmlDrawer::LayoutString(Flow& flow, std::string_view attributes) {
    int id = 0;
    std::size_t cursor = 0;
    std::string_view name;
    std::string_view value;
    while (NextAttribute(attributes, cursor, name, value)) {
        if (name == "idres" || name == "iddll") {
            id = m_styles.ParseLength(0, value, false);
        }
    }
    if (id == 0) {
        return;
    }
    const std::string text = m_services.loadString(id);
    if (text.empty()) {
        return;
    }
    // The string's spaces are no breaks of the line: it is measured and drawn unjustified in
    // both passes, so that both advance alike.
    SetJustification(0, 0);
    const HtmlSize extent = TextExtent(text);
    const int top = TextTop(flow.y, extent.cy);
    if (m_mode == LayoutMode::Measure) {
        m_line.alignment = m_style.textAlign;
    } else {
        AddHotArea(flow.x, top, flow.x + extent.cx, top + extent.cy);
        TextOut(flow.x, top, text);
    }
    Advance(flow, extent.cx, extent.cx);
}

} // namespace tooltip
