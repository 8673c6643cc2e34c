// Tables in the flow: where a table ends, so the flow layout can cut it out of the text.

#include "tooltip/drawer/CHtmlDrawer.h"

#include "tooltip/drawer/HtmlMarkup.h"

namespace tooltip {

// The index of the "<" of the "</table" that closes the table opening at p; the text length less 8
// when none does.
std::size_t CHtmlDrawer::FindTableEnd(std::size_t p) const {
    const std::string_view text = m_text;
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
        // Stop when the table is closed or when neither tag is left. Equal positions alone do
        // not mean that: an empty inner table ("<table></table>") leaves a just past its
        // opening tag, where b has found its closing one.
        if (depth == 0 || (a >= text.size() && b >= text.size())) {
            break;
        }
    }
    return b >= 8 ? b - 8 : 0;
}

HtmlSize CHtmlDrawer::LayoutTable(std::string_view /*tableText*/, const HtmlRect& /*rect*/) {
    // Tables are not laid out yet: a table takes no room and draws nothing. Still to come: the
    // grid count, cell measuring, column and row settling, stretching, backgrounds and frames.
    return {};
}

} // namespace tooltip
