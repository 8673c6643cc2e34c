#pragma once
// Stacked tabs: the tabs of a sheet wrap into rows instead of scrolling, and the row that holds the
// active tab sits next to the page, the rows above it rotated so that their order stays circular.

#include <span>
#include <vector>

namespace dialog {

// Rows of tab indexes, top row first. A row is at most `available` pixels wide unless a single tab
// is wider; tabs keep their order within and across rows before the rotation.
[[nodiscard]] std::vector<std::vector<int>> LayoutTabRows(std::span<const int> widths,
                                                          int available, int current);

} // namespace dialog
