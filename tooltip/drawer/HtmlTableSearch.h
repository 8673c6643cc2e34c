#pragma once
// Helpers the table code shares. Each search either continues from where the last one stopped
// or is cut at a limit already known (the row's or cell's end), so that laying a table out scans
// each part of its text a bounded number of times.

#include "tooltip/drawer/HtmlMarkup.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

namespace tooltip::tables {

// The "<" of the next tag `name` from `from`; the text's length when there is none.
inline std::size_t FindFrom(std::string_view text, std::string_view name, std::size_t from) {
    std::size_t at = from;
    FindTagStart(text, name, at);
    return at;
}

// Like FindFrom, but only looks before `limit` (a tag found there starts before it); the text's
// length when there is none.
inline std::size_t FindBefore(std::string_view text, std::string_view name, std::size_t from,
                              std::size_t limit) {
    const std::string_view head = text.substr(0, std::min(limit, text.size()));
    std::size_t at = from;
    return FindTagStart(head, name, at) ? at : text.size();
}

// Where the text after a table's, row's or cell's own tag starts.
inline std::size_t AfterFirstTag(std::string_view text) {
    std::size_t pos = 0;
    std::string run;
    std::string_view tag;
    static_cast<void>(NextToken(text, pos, run, tag));
    return pos;
}

// Walks the cells of one row: each "<td" that comes before the row's next "</tr". The "</tr" is
// searched again only once the walk has passed it (a cell may hold a nested table whose rows end
// before the outer row does).
class RowCells {
public:
    explicit RowCells(std::string_view rowText) : m_text(rowText) {}
    // The "<" of the next cell's "<td" from p; the text's length when the row has no more.
    std::size_t Next(std::size_t p) {
        if (!m_searched || m_end < p) {
            m_end = FindFrom(m_text, "/tr", p);
            m_searched = true;
        }
        const std::size_t cell = FindBefore(m_text, "td", p, m_end);
        return cell < m_end ? cell : m_text.size();
    }

private:
    std::string_view m_text;
    std::size_t m_end = 0;
    bool m_searched = false;
};

// Spacing, rows or columns less one, and every size with its spacing.
inline long long GridExtent(const std::vector<int>& sizes, int spacing) {
    long long extent = spacing + std::max<long long>(0, static_cast<long long>(sizes.size()) - 1);
    for (const int size : sizes) {
        extent += static_cast<long long>(size) + spacing;
    }
    return extent;
}

} // namespace tooltip::tables
