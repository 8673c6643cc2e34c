#pragma once
// UTF-8 is this build's narrow code page: the windows, the settings store and the tip markup hold
// UTF-8, the web service holds UTF-16. Malformed input never fails a conversion: each bad sequence
// (or lone surrogate) becomes U+FFFD, so no text is silently dropped.

#include <string>
#include <string_view>

namespace text {

[[nodiscard]] std::u16string Utf8ToUtf16(std::string_view utf8);
[[nodiscard]] std::string Utf16ToUtf8(std::u16string_view utf16);

// Appends the UTF-8 form of one code point (U+FFFD for a surrogate or a value past U+10FFFF).
void AppendUtf8(std::string& out, char32_t codePoint);

// Decodes the code point at `pos`, advancing `pos` past it; a malformed sequence yields U+FFFD and
// advances by one byte.
[[nodiscard]] char32_t DecodeUtf8(std::string_view utf8, std::size_t& pos);

// Length in bytes of the sequence that starts with `lead` (1 for a byte that cannot start one).
[[nodiscard]] std::size_t Utf8SequenceLength(unsigned char lead);

} // namespace text
