#include "tooltip/drawer/HtmlMarkup.h"

#include "tooltip/drawer/HtmlStyle.h"

#include <algorithm>
#include <array>
#include <utility>

namespace tooltip {

namespace {

struct TagEntry {
    std::string_view name;
    int code;
    std::string_view styleName;
};

// Sorted by name for the binary search in LookupTag.
constexpr std::array kTags = std::to_array<TagEntry>({
    {"\t", TagTab, ""},
    {"\n", TagBreak, ""},
    {"a", TagLink, "link"},
    {"b", TagBold, "bold"},
    {"baseline", TagBaseline, "baseline"},
    {"big", TagSelector, "big"},
    {"bmp", TagBitmap, ""},
    {"body", TagSelector, "body"},
    {"bottom", TagBottom, "bottom"},
    {"br", TagBreak, ""},
    {"center", TagCenter, "center"},
    {"code", TagSelector, "code"},
    {"em", TagItalic, "italic"},
    {"font", TagFont, "font"},
    {"h1", TagSelector, "h1"},
    {"h2", TagSelector, "h2"},
    {"h3", TagSelector, "h3"},
    {"h4", TagSelector, "h4"},
    {"h5", TagSelector, "h5"},
    {"h6", TagSelector, "h6"},
    {"hr", TagRule, ""},
    {"i", TagItalic, "italic"},
    {"icon", TagIcon, ""},
    {"ilst", TagImageList, ""},
    {"justify", TagJustify, "justify"},
    {"left", TagLeft, "left"},
    {"middle", TagVCenter, "vcenter"},
    {"pre", TagSelector, "pre"},
    {"right", TagRight, "right"},
    {"s", TagStrikeout, "strikeout"},
    {"small", TagSelector, "small"},
    {"span", TagSpan, "span"},
    {"strike", TagStrikeout, "strikeout"},
    {"string", TagString, ""},
    {"sub", TagSelector, "sub"},
    {"sup", TagSelector, "sup"},
    {"t", TagTab, ""},
    {"top", TagTop, "top"},
    {"u", TagUnderline, "underline"},
    {"vcenter", TagVCenter, "vcenter"},
});

// In ascending byte order, which is also the order of replacement: "&amp;" goes first, so
// "&amp;lt;" ends as the escaped "<<". The text is UTF-8, so each entity becomes the character it
// names in UTF-8.
constexpr std::array<std::pair<std::string_view, std::string_view>, 13> kEntities{{
    {"&amp;", "&"},
    {"&bull;", "\xE2\x80\xA2"},
    {"&copy;", "\xC2\xA9"},
    {"&euro;", "\xE2\x82\xAC"},
    {"&gt;", ">"},
    {"&iquest;", "\xC2\xBF"},
    {"&lt;", "<<"},
    {"&nbsp;", " "},
    {"&para;", "\xC2\xB6"},
    {"&pound;", "\xC2\xA3"},
    {"&quot;", "\""},
    {"&reg;", "\xC2\xAE"},
    {"&trade;", "\xE2\x84\xA2"},
}};

void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
    std::size_t at = text.find(from);
    if (at == std::string::npos) {
        return;
    }
    std::string out;
    out.reserve(text.size());
    std::size_t done = 0;
    while (at != std::string::npos) {
        out.append(text, done, at - done);
        out.append(to);
        done = at + from.size();
        at = text.find(from, done);
    }
    out.append(text, done, std::string::npos);
    text.swap(out);
}

} // namespace

void PreprocessText(std::string& text) {
    if (text.find('&') != std::string::npos) {
        for (const auto& [entity, replacement] : kEntities) {
            ReplaceAll(text, entity, replacement);
        }
    }
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (const char c : text) {
        if (c == '\r') {
            continue;
        }
        if (c == '\n' || c == '\t') {
            // A "<" that ends the text before a line feed or tab is a literal "<": doubled, it
            // cannot pair with the "<" of the tag written in their place.
            const std::size_t kept = out.find_last_not_of('<');
            const std::size_t opens = out.size() - (kept == std::string::npos ? 0 : kept + 1);
            if (opens % 2 == 1) {
                out += '<';
            }
            out += c == '\n' ? "<br>" : "<t>";
        } else {
            out += c;
        }
    }
    text.swap(out);
}

namespace {

// Whether name lies in text at `at`; compared letter by letter, as names are a few letters long
// and most tags differ in the first.
bool StartsWithAt(std::string_view text, std::size_t at, std::string_view name) {
    if (text.size() - at < name.size()) {
        return false;
    }
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (text[at + i] != name[i]) {
            return false;
        }
    }
    return true;
}

} // namespace

