#pragma once
// ASCII-only character rules for protocol text (header names, URL schemes, hex sizes), which must
// not depend on the locale.

#include <cstdint>
#include <cstring>
#include <string_view>

namespace text {

[[nodiscard]] constexpr char AsciiUpper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// Every byte in upper case, for loops that would otherwise compare and branch per byte.
inline constexpr auto kAsciiUpperTable = [] {
    struct Table {
        char upper[256];
    } table{};
    for (int i = 0; i < 256; ++i) {
        table.upper[i] = AsciiUpper(static_cast<char>(i));
    }
    return table;
}();

[[nodiscard]] constexpr char AsciiUpperByTable(char c) {
    return kAsciiUpperTable.upper[static_cast<unsigned char>(c)];
}

[[nodiscard]] constexpr char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

[[nodiscard]] constexpr bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    // The same spelling is the usual case, and one compare settles it.
    if (a == b) {
        return true;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiUpper(a[i]) != AsciiUpper(b[i])) {
            return false;
        }
    }
    return true;
}

// The value of one hexadecimal digit, or -1 for any other character.
[[nodiscard]] constexpr int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

[[nodiscard]] constexpr bool IsAsciiControl(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u < 0x20 || u == 0x7F;
}

// The index of the first control character (below 0x20, or DEL) at or after `from`, or npos.
// Protocol lines are nearly always clean, so eight bytes are tested at a time: a word holds a byte
// below 0x20 exactly when (w - 0x20..20) & ~w & 0x80..80 is not zero, and a DEL exactly when
// w ^ 0x7F..7F holds a zero byte.
[[nodiscard]] inline std::size_t FindAsciiControl(std::string_view text, std::size_t from = 0) {
    constexpr std::uint64_t kOnes = 0x0101010101010101u;
    constexpr std::uint64_t kHighs = 0x8080808080808080u;
    std::size_t i = from;
    for (; i + 8 <= text.size(); i += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, text.data() + i, 8);
        const std::uint64_t del = word ^ (kOnes * 0x7F);
        if ((((word - kOnes * 0x20) & ~word) | ((del - kOnes) & ~del)) & kHighs) {
            break;
        }
    }
    for (; i < text.size(); ++i) {
        if (IsAsciiControl(text[i])) {
            return i;
        }
    }
    return std::string_view::npos;
}

} // namespace text
