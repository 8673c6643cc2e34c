#include "dialog/TabRows.h"

#include <algorithm>

namespace dialog {

std::vector<std::vector<int>> LayoutTabRows(std::span<const int> widths, int available,
                                            int current) {
    std::vector<std::vector<int>> rows;
    int rowWidth = 0;
    for (int index = 0; index < static_cast<int>(widths.size()); ++index) {
        const int width = widths[static_cast<std::size_t>(index)];
        if (rows.empty() || (rowWidth + width > available && !rows.back().empty())) {
            rows.emplace_back();
            rowWidth = 0;
        }
        rows.back().push_back(index);
        rowWidth += width;
    }
    const auto holdsCurrent = [current](const std::vector<int>& row) {
        return std::find(row.begin(), row.end(), current) != row.end();
    };
    const auto currentRow = std::find_if(rows.begin(), rows.end(), holdsCurrent);
    if (currentRow != rows.end()) {
        std::rotate(rows.begin(), currentRow + 1, rows.end());
    }
    return rows;
}

} // namespace dialog
