// Tables, the grid: where a table, a row and a cell end, and how many rows and columns a table
// has. The grid count walks rows and cells exactly as the layout does, so the two never disagree
// about which cell is which; the grid is bounded in size, per table and across all tables.

#include "tooltip/drawer/CHtmlDrawer.h"

#include "tooltip/drawer/HtmlMarkup.h"
#include "tooltip/drawer/HtmlTableSearch.h"

#include <algorithm>

namespace tooltip {

using tables::FindBefore;
using tables::FindFrom;

namespace {

constexpr int kMaxTableColumns = 1000;
constexpr int kMaxTableRows = 1000;
constexpr long long kMaxTableCells = 100000;

// The column span a cell's tag asks for (the last "colspan" wins), at least 1.
int CellColumnSpan(const CHtmlStyleSheet& styles, std::string_view rowText, std::size_t cell) {
    std::size_t pos = cell;
    std::string run;
    std::string_view tag;
    std::string_view name;
    std::string_view attributes;
    static_cast<void>(NextToken(rowText, pos, run, tag));
    SplitTag(tag, name, attributes);
    std::size_t cursor = 0;
    std::string_view attribute;
    std::string_view value;
    int span = 1;
    while (NextAttribute(attributes, cursor, attribute, value)) {
        if (attribute == "colspan") {
            span = styles.ParseLength(1, value, false);
        }
    }
    return std::clamp(span, 1, kMaxTableColumns);
}

} // namespace

std::size_t CHtmlDrawer::FindTableEnd(std::string_view text, std::size_t p) {
    int depth = 1;
    std::size_t a = p + 7;
    std::size_t b = p + 7;
    bool closerFound = false;
    while (true) {
        if (!closerFound) {
            FindTagStart(text, "/table", b);
            closerFound = true;
        }
        // Only tables opening before the next closer matter: the search for them stops there,
        // and the next one continues from where this one stopped.
        const std::size_t opener = FindBefore(text, "table", std::min(a, b), b);
        if (opener < b) {
            ++depth;
            a = opener + 7;
            continue;
        }
        if (b >= text.size()) {
            return text.size(); // a table without its end runs to the end of the text
        }
        --depth;
        b += 8;
        a = b;
        closerFound = false;
        if (depth == 0) {
            return b - 8;
        }
    }
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
    std::size_t end = 0;
    while (p < text.size()) {
        // The "</td" found stays valid while it lies ahead: nested tables skipped before it do
        // not move it.
        if (end < p) {
            end = FindFrom(text, "/td", p);
        }
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
    std::size_t q = tables::AfterFirstTag(text);
    while (q < text.size() && rows < kMaxTableRows) {
        std::size_t s = q;
        if (!FindTagStart(text, "tr", s)) {
            break;
        }
        const std::size_t e = FindRowEnd(text, s);
        const std::string_view rowText = text.substr(s, e - s);
        ++rows;
        long long cells = 0;
        tables::RowCells walk(rowText);
        std::size_t p = tables::AfterFirstTag(rowText);
        while (p < rowText.size() && cells < kMaxTableColumns) {
            const std::size_t cell = walk.Next(p);
            if (cell >= rowText.size()) {
                break;
            }
            cells += CellColumnSpan(m_styles, rowText, cell);
            p = FindCellEnd(rowText, cell);
        }
        columns = std::max(columns, std::min<long long>(cells, kMaxTableColumns));
        q = e + 5;
    }
    return {static_cast<int>(columns), rows};
}

// The grid's positions are taken from a budget shared by all tables of the text (in proportion
// to its length), so no text can make the tables' records outgrow it.
HtmlSize CHtmlDrawer::ReserveGrid(HtmlSize grid) {
    long long columns = grid.cx;
    if (grid.cy > 0) {
        columns = std::min(columns, std::min(kMaxTableCells, m_gridBudget) / grid.cy);
    }
    m_gridBudget -= columns * grid.cy;
    return {static_cast<int>(columns), grid.cy};
}

} // namespace tooltip