bool FindTagStart(std::string_view text, std::string_view name, std::size_t& pos) {
    std::size_t from = pos;
    while (from < text.size()) {
        const std::size_t at = text.find('<', from);
        if (at == std::string_view::npos) {
            break;
        }
        if (at > 0 && text[at - 1] == '<') {
            // The escaped "<<": skip both characters.
            from = at + 1;
            continue;
        }
        if (StartsWithAt(text, at + 1, name)) {
            pos = at;
            return true;
        }
        from = at + 1;
    }
    pos = text.size();
    return false;
}

namespace {

// The first ">" at or after `from`; a remembered search that started no later and found nothing
// before `from` answers without scanning again.
std::size_t FindClose(std::string_view text, std::size_t from, TagCloseSearch* closes) {
    if (closes == nullptr) {
        return text.find('>', from);
    }
    if (!closes->valid || closes->from > from ||
        (closes->found != std::string_view::npos && closes->found < from)) {
        closes->from = from;
        closes->found = text.find('>', from);
        closes->valid = true;
    }
    return closes->found;
}

} // namespace

bool NextToken(std::string_view text, std::size_t& pos, std::string& run, std::string_view& tag,
               TagCloseSearch* closes) {
    run.clear();
    tag = {};
    while (pos < text.size()) {
        const std::size_t q = text.find('<', pos);
        if (q == std::string_view::npos) {
            run.append(text.substr(pos));
            pos = text.size();
            return false;
        }
        run.append(text.substr(pos, q - pos));
        if (q + 1 >= text.size() || text[q + 1] == '<') {
            // The literal "<" ends the run, so a line may break after it.
            run += '<';
            pos = std::min(q + 2, text.size());
            return false;
        }
        const std::size_t close = FindClose(text, q + 1, closes);
        if (close != std::string_view::npos && close > q + 1) {
            tag = text.substr(q + 1, close - q - 1);
            pos = close + 1;
        } else {
            pos = q + 1;
        }
        return true;
    }
    pos = std::min(pos, text.size());
    return false;
}

void SplitTag(std::string_view tag, std::string_view& name, std::string_view& attributes) {
    const std::size_t k = tag.find_first_of(" =");
    if (k == std::string_view::npos) {
        name = tag;
        attributes = {};
        return;
    }
    name = tag.substr(0, k);
    attributes = tag.substr(k);
    const std::size_t first = attributes.find_first_not_of(' ');
    attributes = first == std::string_view::npos ? std::string_view{} : attributes.substr(first);
}

bool NextAttribute(std::string_view attributes, std::size_t& cursor, std::string_view& name,
                   std::string_view& value) {
    name = {};
    value = {};
    const std::size_t n = attributes.size();
    while (cursor < n && !IsWordStart(attributes[cursor])) {
        ++cursor;
    }
    if (cursor >= n) {
        return false;
    }
    std::size_t end = attributes.find_first_of(" =", cursor);
    if (end == std::string_view::npos) {
        end = n;
    }
    name = attributes.substr(cursor, end - cursor);
    cursor = end;
    while (cursor < n && attributes[cursor] == ' ') {
        ++cursor;
    }
    if (cursor >= n || attributes[cursor] != '=') {
        return true;
    }
    while (cursor < n && (attributes[cursor] == ' ' || attributes[cursor] == '=')) {
        ++cursor;
    }
    if (cursor < n && (attributes[cursor] == '\'' || attributes[cursor] == '"')) {
        const char quote = attributes[cursor];
        const std::size_t close = attributes.find(quote, cursor + 1);
        const std::size_t stop = close == std::string_view::npos ? n : close;
        value = attributes.substr(cursor + 1, stop - cursor - 1);
        cursor = stop == n ? n : stop + 1;
        return true;
    }
    std::size_t stop = attributes.find(' ', cursor);
    if (stop == std::string_view::npos) {
        stop = n;
    }
    value = attributes.substr(cursor, stop - cursor);
    cursor = stop == n ? n : stop + 1;
    return true;
}

void ApplyTextTransform(std::string& text, int transform) {
    if (transform == TransformNone) {
        return;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        char& c = text[i];
        if (transform == TransformUpper) {
            if (c >= 'a' && c <= 'z') {
                c = static_cast<char>(c - 'a' + 'A');
            }
            continue;
        }
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
        if (transform == TransformCapitalize && c >= 'a' && c <= 'z' &&
            (i == 0 || text[i - 1] == ' ')) {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
}

HtmlTagInfo LookupTag(std::string_view name) {
    HtmlTagInfo info;
    if (!name.empty() && name.front() == '/') {
        info.closing = true;
        name.remove_prefix(1);
    }
    const auto it =
        std::lower_bound(kTags.begin(), kTags.end(), name,
                         [](const TagEntry& e, std::string_view n) { return e.name < n; });
    if (it != kTags.end() && it->name == name) {
        info.code = it->code;
        info.styleName = it->styleName;
    }
    return info;
}

} // namespace tooltip
