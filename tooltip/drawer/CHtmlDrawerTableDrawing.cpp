// Tables, drawing: stretching a table to the width it is given, where each cell lies, and the
// backgrounds, pictures and frames of tables and cells.

#include "tooltip/drawer/CHtmlDrawer.h"

#include "tooltip/drawer/HtmlArithmetic.h"
#include "tooltip/drawer/HtmlMarkup.h"
#include "tooltip/drawer/HtmlTableSearch.h"

#include <algorithm>

namespace tooltip {

using tables::GridExtent;

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

// The inside of the table's frame and the sums of the column widths and row heights before each
// column and row, so that placing a cell costs the same whatever its place in the grid.
CHtmlDrawer::TableGeometry CHtmlDrawer::MakeTableGeometry(const HtmlTable& table,
                                                          const HtmlRect& tableRect) const {
    const int border = m_style.borderStyle == FrameDouble ? 3 : m_style.borderWidth;
    TableGeometry geometry;
    geometry.inner = {tableRect.left + border, tableRect.top + border, tableRect.right - border,
                      tableRect.bottom - border};
    geometry.widthBefore.assign(table.columnWidths.size() + 1, 0);
    for (std::size_t c = 0; c < table.columnWidths.size(); ++c) {
        geometry.widthBefore[c + 1] = geometry.widthBefore[c] + table.columnWidths[c];
    }
    geometry.heightBefore.assign(table.rowHeights.size() + 1, 0);
    for (std::size_t r = 0; r < table.rowHeights.size(); ++r) {
        geometry.heightBefore[r + 1] = geometry.heightBefore[r] + table.rowHeights[r];
    }
    return geometry;
}

HtmlRect CHtmlDrawer::CellRectangle(HtmlTable& table, const TableGeometry& geometry, int row,
                                    int column, int spacing) {
    const HtmlCell& cell = table.At(row, column);
    const int columnSpan = std::clamp(cell.columnSpan, 1, table.columns - column);
    const int rowSpan = std::clamp(cell.rowSpan, 1, table.rows - row);
    const long long step = static_cast<long long>(spacing) + 1;
    const auto& widths = geometry.widthBefore;
    const auto& heights = geometry.heightBefore;
    const auto c = static_cast<std::size_t>(column);
    const auto r = static_cast<std::size_t>(row);
    const long long left = geometry.inner.left + spacing + widths[c] + column * step;
    const long long right = left + widths[c + static_cast<std::size_t>(columnSpan)] - widths[c] +
                            (columnSpan - 1) * step;
    const long long top = geometry.inner.top + spacing + heights[r] + row * step;
    const long long bottom =
        top + heights[r + static_cast<std::size_t>(rowSpan)] - heights[r] + (rowSpan - 1) * step;
    return {ClampCoordinate(left), ClampCoordinate(top), ClampCoordinate(right),
            ClampCoordinate(bottom)};
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

// Fills and frames the cell; its content lies inside frame and padding, placed by the vertical
// align.
HtmlRect CHtmlDrawer::DrawCellBox(int row, int column, const HtmlRect& cellRect, std::size_t index,
                                  int pad) {
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

void CHtmlDrawer::DrawTableBackgroundImage(const HtmlRect& rect, std::string_view description) {
    if (description.size() <= 5) {
        return;
    }
    const CHtmlStyleSheet::Declaration picture = CHtmlStyleSheet::FirstDeclaration(description);
    HtmlImageParams params;
    if (picture.name == "idres") {
        params.idres = m_styles.ParseLength(0, picture.value, false);
    } else if (picture.name == "file") {
        params.file = picture.value;
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
