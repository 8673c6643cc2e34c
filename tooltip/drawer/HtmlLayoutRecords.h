#pragma once
// The plain records that the Measure pass writes and the Draw pass and hit testing read.

#include "tooltip/drawer/HtmlSharedText.h"

#include <string>
#include <vector>

namespace tooltip {

struct HtmlSize {
    int cx = 0;
    int cy = 0;
    friend bool operator==(const HtmlSize&, const HtmlSize&) = default;
};

struct HtmlPoint {
    int x = 0;
    int y = 0;
};

struct HtmlRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// One laid-out line.
struct HtmlLine {
    int width = 0;      // content from the block's left edge to the end of the last piece
    int height = 0;     // tallest ascent or object plus the deepest descent
    int descent = 0;    // deepest part of a text piece below its font's ascent
    int percent = 0;    // sum of rule widths given in percent
    int alignment = 0;  // text align of the line
    int breakCount = 0; // spaces on the line, for justification
    int wrapped = 0;    // 1 when the line ended because the next content did not fit
    friend bool operator==(const HtmlLine&, const HtmlLine&) = default;
};

// A rectangle of a link; it includes its right and bottom edges.
struct HtmlHotArea {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int linkKind = 0;
    int linkNumber = 0;
    HtmlSharedText linkTarget; // shared with the style, not copied for every area
};

// Settings of the soft shadow under pictures.
struct HtmlImageShadow {
    int gradient = 1;
    int offsetX = 4;
    int offsetY = 4;
    int depthX = 7;
    int depthY = 7;
    int darkness = 50;
    unsigned colour = 0x808080;
};

// One position of a table's grid. Spans are -1 where a spanning cell covers the position and 0
// where no cell took it.
struct HtmlCell {
    int columnSpan = 0;
    int rowSpan = 0;
    int contentWidth = 0;
    int contentHeight = 0;
    int outerWidth = 0;
    int outerHeight = 0;
    int fixed = 0;
    friend bool operator==(const HtmlCell&, const HtmlCell&) = default;
};

// A table as the Measure pass settled it; Draw passes stretch its columns.
struct HtmlTable {
    int columns = 0;
    int rows = 0;
    std::vector<HtmlCell> grid; // rows x columns, row by row
    std::vector<int> columnWidths;
    std::vector<int> rowHeights;
    std::vector<int> fixedColumns;

    HtmlTable() = default;
    HtmlTable(int columnCount, int rowCount)
        : columns(columnCount), rows(rowCount),
          grid(static_cast<std::size_t>(columnCount) * static_cast<std::size_t>(rowCount)),
          columnWidths(static_cast<std::size_t>(columnCount)),
          rowHeights(static_cast<std::size_t>(rowCount)),
          fixedColumns(static_cast<std::size_t>(columnCount)) {}
    [[nodiscard]] HtmlCell& At(int row, int column) {
        return grid[static_cast<std::size_t>(row) * static_cast<std::size_t>(columns) +
                    static_cast<std::size_t>(column)];
    }
};

// One animated image strip.
struct HtmlAnimation {
    int frame = 0;
    int frameCount = 0;
    int tick = 0;
    int ticksPerFrame = 0;
};

} // namespace tooltip
