#include "webservice/soap/SoapValueText.h"

#include "text/Ascii.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace soap {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";
constexpr char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

bool IsHigh(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLow(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}
bool IsXmlSpace(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

std::u16string_view Trim(std::u16string_view text) {
    while (!text.empty() && IsXmlSpace(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsXmlSpace(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// Copies ASCII text into a small narrow buffer; false for anything else or anything too long.
bool ToAscii(std::u16string_view text, char* buffer, std::size_t capacity, std::size_t& length) {
    if (text.size() >= capacity) {
        return false;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] > 0x7E) {
            return false;
        }
        buffer[i] = static_cast<char>(text[i]);
    }
    length = text.size();
    return true;
}

void AppendReference(std::string& out, std::uint32_t value, int digits) {
    char buffer[16];
    const int n = std::snprintf(buffer, sizeof buffer, "&#x%0*X;", digits, value);
    out.append(buffer, static_cast<std::size_t>(n));
}

} // namespace

bool XmlCanCarry(std::u16string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c < 0x20 ? c != u'\t' && c != u'\n' && c != u'\r' : c >= 0xFFFE || IsLow(c)) {
            return false;
        }
        if (IsHigh(c)) {
            if (i + 1 == text.size() || !IsLow(text[i + 1])) {
                return false;
            }
            ++i;
        }
    }
    return true;
}

std::size_t EscapedLength(std::u16string_view text) {
    std::size_t length = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c == u'&') {
            length += 5;
        } else if (c == u'<' || c == u'>') {
            length += 4;
        } else if (c >= 32 && c <= 126) {
            length += 1;
        } else if (IsHigh(c) && i + 1 < text.size() && IsLow(text[i + 1])) {
            length += 10; // "&#x" six digits ";"
            ++i;
        } else {
            length += 8; // "&#x" four digits ";"
        }
    }
    return length;
}

void AppendEscaped(std::string& out, std::u16string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c == u'&') {
            out += "&amp;";
        } else if (c == u'<') {
            out += "&lt;";
        } else if (c == u'>') {
            out += "&gt;";
        } else if (c >= 32 && c <= 126) {
            out.push_back(static_cast<char>(c));
        } else if (IsHigh(c) && i + 1 < text.size() && IsLow(text[i + 1])) {
            const std::uint32_t cp = 0x10000u + ((static_cast<std::uint32_t>(c) - 0xD800u) << 10) +
                                     (static_cast<std::uint32_t>(text[i + 1]) - 0xDC00u);
            AppendReference(out, cp, 6);
            ++i;
        } else {
            AppendReference(out, c, 4);
        }
    }
}

void AppendDouble(std::string& out, double value) {
    if (std::isnan(value)) {
        out += "NaN";
        return;
    }
    if (std::isinf(value)) {
        out += value < 0 ? "-INF" : "INF";
        return;
    }
    if (value == 0 && std::signbit(value)) {
        out += "-0";
        return;
    }
    // 512 significant digits give the exact decimal value of the binary number; to_chars does not
    // depend on the locale's decimal point.
    char buffer[640];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 512);
    std::string_view text(buffer, static_cast<std::size_t>(result.ptr - buffer));
    const std::size_t exponent = text.find('e');
    std::string_view mantissa = text.substr(0, exponent);
    const std::string_view tail = exponent == std::string_view::npos ? "" : text.substr(exponent);
    if (mantissa.find('.') != std::string_view::npos) {
        while (mantissa.back() == '0') {
            mantissa.remove_suffix(1);
        }
        if (mantissa.back() == '.') {
            mantissa.remove_suffix(1);
        }
    }
    out.append(mantissa);
    out.append(tail);
}

void AppendHex(std::string& out, const std::uint8_t* bytes, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        out.push_back(kHexDigits[bytes[i] >> 4]);
        out.push_back(kHexDigits[bytes[i] & 0xF]);
    }
}

void AppendBase64(std::string& out, const std::uint8_t* bytes, std::size_t size) {
    std::size_t i = 0;
    int groups = 0;
    for (; i + 3 <= size; i += 3) {
        const std::uint32_t v =
            (std::uint32_t{bytes[i]} << 16) | (std::uint32_t{bytes[i + 1]} << 8) | bytes[i + 2];
        out.push_back(kBase64[(v >> 18) & 63]);
        out.push_back(kBase64[(v >> 12) & 63]);
        out.push_back(kBase64[(v >> 6) & 63]);
        out.push_back(kBase64[v & 63]);
        if (++groups == 19) {
            out += "\r\n";
            groups = 0;
        }
    }
    if (i < size) {
        const bool two = i + 1 < size;
        const std::uint32_t v =
            (std::uint32_t{bytes[i]} << 16) | (two ? std::uint32_t{bytes[i + 1]} << 8 : 0u);
        out.push_back(kBase64[(v >> 18) & 63]);
        out.push_back(kBase64[(v >> 12) & 63]);
        out.push_back(two ? kBase64[(v >> 6) & 63] : '=');
        out.push_back('=');
    }
}

bool ParseBoolean(std::u16string_view text, bool& value) {
    if (text == u"true" || text == u"1") {
        value = true;
        return true;
    }
    if (text == u"false" || text == u"0") {
        value = false;
        return true;
    }
    return false;
}

