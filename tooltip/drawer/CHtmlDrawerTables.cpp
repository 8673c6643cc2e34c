// Tables: finding a table's, row's and cell's end, counting the grid, laying rows and cells out
// (each cell's content is flow blocks and nested tables), settling column widths and row heights
// in the Measure pass, and stretching, filling and framing in the Draw pass.
//
// A table's grid is what the Measure pass counted, bounded in size; cells beyond it and the parts
// of spans past its last row or column are dropped, so nothing reads or writes outside it.

#include "tooltip/drawer/CHtmlDrawer.h"

#include "tooltip/drawer/HtmlArithmetic.h"
#include "tooltip/drawer/HtmlMarkup.h"

#include <algorithm>
#include <array>

namespace tooltip {

namespace {

constexpr int kMaxTableColumns = 1000;
constexpr int kMaxTableRows = 1000;
constexpr long long kMaxTableCells = 100000;
// Tables nested deeper are left out (in both passes alike), so hostile nesting cannot exhaust
// the stack.
constexpr int kMaxTableDepth = 32;

std::size_t FindFrom(std::string_view text, std::string_view name, std::size_t from) {
    std::size_t at = from;
    FindTagStart(text, name, at);
    return at;
}

// Like FindFrom, but only looks before `limit` (a tag found there starts before it); the text's
// length when there is none. Keeps the searches of one row or cell from scanning the whole text.
std::size_t FindBefore(std::string_view text, std::string_view name, std::size_t from,
                       std::size_t limit) {
    const std::string_view head = text.substr(0, std::min(limit, text.size()));
    std::size_t at = from;
    return FindTagStart(head, name, at) ? at : text.size();
}

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

long long Sum(const std::vector<int>& values, int first, int count) {
    long long sum = 0;
    for (int i = first; i < first + count; ++i) {
        sum += values[static_cast<std::size_t>(i)];
    }
    return sum;
}

// Spacing, rows or columns less one, and every size with its spacing.
long long GridExtent(const std::vector<int>& sizes, int spacing) {
    long long extent = spacing + std::max<long long>(0, static_cast<long long>(sizes.size()) - 1);
    for (const int size : sizes) {
        extent += static_cast<long long>(size) + spacing;
    }
    return extent;
}

} // namespace

std::size_t CHtmlDrawer::FindTableEnd(std::string_view text, std::size_t p) {
    int depth = 1;
    std::size_t a = p + 7;
    std::size_t b = p + 7;
    while (true) {
        FindTagStart(text, "table", a);
        FindTagStart(text, "/table", b);
        if (a < b) {
            ++depth;
            a += 7;
        } else if (b < a) {
            --depth;
            b += 8;
        }
        // Equal positions alone do not mean both are missing: an empty inner table leaves a just
        // past its opening tag, where b has found its closing one.
        if (depth == 0 || (a >= text.size() && b >= text.size())) {
            break;
        }
    }
    // A table without its end runs to the end of the text.
    return depth == 0 ? b - 8 : text.size();
}

std::size_t CHtmlDrawer::FindRowEnd(std::string_view text, std::size_t p) {
    int depth = 1;
    p += 4;
    // Each search result stays valid until the position passes it, so no part of the text is
    // searched twice however many rows open without closing.
    std::size_t row = 0;
    std::size_t end = 0;
    while (depth > 0 && p < text.size()) {
        if (row < p) {
            row = FindFrom(text, "tr", p);
        }
        if (end < p) {
            end = FindFrom(text, "/tr", p);
        }
        const std::size_t table = FindBefore(text, "table", p, std::min(row, end));
        if (row == text.size() && end == text.size() && table == text.size()) {
            return text.size();
        }
        if (table < row && table < end) {
            p = FindTableEnd(text, table) + 6;
        } else if (row < end) {
            ++depth;
            p = row + 4;
        } else {
            --depth;
            p = end + 5;
        }
    }
    return depth == 0 ? p - 5 : text.size();
}

std::size_t CHtmlDrawer::FindCellEnd(std::string_view text, std::size_t p) {
    p += 4;
    while (p < text.size()) {
        const std::size_t end = FindFrom(text, "/td", p);
        const std::size_t table = FindBefore(text, "table", p, end);
        if (table < end) {
            p = FindTableEnd(text, table) + 6;
            continue;
        }
        return end;
    }
    return text.size();
}

HtmlSize CHtmlDrawer::CountTableGrid(std::string_view text) const {
    long long columns = 0;
    int rows = 0;
    std::size_t a = 0;
    while (a < text.size() && FindTagStart(text, "tr", a) && rows < kMaxTableRows) {
        ++rows;
        long long cells = 0;
        const std::size_t rowEnd = FindFrom(text, "/tr", a + 3);
        std::size_t q = a + 3;
        while (true) {
            const std::size_t cell = FindFrom(text, "td", q);
            if (cell >= rowEnd) {
                break;
            }
            std::size_t pos = cell;
            std::string run;
            std::string_view tag;
            std::string_view name;
            std::string_view attributes;
            static_cast<void>(NextToken(text, pos, run, tag));
            SplitTag(tag, name, attributes);
            std::size_t cursor = 0;
            std::string_view attribute;
            std::string_view value;
            int span = 1;
            while (NextAttribute(attributes, cursor, attribute, value)) {
                if (attribute == "colspan") {
                    span = m_styles.ParseLength(1, value, false);
                }
            }
            cells = std::min<long long>(cells + std::clamp(span, 1, kMaxTableColumns),
                                        kMaxTableColumns);
            q = FindCellEnd(text, cell);
            if (q >= text.size()) {
                break;
            }
        }
        columns = std::max(columns, cells);
        a = rowEnd;
    }
    // The grid is bounded: columns past the cell budget are dropped.
    if (rows > 0) {
        columns = std::min(columns, kMaxTableCells / rows);
    }
    return {static_cast<int>(columns), rows};
}

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

HtmlSize CHtmlDrawer::LayoutTable(std::string_view tableText, const HtmlRect& rect) {
    HtmlSize size;
    if (m_tableDepth >= kMaxTableDepth) {
        return size;
    }
    ++m_tableCounter;
    if (m_mode == LayoutMode::Measure) {
        const HtmlSize grid = CountTableGrid(tableText);
        m_tables.emplace_back(grid.cx, grid.cy);
    }
    if (m_tableCounter < 0 || static_cast<std::size_t>(m_tableCounter) >= m_tables.size()) {
        return size;
    }
    const auto index = static_cast<std::size_t>(m_tableCounter);
    ++m_tableDepth;
    int columnSpan = 1;
    int rowSpan = 1;
    const std::size_t body = OpenTablePart(tableText, "table", true, columnSpan, rowSpan);
    const int border = m_style.borderStyle == FrameDouble ? 3 : m_style.borderWidth;
    HtmlRect inner;
    HtmlRect tableRect;
    if (m_mode == LayoutMode::Draw) {
        tableRect = StretchTable(index, rect);
        DrawTableBackground(tableRect);
        inner = {tableRect.left + border, tableRect.top + border, tableRect.right - border,
                 tableRect.bottom - border};
    }
    const int rows = m_tables[index].rows;
    if (m_tables[index].columns > 0 && rows > 0) {
        std::size_t q = body;
        for (int r = 0; r < rows && q < tableText.size(); ++r) {
            std::size_t s = q;
            if (!FindTagStart(tableText, "tr", s)) {
                break;
            }
            const std::size_t e = FindRowEnd(tableText, s);
            LayoutTableRow(tableText.substr(s, e - s), inner, r, index);
            q = e + 5;
        }
    }
    if (m_mode == LayoutMode::Measure) {
        SettleTable(m_tables[index]);
        const int frame = m_style.borderStyle == FrameDouble ? 6 : 2 * m_style.borderWidth;
        const int spacing = m_style.cellSpacing;
        size.cx = ClampCoordinate(GridExtent(m_tables[index].columnWidths, spacing) + frame);
        size.cy = ClampCoordinate(GridExtent(m_tables[index].rowHeights, spacing) + frame);
    } else {
        size = {tableRect.right - tableRect.left, tableRect.bottom - tableRect.top};
    }
    CloseTablePart("table");
    --m_tableDepth;
    return size;
}

HtmlRect CHtmlDrawer::StretchTable(std::size_t index, const HtmlRect& rect) {
    HtmlTable& table = m_tables[index];
    const int spacing = m_style.cellSpacing;
    const int frame = m_style.borderStyle == FrameDouble ? 6 : 2 * m_style.borderWidth;
    long long width = GridExtent(table.columnWidths, spacing) + frame;
    const long long height = GridExtent(table.rowHeights, spacing) + frame;
    const long long avail = static_cast<long long>(rect.right) - rect.left;
    if (width < avail) {
        long long loose = std::count(table.fixedColumns.begin(), table.fixedColumns.end(), 0);
        long long spare = avail - width;
        for (int c = 0; c < table.columns && loose > 0; ++c) {
            if (table.fixedColumns[static_cast<std::size_t>(c)] == 0) {
                const long long share = spare / loose;
                int& columnWidth = table.columnWidths[static_cast<std::size_t>(c)];
                columnWidth = ClampCoordinate(columnWidth + share);
                spare -= share;
                width += share;
                --loose;
            }
        }
    }
    long long left = rect.left;
    if (width < avail) {
        if (m_style.textAlign == AlignCenter) {
            left += (avail - width) / 2;
        } else if (m_style.textAlign == AlignRight) {
            left = rect.right - width;
        }
    }
    return {ClampCoordinate(left), rect.top, ClampCoordinate(left + width),
            ClampCoordinate(rect.top + height)};
}

void CHtmlDrawer::DrawTableBackground(const HtmlRect& rect) {
    const gfx::Rect area{rect.left, rect.top, rect.right, rect.bottom};
    if (m_style.backgroundEffect >= 0) {
        m_drawManager.FillBackground(*m_dc, area, m_style.backgroundEffect,
                                     m_style.backgroundColour, m_style.middleColour,
                                     m_style.endColour, 5, 0);
    } else if (!m_style.backgroundImage.empty()) {
        DrawTableBackgroundImage(rect, m_style.backgroundImage);
    }
    if (m_style.borderWidth > 0) {
        m_drawManager.DrawFrame(*m_dc, area, m_style.borderStyle, m_style.borderWidth,
                                m_style.borderLightColour, m_style.borderDarkColour);
    }
}

void CHtmlDrawer::LayoutTableRow(std::string_view rowText, const HtmlRect& inner, int row,
                                 std::size_t index) {
    int columnSpan = 1;
    int rowSpan = 1;
    std::size_t p = OpenTablePart(rowText, "tr", false, columnSpan, rowSpan);
    const int spacing = m_style.cellSpacing;
    int c = 0;
    std::size_t end = 0;
    while (p < rowText.size()) {
        if (end < p) {
            end = FindFrom(rowText, "/tr", p);
        }
        const std::size_t s = FindBefore(rowText, "td", p, end);
        if (s >= end) {
            break;
        }
        const std::size_t e = FindCellEnd(rowText, s);
        p = e;
        const int columns = m_tables[index].columns;
        while (c < columns && m_tables[index].At(row, c).columnSpan == -1) {
            ++c;
        }
        if (c >= columns) {
            continue; // beyond the grid: dropped
        }
        HtmlRect cellRect;
        if (m_mode == LayoutMode::Draw) {
            cellRect = CellRectangle(m_tables[index], inner, row, c, spacing);
        }
        LayoutTableCell(rowText.substr(s, e - s), row, c, cellRect, index);
        HtmlTable& table = m_tables[index];
        const HtmlCell cell = table.At(row, c);
        if (m_mode == LayoutMode::Measure) {
            for (int r = row; r < row + cell.rowSpan; ++r) {
                for (int k = c; k < c + cell.columnSpan; ++k) {
                    if (r != row || k != c) {
                        table.At(r, k).columnSpan = -1;
                        table.At(r, k).rowSpan = -1;
                    }
                }
            }
        }
        c += std::max(cell.columnSpan, 1);
    }
    CloseTablePart("tr");
}

HtmlRect CHtmlDrawer::CellRectangle(HtmlTable& table, const HtmlRect& inner, int row, int column,
                                    int spacing) {
    const HtmlCell& cell = table.At(row, column);
    const int columnSpan = std::clamp(cell.columnSpan, 1, table.columns - column);
    const int rowSpan = std::clamp(cell.rowSpan, 1, table.rows - row);
    const long long step = static_cast<long long>(spacing) + 1;
    const long long left =
        inner.left + spacing + Sum(table.columnWidths, 0, column) + column * step;
    const long long right =
        left + Sum(table.columnWidths, column, columnSpan) + (columnSpan - 1) * step;
    const long long top = inner.top + spacing + Sum(table.rowHeights, 0, row) + row * step;
    const long long bottom = top + Sum(table.rowHeights, row, rowSpan) + (rowSpan - 1) * step;
    return {ClampCoordinate(left), ClampCoordinate(top), ClampCoordinate(right),
            ClampCoordinate(bottom)};
}

void CHtmlDrawer::LayoutTableCell(std::string_view cellText, int row, int column,
                                  const HtmlRect& cellRect, std::size_t index) {
    int columnSpan = 1;
    int rowSpan = 1;
    std::size_t p = OpenTablePart(cellText, "td", false, columnSpan, rowSpan);
    const int pad =
        ClampCoordinate(static_cast<long long>(m_style.borderWidth) + m_style.cellPadding);
    const int wrap = m_style.width;
    HtmlRect content = BeginCell(row, column, cellRect, index, columnSpan, rowSpan, pad);
    while (p < cellText.size()) {
        const std::size_t end = FindFrom(cellText, "/td", p);
        const std::size_t table = FindFrom(cellText, "table", p);
        const std::size_t stop = std::min(end, table);
        HtmlSize part;
        if (stop > p) {
            part = LayoutFlowBlock(cellText.substr(p, stop - p), content, wrap);
            p = stop;
        } else if (table < end) {
            const std::size_t tableEnd = FindTableEnd(cellText, table);
            part = LayoutTable(cellText.substr(table, tableEnd - table), content);
            p = tableEnd;
        } else {
            break;
        }
        if (m_mode == LayoutMode::Measure) {
            HtmlCell& cell = m_tables[index].At(row, column);
            cell.contentWidth = std::max(cell.contentWidth, part.cx);
            cell.contentHeight = SaturatingAdd(cell.contentHeight, part.cy);
        }
        content.top = SaturatingAdd(content.top, part.cy);
    }
    if (m_mode == LayoutMode::Measure) {
        HtmlCell& cell = m_tables[index].At(row, column);
        cell.outerWidth = SaturatingAdd(std::max(m_style.width, cell.contentWidth), 2LL * pad);
        cell.outerHeight = SaturatingAdd(std::max(m_style.height, cell.contentHeight), 2LL * pad);
    }
    CloseTablePart("td");
}

// Measure: records the cell's spans and own width; its content starts at the cell's corner and
// wraps only at a width given to the cell. Draw: fills and frames the cell; its content lies
// inside frame and padding, placed by the vertical align.
HtmlRect CHtmlDrawer::BeginCell(int row, int column, const HtmlRect& cellRect, std::size_t index,
                                int columnSpan, int rowSpan, int pad) {
    if (m_mode == LayoutMode::Measure) {
        HtmlTable& table = m_tables[index];
        HtmlCell& cell = table.At(row, column);
        // Spans below 1 count as 1; spans past the grid are cut at its edge.
        cell.columnSpan = std::clamp(columnSpan, 1, table.columns - column);
        cell.rowSpan = std::clamp(rowSpan, 1, table.rows - row);
        cell.contentWidth = m_style.width;
        cell.contentHeight = 0;
        cell.fixed = m_style.width > 0 ? 1 : 0;
        return {cellRect.left, cellRect.top, cellRect.left + m_style.width, cellRect.top};
    }
    const gfx::Rect area{cellRect.left, cellRect.top, cellRect.right, cellRect.bottom};
    if (m_style.backgroundEffect >= 0) {
        m_drawManager.FillBackground(*m_dc, area, m_style.backgroundEffect,
                                     m_style.backgroundColour, m_style.middleColour,
                                     m_style.endColour, 5, 0);
    }
    m_drawManager.DrawFrame(*m_dc, area, m_style.borderStyle, 1, m_style.borderLightColour,
                            m_style.borderDarkColour);
    HtmlRect content{cellRect.left + pad, cellRect.top + pad, cellRect.right - pad,
                     cellRect.bottom - pad};
    const int contentHeight = m_tables[index].At(row, column).contentHeight;
    if (m_style.verticalAlign == VAlignMiddle) {
        content.top += (content.bottom - contentHeight - content.top) / 2;
    } else if (m_style.verticalAlign == VAlignBottom) {
        content.top = content.bottom - contentHeight;
    }
    return content;
}

// Columns and rows take the sizes their cells need: single cells first, then cells spanning
// more, each sharing what its spanned columns or rows lack.
void CHtmlDrawer::SettleTable(HtmlTable& table) {
    std::vector<std::vector<std::size_t>> byColumnSpan(static_cast<std::size_t>(table.columns) + 1);
    std::vector<std::vector<std::size_t>> byRowSpan(static_cast<std::size_t>(table.rows) + 1);
    for (std::size_t i = 0; i < table.grid.size(); ++i) {
        const HtmlCell& cell = table.grid[i];
        if (cell.columnSpan > 0 && cell.rowSpan > 0) {
            byColumnSpan[static_cast<std::size_t>(cell.columnSpan)].push_back(i);
            byRowSpan[static_cast<std::size_t>(cell.rowSpan)].push_back(i);
        }
    }
    const auto columns = static_cast<std::size_t>(table.columns);
    for (int span = 1; span <= table.columns; ++span) {
        for (const std::size_t i : byColumnSpan[static_cast<std::size_t>(span)]) {
            const HtmlCell& cell = table.grid[i];
            const int c = static_cast<int>(i % columns);
            auto& widths = table.columnWidths;
            if (span == 1) {
                widths[i % columns] = std::max(widths[i % columns], cell.outerWidth);
                table.fixedColumns[i % columns] |= cell.fixed;
                continue;
            }
            if (cell.fixed != 0) {
                std::fill_n(table.fixedColumns.begin() + c, span, 1);
            }
            const long long sum = Sum(widths, c, span);
            if (sum < cell.contentWidth) {
                const long long excess = cell.outerWidth - sum;
                for (int k = c; k < c + span; ++k) {
                    widths[static_cast<std::size_t>(k)] =
                        SaturatingAdd(widths[static_cast<std::size_t>(k)], excess / span);
                }
                widths[static_cast<std::size_t>(c + span - 1)] =
                    SaturatingAdd(widths[static_cast<std::size_t>(c + span - 1)], excess % span);
            }
        }
    }
    for (int span = 1; span <= table.rows; ++span) {
        for (const std::size_t i : byRowSpan[static_cast<std::size_t>(span)]) {
            const HtmlCell& cell = table.grid[i];
            const int r = static_cast<int>(i / columns);
            auto& heights = table.rowHeights;
            if (span == 1) {
                heights[static_cast<std::size_t>(r)] =
                    std::max(heights[static_cast<std::size_t>(r)], cell.outerHeight);
                continue;
            }
            const long long sum = Sum(heights, r, span);
            if (sum < cell.outerHeight) {
                const long long excess = cell.outerHeight - sum;
                for (int k = r; k < r + span; ++k) {
                    heights[static_cast<std::size_t>(k)] =
                        SaturatingAdd(heights[static_cast<std::size_t>(k)], excess / span);
                }
                heights[static_cast<std::size_t>(r)] =
                    SaturatingAdd(heights[static_cast<std::size_t>(r)], excess % span);
            }
        }
    }
}

void CHtmlDrawer::DrawTableBackgroundImage(const HtmlRect& rect, std::string_view description) {
    if (description.size() <= 5) {
        return;
    }
    const std::size_t colon = description.find(':');
    if (colon == std::string_view::npos) {
        return;
    }
    auto trim = [](std::string_view text) {
        while (!text.empty() && IsWhite(text.front())) {
            text.remove_prefix(1);
        }
        while (!text.empty() && (IsWhite(text.back()) || text.back() == ';')) {
            text.remove_suffix(1);
        }
        return text;
    };
    const std::string_view key = trim(description.substr(0, colon));
    const std::string_view value = trim(description.substr(colon + 1));
    HtmlImageParams params;
    if (key == "idres") {
        params.idres = m_styles.ParseLength(0, value, false);
    } else if (key == "file") {
        params.file.assign(value);
    } else {
        return;
    }
    const gfx::CBitmap bitmap = LoadBitmapImage(params);
    if (!bitmap) {
        return;
    }
    const gfx::Size tile = m_drawManager.GetBitmapSize(bitmap);
    m_drawManager.TileBlit(*m_dc, rect.left, rect.top, rect.right - rect.left,
                           rect.bottom - rect.top, gfx::CDc(bitmap), 0, 0, tile.cx, tile.cy);
}

} // namespace tooltip
