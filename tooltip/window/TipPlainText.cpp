#include "tooltip/window/TipPlainText.h"

#include "tooltip/drawer/HtmlMarkup.h"

#include <algorithm>
#include <cctype>

namespace tooltip {

namespace {

// The tag's name in lower case ("br" of "<br count=2>", "/b" of "</b>").
std::string TagName(std::string_view tag) {
    const std::size_t end = tag.find_first_of(" \t\r\n=");
    std::string name(tag.substr(0, end));
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return name;
}

void AppendTag(std::string& out, std::string_view tag) {
    const std::string name = TagName(tag);
    if (name == "br" || name == "/br" || name == "hr") {
        out += '\n';
    } else if (name == "t") {
        out += ' ';
    }
}

} // namespace

std::string TipPlainText(std::string_view text) {
    // The drawer's own reading of entities, line feeds and tabs, so the words match the tip's.
    std::string prepared(text);
    PreprocessText(prepared);
    const std::string_view markup = prepared;
    std::string out;
    std::size_t pos = 0;
    while (pos < markup.size()) {
        const char c = markup[pos];
        if (c == '<') {
            // "<<" is a literal "<", and so is a "<" that ends the text, as the drawer shows it.
            if (pos + 1 == markup.size() || markup[pos + 1] == '<') {
                out += '<';
                pos += 2;
                continue;
            }
            const std::size_t close = markup.find('>', pos + 1);
            if (close == std::string_view::npos) {
                break; // an unclosed tag shows nothing
            }
            AppendTag(out, markup.substr(pos + 1, close - pos - 1));
            pos = close + 1;
            continue;
        }
        out += c;
        ++pos;
    }
    return out;
}

} // namespace tooltip
