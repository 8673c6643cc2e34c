#pragma once
// Automation strings: length-prefixed UTF-16 strings. The pointer addresses the first code unit; the
// byte length sits in the four bytes before it and a terminating zero follows the text, so a string
// may hold embedded zeros. A null pointer is an absent value and reads as length 0.

#include <cstdint>
#include <string_view>

using OLECHAR = char16_t;
using BSTR = OLECHAR*;

// Returns a new string holding `length` code units copied from `text` (left uninitialised apart
// from the terminator when `text` is null), or null when memory runs out or the length is too big.
[[nodiscard]] BSTR SysAllocStringLen(const OLECHAR* text, std::uint32_t length);
// Copies a zero-terminated string; null for a null argument.
[[nodiscard]] BSTR SysAllocString(const OLECHAR* text);
void SysFreeString(BSTR text);
[[nodiscard]] std::uint32_t SysStringLen(const OLECHAR* text);
[[nodiscard]] std::uint32_t SysStringByteLen(const OLECHAR* text);

// The text of a string as a view; empty for null.
[[nodiscard]] std::u16string_view BstrView(const OLECHAR* text);
