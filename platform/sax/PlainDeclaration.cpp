#include "sax/PlainDeclaration.h"

#include "text/Ascii.h"

namespace sax {

namespace {

// Each reader below moves `at` past what it took, and only when it took it.

bool Take(std::string_view text, std::size_t& at, std::string_view expected) {
    if (text.substr(at, expected.size()) != expected) {
        return false;
    }
    at += expected.size();
    return true;
}

// Spaces and tabs only: a line break would move every later position to another line. True when
// there was at least one.
bool TakeBlanks(std::string_view text, std::size_t& at) {
    const std::size_t start = at;
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) {
        ++at;
    }
    return at > start;
}

bool TakeEquals(std::string_view text, std::size_t& at) {
    TakeBlanks(text, at);
    if (!Take(text, at, "=")) {
        return false;
    }
    TakeBlanks(text, at);
    return true;
}

// A value in single or double quotes that equals `expected`, ignoring ASCII case when asked.
bool TakeQuoted(std::string_view text, std::size_t& at, std::string_view expected,
                bool ignoreCase) {
    if (at >= text.size() || (text[at] != '"' && text[at] != '\'')) {
        return false;
    }
    const char quote = text[at];
    const std::string_view value = text.substr(at + 1, expected.size());
    const std::size_t close = at + 1 + expected.size();
    if (!(ignoreCase ? text::EqualsIgnoringAsciiCase(value, expected) : value == expected) ||
        close >= text.size() || text[close] != quote) {
        return false;
    }
    at = close + 1;
    return true;
}

// What follows the declaration must be the root element's start tag, after white space at most;
// above all not a second declaration, which expat would otherwise take for the first. Nor may it
// open with "<" and a zero byte, from which expat would guess UTF-16: it takes what is left for
// UTF-8 by itself, sparing the cost of being told.
bool RootFollows(std::string_view rest) {
    std::size_t i = 0;
    while (i < rest.size() &&
           (rest[i] == ' ' || rest[i] == '\t' || rest[i] == '\r' || rest[i] == '\n')) {
        ++i;
    }
    return i + 1 < rest.size() && rest[i] == '<' && rest[i + 1] != '?' && rest[i + 1] != '!' &&
           rest[i + 1] != '\0';
}

// The spellings nearly every service writes, recognised whole before the general reading.
std::size_t UsualDeclarationLength(std::string_view start) {
    constexpr std::string_view kHead = "<?xml version=\"1.0\" encoding=\"";
    constexpr std::string_view kTail = "\"?>";
    constexpr std::string_view kUtf8 = "utf-8";
    constexpr std::size_t kLength = kHead.size() + kUtf8.size() + kTail.size();
    if (start.size() <= kLength || start.substr(0, kHead.size()) != kHead ||
        !text::EqualsIgnoringAsciiCase(start.substr(kHead.size(), kUtf8.size()), kUtf8) ||
        start.substr(kHead.size() + kUtf8.size(), kTail.size()) != kTail) {
        return 0;
    }
    return kLength;
}

} // namespace

std::size_t PlainDeclarationLength(std::string_view start) {
    if (const std::size_t usual = UsualDeclarationLength(start);
        usual > 0 && RootFollows(start.substr(usual))) {
        return usual;
    }
    std::size_t at = 0;
    if (!Take(start, at, "<?xml") || !TakeBlanks(start, at) || !Take(start, at, "version") ||
        !TakeEquals(start, at) || !TakeQuoted(start, at, "1.0", false)) {
        return 0;
    }
    if (TakeBlanks(start, at) && Take(start, at, "encoding")) {
        if (!TakeEquals(start, at) || !TakeQuoted(start, at, "UTF-8", true)) {
            return 0;
        }
        TakeBlanks(start, at);
    }
    if (!Take(start, at, "?>") || !RootFollows(start.substr(at))) {
        return 0;
    }
    return at;
}

} // namespace sax
