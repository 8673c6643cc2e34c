#pragma once
// Small text helpers the parts of the HTTP client share: header white space, control characters,
// and wire text made fit to show in a reason line.

#include "text/Ascii.h"

#include <string>
#include <string_view>

namespace httptext {

inline bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}
inline bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
inline bool HasControl(std::string_view part) {
    return text::FindAsciiControl(part) != std::string_view::npos;
}
// Without leading and trailing white space (CR and LF included).
std::string_view Trim(std::string_view text);
// A text from the wire, fit to show on one line: control characters as "\xNN".
std::string Printable(std::string_view text);

} // namespace httptext
