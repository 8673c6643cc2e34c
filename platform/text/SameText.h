#pragma once
// Equality of UTF-16 texts compared as bytes: the standard comparison of char16_t strings walks
// them one unit at a time, which shows on the namespace URIs checked for every element.

#include <cstring>
#include <string_view>

namespace text {

[[nodiscard]] inline bool SameText(std::u16string_view a, std::u16string_view b) {
    return a.size() == b.size() &&
           (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(char16_t)) == 0);
}

} // namespace text
