#pragma once
// The XML text forms of SOAP values, both ways: escaping of UTF-16 text into ASCII with character
// references, decimal integers, floating point, hexBinary and base64Binary, and the conversions of
// element text back into values.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace soap {

// False when `text` holds a character that XML 1.0 cannot carry, not even as a reference: a C0
// control other than tab, line feed and carriage return, a surrogate out of its pair, U+FFFE or
// U+FFFF.
[[nodiscard]] bool XmlCanCarry(std::u16string_view text);
// Length of the escaped form of `text` (equal to text.size() when nothing needs escaping).
[[nodiscard]] std::size_t EscapedLength(std::u16string_view text);
// Appends the escaped form: "&", "<", ">" as entities, printable ASCII as is, everything else as a
// hexadecimal character reference (a surrogate pair as one code point of six digits).
void AppendEscaped(std::string& out, std::u16string_view text);

// Appends "NaN", "INF", "-INF", "-0", or the exact decimal value with trailing zeros dropped.
void AppendDouble(std::string& out, double value);
void AppendHex(std::string& out, const std::uint8_t* bytes, std::size_t size);
// Standard alphabet with padding; CR LF after every 76 characters of complete groups.
void AppendBase64(std::string& out, const std::uint8_t* bytes, std::size_t size);

// Text to value. XML white space around numbers is allowed; nothing else is.
[[nodiscard]] bool ParseBoolean(std::u16string_view text, bool& value);
// Accepts "INF", "-INF", "NaN" and decimal numbers; refuses overflow, underflow and infinity.
[[nodiscard]] bool ParseDouble(std::u16string_view text, double& value);
[[nodiscard]] bool ParseFloat(std::u16string_view text, float& value);
[[nodiscard]] bool ParseSigned(std::u16string_view text, std::int64_t minimum, std::int64_t maximum,
                               std::int64_t& value);
[[nodiscard]] bool ParseUnsigned(std::u16string_view text, std::uint64_t maximum,
                                 std::uint64_t& value);
// Binary decoders; false for text that cannot be decoded.
[[nodiscard]] bool DecodeHex(std::string_view text, std::vector<std::uint8_t>& bytes);
// Characters outside the alphabet are passed over.
[[nodiscard]] bool DecodeBase64(std::string_view text, std::vector<std::uint8_t>& bytes);

} // namespace soap
