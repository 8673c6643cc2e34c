// Tables, their tags: the attributes of "table", "tr" and "td" applied to the current style, and
// opening and closing the style of a table, row or cell.

#include "tooltip/drawer/CHtmlDrawer.h"

#include "tooltip/drawer/HtmlArithmetic.h"
#include "tooltip/drawer/HtmlMarkup.h"

#include <algorithm>
#include <array>

namespace tooltip {

namespace {

enum class TableAttribute {
    CellPadding,
    CellSpacing,
    Background,
    RowSpan,
    ColumnSpan,
    Border,
    BorderStyle,
    BorderColour,
    BorderColourLight,
    BorderColourDark,
    BackgroundColour,
    MiddleColour,
    EndColour,
    Effect,
    Align,
    VerticalAlign,
    Width,
    Height,
};

struct TableAttributeEntry {
    std::string_view name;
    TableAttribute attribute;
    bool tableOnly;
};

constexpr std::array kTableAttributes = std::to_array<TableAttributeEntry>({
    {"cellpadding", TableAttribute::CellPadding, true},
    {"cellspacing", TableAttribute::CellSpacing, true},
    {"background", TableAttribute::Background, true},
    {"rowspan", TableAttribute::RowSpan, false},
    {"colspan", TableAttribute::ColumnSpan, false},
    {"border", TableAttribute::Border, false},
    {"borderstyle", TableAttribute::BorderStyle, false},
    {"bordercolor", TableAttribute::BorderColour, false},
    {"bordercolorlight", TableAttribute::BorderColourLight, false},
    {"bordercolordark", TableAttribute::BorderColourDark, false},
    {"bgcolor", TableAttribute::BackgroundColour, false},
    {"bgmidcolor", TableAttribute::MiddleColour, false},
    {"bgendcolor", TableAttribute::EndColour, false},
    {"bgeffect", TableAttribute::Effect, false},
    {"align", TableAttribute::Align, false},
    {"valign", TableAttribute::VerticalAlign, false},
    {"width", TableAttribute::Width, false},
    {"height", TableAttribute::Height, false},
});

struct Keyword {
    std::string_view name;
    int value;
};

constexpr std::array kEffects = std::to_array<Keyword>({
    {"transparent", -1},
    {"solid", 0},
    {"hgradient", 1},
    {"vgradient", 2},
    {"hcgradient", 3},
    {"vcgradient", 4},
    {"3hgradient", 5},
    {"3vgradient", 6},
    {"noise", 7},
    {"diagshade", 8},
    {"hshade", 9},
    {"vshade", 10},
    {"hbump", 11},
    {"vbump", 12},
    {"softbump", 13},
    {"hardbump", 14},
    {"metal", 15},
});
constexpr std::array kBorderStyles = std::to_array<Keyword>(
    {{"none", 0}, {"", 0}, {"solid", 1}, {"dashed", 2}, {"dotted", 3}, {"double", 6}});
constexpr std::array kTextAligns =
    std::to_array<Keyword>({{"left", 0}, {"", 0}, {"center", 1}, {"right", 2}});
constexpr std::array kVerticalAligns = std::to_array<Keyword>(
    {{"baseline", 3}, {"", 3}, {"middle", 1}, {"vcenter", 1}, {"top", 0}, {"bottom", 2}});

template <std::size_t N>
bool LookupKeyword(const std::array<Keyword, N>& table, std::string_view name, int& value) {
    for (const Keyword& keyword : table) {
        if (keyword.name == name) {
            value = keyword.value;
            return true;
        }
    }
    return false;
}

} // namespace

void CHtmlDrawer::ApplyTableAttributes(std::string_view attributes, bool table, int& columnSpan,
                                       int& rowSpan) {
    std::size_t cursor = 0;
    std::string_view name;
    std::string_view value;
    while (NextAttribute(attributes, cursor, name, value)) {
        const auto entry =
            std::find_if(kTableAttributes.begin(), kTableAttributes.end(),
                         [name](const TableAttributeEntry& e) { return e.name == name; });
        if (entry == kTableAttributes.end() || (entry->tableOnly && !table)) {
            continue;
        }
        ApplyTableAttribute(static_cast<int>(entry->attribute), value, columnSpan, rowSpan);
    }
    // Only the table's own frame may be wider than one pixel, and only a solid one.
    HtmlStyle& s = m_style;
    if (s.borderStyle == 0 || s.borderWidth <= 0) {
        s.borderStyle = 0;
        s.borderWidth = 0;
    }
    if (s.borderStyle != 0 && s.borderStyle != 1) {
        s.borderWidth = 1;
    }
    if (!table && s.borderWidth != 0) {
        s.borderWidth = 1;
    }
    s.borderWidth = std::min(s.borderWidth, 1000);
    s.cellPadding = std::clamp(s.cellPadding, 0, 1000);
    s.cellSpacing = std::clamp(s.cellSpacing, 0, 1000);
}

void CHtmlDrawer::ApplyTableAttribute(int which, std::string_view value, int& columnSpan,
                                      int& rowSpan) {
    HtmlStyle& s = m_style;
    int keyword = 0;
    switch (static_cast<TableAttribute>(which)) {
    case TableAttribute::CellPadding:
        s.cellPadding = m_styles.ParseLength(s.cellPadding, value, false);
        break;
    case TableAttribute::CellSpacing:
        s.cellSpacing = m_styles.ParseLength(s.cellSpacing, value, false);
        break;
    case TableAttribute::Background:
        s.backgroundImage.assign(value);
        break;
    case TableAttribute::RowSpan:
        rowSpan = m_styles.ParseLength(1, value, false);
        break;
    case TableAttribute::ColumnSpan:
        columnSpan = m_styles.ParseLength(1, value, false);
        break;
    case TableAttribute::Border:
        s.borderWidth = m_styles.ParseLength(s.borderWidth, value, false);
        s.borderStyle = s.borderWidth == 0 ? 0 : (s.borderStyle == 0 ? 1 : s.borderStyle);
        break;
    case TableAttribute::BorderStyle:
        if (LookupKeyword(kBorderStyles, value, keyword)) {
            s.borderStyle = keyword;
            if (keyword != 0 && s.borderWidth == 0) {
                s.borderWidth = 1;
            }
        }
        break;
    case TableAttribute::BorderColour:
        s.borderLightColour = s.borderDarkColour = m_styles.ParseColour(s.borderLightColour, value);
        break;
    case TableAttribute::BorderColourLight:
        s.borderLightColour = m_styles.ParseColour(s.borderLightColour, value);
        break;
    case TableAttribute::BorderColourDark:
        s.borderDarkColour = m_styles.ParseColour(s.borderDarkColour, value);
        break;
    case TableAttribute::BackgroundColour:
        s.backgroundColour = m_styles.ParseColour(s.backgroundColour, value);
        s.backgroundEffect = std::max(s.backgroundEffect, 0);
        break;
    case TableAttribute::MiddleColour:
        s.middleColour = m_styles.ParseColour(s.middleColour, value);
        break;
    case TableAttribute::EndColour:
        s.endColour = m_styles.ParseColour(s.endColour, value);
        break;
    case TableAttribute::Effect:
        if (LookupKeyword(kEffects, value, keyword)) {
            s.backgroundEffect = keyword;
        } else if (!value.empty()) {
            s.backgroundEffect = m_styles.ParseLength(s.backgroundEffect, value, false);
        }
        break;
    case TableAttribute::Align:
        if (LookupKeyword(kTextAligns, value, keyword)) {
            s.textAlign = keyword;
        }
        break;
    case TableAttribute::VerticalAlign:
        if (LookupKeyword(kVerticalAligns, value, keyword)) {
            s.verticalAlign = keyword;
        }
        break;
    case TableAttribute::Width:
        s.width = std::clamp(m_styles.ParseLength(s.width, value, false), 0,
                             static_cast<int>(kMaxCoordinate));
        break;
    case TableAttribute::Height:
        s.height = std::clamp(m_styles.ParseLength(s.height, value, false), 0,
                              static_cast<int>(kMaxCoordinate));
        break;
    }
}

// Opens the table's, row's or cell's style under `name`, applies its selector and its tag's
// attributes; returns where the text after the tag starts.
std::size_t CHtmlDrawer::OpenTablePart(std::string_view text, std::string_view name, bool table,
                                       int& columnSpan, int& rowSpan) {
    m_style.name.assign(name);
    PushPopStyle(false);
    m_styles.ApplySelector(m_style, name);
    std::size_t pos = 0;
    std::string run;
    std::string_view tag;
    static_cast<void>(NextToken(text, pos, run, tag));
    std::string_view tagName;
    std::string_view attributes;
    SplitTag(tag, tagName, attributes);
    if (name == "td") {
        m_style.width = 0;
        m_style.height = 0;
    }
    ApplyTableAttributes(attributes, table, columnSpan, rowSpan);
    SelectStyleFont();
    return pos;
}

void CHtmlDrawer::CloseTablePart(std::string_view name) {
    m_style.name.assign(name);
    PushPopStyle(true);
    SelectStyleFont();
}

} // namespace tooltip
