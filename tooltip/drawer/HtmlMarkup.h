#pragma once
// Reading the tip markup: entity replacement, text runs and tags, tag names and attributes.
//
// Grammar of a prepared text (after PreprocessText):
//   text    := (run | "<<" | tag)*        "<<" is a literal "<"
//   tag     := "<" name [(" " | "=") attributes] ">"
//   name    := any characters but " ", "=" and ">"; matched exactly, so "<B>" is unknown
//   attribute := word [spaces "=" spaces value];  value := 'text' | "text" | text up to a space
// A "<" with no ">" after it is dropped; "<>" is an empty tag and the ">" stays text.

#include <cstddef>
#include <string>
#include <string_view>

namespace tooltip {

enum HtmlTagCode : int {
    TagUnknown = 0,
    TagBold = 1,
    TagItalic = 2,
    TagUnderline = 3,
    TagStrikeout = 4,
    TagFont = 5,
    TagRule = 6,
    TagBreak = 7,
    TagTab = 8,
    TagLeft = 9,
    TagCenter = 10,
    TagRight = 11,
    TagJustify = 12,
    TagBaseline = 13,
    TagTop = 14,
    TagVCenter = 15,
    TagBottom = 16,
    TagBitmap = 17,
    TagIcon = 18,
    TagImageList = 19,
    TagString = 20,
    TagSelector = 21,
    TagSpan = 22,
    TagLink = 23,
};

struct HtmlTagInfo {
    int code = TagUnknown;
    // Non-empty for a style tag, which saves the style when it opens and restores it when it
    // closes; empty for an element that acts where it stands.
    std::string_view styleName;
    bool closing = false;
};

// Replaces the entities (as UTF-8 characters), removes carriage returns and turns line feeds and
// tabs into "<br>" and "<t>".
void PreprocessText(std::string& text);

// Searches from `pos` for "<" + name (a plain prefix search). An occurrence preceded by "<" is the
// escaped form and is passed over. On success `pos` is the index of the "<"; otherwise the length.
bool FindTagStart(std::string_view text, std::string_view name, std::size_t& pos);

// Reads the text run from `pos` and the tag after it, if any; a "<<" (or a "<" at the very end)
// ends the run with a literal "<" and no tag. Returns true when a tag (possibly empty) was read;
// `pos` moves past what was read.
// `closes`, kept by the caller across the calls over one text, remembers where the last search
// for a ">" ended, so that a text of many unclosed "<" is still read in one sweep.
struct TagCloseSearch {
    std::size_t from = 0;                       // the search started here ...
    std::size_t found = std::string_view::npos; // ... and the first ">" from there is here
    bool valid = false;
};
bool NextToken(std::string_view text, std::size_t& pos, std::string& run, std::string_view& tag,
               TagCloseSearch* closes = nullptr);

void SplitTag(std::string_view tag, std::string_view& name, std::string_view& attributes);

// Reads one attribute from `cursor`; returns false once no attribute is left.
bool NextAttribute(std::string_view attributes, std::size_t& cursor, std::string_view& name,
                   std::string_view& value);

[[nodiscard]] HtmlTagInfo LookupTag(std::string_view name);

// Upper case, lower case, or lower case with each letter that starts the text or follows a space
// capitalised (the transform codes of HtmlStyle). Only ASCII letters change, so UTF-8 stays whole.
void ApplyTextTransform(std::string& text, int transform);

[[nodiscard]] constexpr bool IsAsciiAlnum(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}
[[nodiscard]] constexpr bool IsWordStart(char c) {
    return IsAsciiAlnum(c) || c == '.';
}
// Space, tab, line feed, vertical tab, form feed, carriage return.
[[nodiscard]] constexpr bool IsWhite(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

} // namespace tooltip