bool ParseDouble(std::u16string_view text, double& value) {
    if (text == u"INF" || text == u"-INF" || text == u"NaN") {
        value = text == u"NaN"   ? std::numeric_limits<double>::quiet_NaN()
                : text == u"INF" ? std::numeric_limits<double>::infinity()
                                 : -std::numeric_limits<double>::infinity();
        return true;
    }
    text = Trim(text);
    char buffer[1100];
    std::size_t length = 0;
    if (!ToAscii(text, buffer, sizeof buffer, length) || length == 0) {
        return false;
    }
    // Only the characters of a decimal number: from_chars alone would also take "inf" and "nan".
    for (std::size_t i = 0; i < length; ++i) {
        const char c = buffer[i];
        if (!((c >= '0' && c <= '9') || c == '.' || c == 'e' || c == 'E' || c == '+' || c == '-')) {
            return false;
        }
    }
    const char* begin = buffer;
    if (*begin == '+' && length > 1 && begin[1] != '-' && begin[1] != '+') {
        ++begin;
    }
    double parsed = 0;
    const auto result = std::from_chars(begin, buffer + length, parsed);
    if (result.ec != std::errc() || result.ptr != buffer + length || !std::isfinite(parsed)) {
        return false;
    }
    value = parsed;
    return true;
}

bool ParseFloat(std::u16string_view text, float& value) {
    double wide = 0;
    if (!ParseDouble(text, wide)) {
        return false;
    }
    if (std::isfinite(wide)) {
        const auto narrow = static_cast<float>(wide);
        if (std::isinf(narrow) || (narrow == 0 && wide != 0)) {
            return false;
        }
        value = narrow;
        return true;
    }
    value = static_cast<float>(wide);
    return true;
}

namespace {

// The digits of an integer after trimming, with its sign taken off.
bool SplitInteger(std::u16string_view text, char* digits, std::size_t& length, bool& negative) {
    text = Trim(text);
    negative = false;
    if (!text.empty() && (text.front() == u'-' || text.front() == u'+')) {
        negative = text.front() == u'-';
        text.remove_prefix(1);
    }
    // Leading zeros do not change the number, however many there are.
    while (text.size() > 1 && text.front() == u'0') {
        text.remove_prefix(1);
    }
    if (!ToAscii(text, digits, 64, length) || length == 0) {
        return false;
    }
    for (std::size_t i = 0; i < length; ++i) {
        if (digits[i] < '0' || digits[i] > '9') {
            return false;
        }
    }
    return true;
}

} // namespace

bool ParseSigned(std::u16string_view text, std::int64_t minimum, std::int64_t maximum,
                 std::int64_t& value) {
    char digits[64];
    std::size_t length = 0;
    bool negative = false;
    if (!SplitInteger(text, digits, length, negative)) {
        return false;
    }
    std::uint64_t magnitude = 0;
    const auto result = std::from_chars(digits, digits + length, magnitude);
    if (result.ec != std::errc()) {
        return false;
    }
    const std::uint64_t limit =
        negative ? 0u - static_cast<std::uint64_t>(minimum) : static_cast<std::uint64_t>(maximum);
    if ((negative && minimum >= 0 && magnitude != 0) || magnitude > limit) {
        return false;
    }
    value =
        negative ? static_cast<std::int64_t>(0u - magnitude) : static_cast<std::int64_t>(magnitude);
    return true;
}

bool ParseUnsigned(std::u16string_view text, std::uint64_t maximum, std::uint64_t& value) {
    char digits[64];
    std::size_t length = 0;
    bool negative = false;
    if (!SplitInteger(text, digits, length, negative)) {
        return false;
    }
    std::uint64_t parsed = 0;
    const auto result = std::from_chars(digits, digits + length, parsed);
    // "-0" is zero; any other negative value is refused rather than wrapped.
    if (result.ec != std::errc() || parsed > maximum || (negative && parsed != 0)) {
        return false;
    }
    value = parsed;
    return true;
}

bool DecodeHex(std::string_view text, std::vector<std::uint8_t>& bytes) {
    if (text.size() % 2 != 0) {
        return false;
    }
    constexpr auto digit = text::HexDigitValue;
    bytes.clear();
    bytes.reserve(text.size() / 2);
    for (std::size_t i = 0; i < text.size(); i += 2) {
        const int hi = digit(text[i]);
        const int lo = digit(text[i + 1]);
        if (hi < 0 || lo < 0) {
            bytes.clear();
            return false;
        }
        bytes.push_back(static_cast<std::uint8_t>(hi * 16 + lo));
    }
    return true;
}

bool DecodeBase64(std::string_view text, std::vector<std::uint8_t>& bytes) {
    bytes.clear();
    bytes.reserve(text.size() / 4 * 3 + 3);
    std::uint32_t accumulator = 0;
    int bits = 0;
    for (const char c : text) {
        int v = -1;
        if (c >= 'A' && c <= 'Z') {
            v = c - 'A';
        } else if (c >= 'a' && c <= 'z') {
            v = c - 'a' + 26;
        } else if (c >= '0' && c <= '9') {
            v = c - '0' + 52;
        } else if (c == '+') {
            v = 62;
        } else if (c == '/') {
            v = 63;
        } else if (c == '=') {
            break;
        }
        if (v < 0) {
            continue;
        }
        accumulator = (accumulator << 6) | static_cast<std::uint32_t>(v);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            bytes.push_back(static_cast<std::uint8_t>((accumulator >> bits) & 0xFF));
        }
    }
    return true;
}

} // namespace soap
