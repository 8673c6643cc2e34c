// Tables, measuring and placing: laying a table's rows and cells out (each cell's content is flow
// blocks and nested tables), recording spans and sizes in the Measure pass and settling column
// widths and row heights from them.
//
// A table's grid is what the Measure pass counted, bounded in size; cells beyond it and the parts
// of spans past its last row or column are dropped, so nothing reads or writes outside it. A
// cell's span also stops short of any position an earlier cell took: cells never overlap.

#include "tooltip/drawer/CHtmlDrawer.h"

#include "tooltip/drawer/HtmlArithmetic.h"
#include "tooltip/drawer/HtmlMarkup.h"
#include "tooltip/drawer/HtmlTableSearch.h"

#include <algorithm>

namespace tooltip {

using tables::FindBefore;
using tables::FindFrom;
using tables::GridExtent;

namespace {

// Tables nested deeper are left out (in both passes alike), so hostile nesting cannot exhaust
// the stack.
constexpr int kMaxTableDepth = 32;

long long Sum(const std::vector<int>& values, int first, int count) {
    long long sum = 0;
    for (int i = first; i < first + count; ++i) {
        sum += values[static_cast<std::size_t>(i)];
    }
    return sum;
}

} // namespace

HtmlSize CHtmlDrawer::LayoutTable(std::string_view tableText, const HtmlRect& rect) {
    HtmlSize size;
    if (m_tableDepth >= kMaxTableDepth) {
        return size;
    }
    ++m_tableCounter;
    if (m_mode == LayoutMode::Measure) {
        const HtmlSize grid = ReserveGrid(CountTableGrid(tableText));
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
    TableGeometry geometry;
    HtmlRect tableRect;
    if (m_mode == LayoutMode::Draw) {
        tableRect = StretchTable(index, rect);
        DrawTableBackground(tableRect);
        geometry = MakeTableGeometry(m_tables[index], tableRect);
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
            LayoutTableRow(tableText.substr(s, e - s), geometry, r, index);
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

void CHtmlDrawer::LayoutTableRow(std::string_view rowText, const TableGeometry& geometry, int row,
                                 std::size_t index) {
    int columnSpan = 1;
    int rowSpan = 1;
    std::size_t p = OpenTablePart(rowText, "tr", false, columnSpan, rowSpan);
    const int spacing = m_style.cellSpacing;
    int c = 0;
    tables::RowCells walk(rowText);
    while (p < rowText.size()) {
        const std::size_t s = walk.Next(p);
        if (s >= rowText.size()) {
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
            cellRect = CellRectangle(m_tables[index], geometry, row, c, spacing);
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

void CHtmlDrawer::LayoutTableCell(std::string_view cellText, int row, int column,
                                  const HtmlRect& cellRect, std::size_t index) {
    int columnSpan = 1;
    int rowSpan = 1;
    std::size_t p = OpenTablePart(cellText, "td", false, columnSpan, rowSpan);
    const int pad =
        ClampCoordinate(static_cast<long long>(m_style.borderWidth) + m_style.cellPadding);
    const int wrap = m_style.width;
    HtmlRect content = m_mode == LayoutMode::Measure
                           ? MeasureCell(row, column, cellRect, index, columnSpan, rowSpan)
                           : DrawCellBox(row, column, cellRect, index, pad);
    std::size_t end = 0;
    bool endFound = false;
    while (p < cellText.size()) {
        // The "</td" found stays valid while it lies ahead; nested tables are looked for only
        // before it.
        if (!endFound || end < p) {
            end = FindFrom(cellText, "/td", p);
            endFound = true;
        }
        const std::size_t table = FindBefore(cellText, "table", p, end);
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

// Records the cell's spans and own width; its content starts at the cell's corner and wraps only
// at a width given to the cell.
HtmlRect CHtmlDrawer::MeasureCell(int row, int column, const HtmlRect& cellRect, std::size_t index,
                                  int columnSpan, int rowSpan) {
    HtmlTable& table = m_tables[index];
    HtmlCell& cell = table.At(row, column);
    // Spans below 1 count as 1; spans past the grid are cut at its edge.
    int columns = std::clamp(columnSpan, 1, table.columns - column);
    int rows = std::clamp(rowSpan, 1, table.rows - row);
    // A span stops before the first position an earlier cell took. Each position looked at here
    // is then covered by this cell, bar one row's worth, so spans cost what they cover.
    for (int k = 1; k < columns; ++k) {
        if (table.At(row, column + k).columnSpan != 0) {
            columns = k;
        }
    }
    for (int r = 1; r < rows; ++r) {
        for (int k = 0; k < columns; ++k) {
            if (table.At(row + r, column + k).columnSpan != 0) {
                rows = r;
            }
        }
    }
    cell.columnSpan = columns;
    cell.rowSpan = rows;
    cell.contentWidth = m_style.width;
    cell.contentHeight = 0;
    cell.fixed = m_style.width > 0 ? 1 : 0;
    return {cellRect.left, cellRect.top, cellRect.left + m_style.width, cellRect.top};
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

} // namespace tooltip
