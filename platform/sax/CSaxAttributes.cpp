#include "sax/CSaxAttributes.h"

#include <cstdint>
#include <cstring>

namespace sax {

// UTF-8 never needs more UTF-16 code units than it has bytes, so the room is made once and the
// text written straight into it; ASCII, nearly all of a SOAP document, takes the short path.
void AppendUtf16(std::u16string& out, const char* utf8, std::size_t length) {
    const std::size_t start = out.size();
    out.resize(start + length);
    char16_t* target = out.data() + start;
    const auto* p = reinterpret_cast<const unsigned char*>(utf8);
    const auto* end = p + length;
    while (p < end) {
        // Eight ASCII bytes at a time while there are that many, widened from a copy: read
        // straight from the input, whose bytes may alias anything, they would go one by one.
        unsigned char bytes[8];
        while (end - p >= 8) {
            std::memcpy(bytes, p, 8);
            std::uint64_t word = 0;
            std::memcpy(&word, bytes, 8);
            if ((word & 0x8080808080808080u) != 0) {
                break;
            }
            for (int i = 0; i < 8; ++i) {
                target[i] = static_cast<char16_t>(bytes[i]);
            }
            p += 8;
            target += 8;
        }
        if (p == end) {
            break;
        }
        const unsigned char lead = *p;
        if (lead < 0x80) {
            *target++ = static_cast<char16_t>(lead);
            ++p;
            continue;
        }
        char32_t cp = 0;
        int extra = 0;
        if (lead >= 0xF0) {
            cp = lead & 0x07u;
            extra = 3;
        } else if (lead >= 0xE0) {
            cp = lead & 0x0Fu;
            extra = 2;
        } else {
            cp = lead & 0x1Fu;
            extra = 1;
        }
        if (end - p <= extra) {
            // Expat hands over complete sequences; a cut one cannot be decoded.
            *target++ = u'\uFFFD';
            break;
        }
        for (int i = 1; i <= extra; ++i) {
            cp = (cp << 6) | (p[i] & 0x3Fu);
        }
        p += extra + 1;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            *target++ = static_cast<char16_t>(0xD800 + (cp >> 10));
            *target++ = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            *target++ = static_cast<char16_t>(cp);
        }
    }
    const auto written = static_cast<std::size_t>(target - out.data());
    if (written != out.size()) {
        out.resize(written);
    }
}

void CSaxAttributes::Add(std::string_view uri, const QualifiedName& name, const char* value) {
    Item item;
    item.uri.offset = m_text.size();
    AppendUtf16(m_text, uri.data(), uri.size());
    item.uri.length = m_text.size() - item.uri.offset;
    item.qName.offset = m_text.size();
    if (name.prefixed) {
        AppendUtf16(m_text, name.prefix.data(), name.prefix.size());
        m_text.push_back(u':');
    }
    const std::size_t localStart = m_text.size();
    AppendUtf16(m_text, name.local.data(), name.local.size());
    item.local = {localStart, m_text.size() - localStart};
    item.qName.length = m_text.size() - item.qName.offset;
    item.value.offset = m_text.size();
    AppendUtf16(m_text, value, std::strlen(value));
    item.value.length = m_text.size() - item.value.offset;
    m_items.push_back(item);
}

std::u16string_view CSaxAttributes::View(Span span) const {
    return std::u16string_view(m_text).substr(span.offset, span.length);
}

bool CSaxAttributes::Valid(int index) const {
    return index >= 0 && static_cast<std::size_t>(index) < m_items.size();
}

std::u16string_view CSaxAttributes::GetUri(int index) const {
    return Valid(index) ? View(m_items[static_cast<std::size_t>(index)].uri)
                        : std::u16string_view();
}

std::u16string_view CSaxAttributes::GetLocalName(int index) const {
    return Valid(index) ? View(m_items[static_cast<std::size_t>(index)].local)
                        : std::u16string_view();
}

std::u16string_view CSaxAttributes::GetQName(int index) const {
    return Valid(index) ? View(m_items[static_cast<std::size_t>(index)].qName)
                        : std::u16string_view();
}

std::u16string_view CSaxAttributes::GetValue(int index) const {
    return Valid(index) ? View(m_items[static_cast<std::size_t>(index)].value)
                        : std::u16string_view();
}

int CSaxAttributes::GetIndexFromName(std::u16string_view uri, std::u16string_view localName) const {
    for (std::size_t i = 0; i < m_items.size(); ++i) {
        if (View(m_items[i].local) == localName && View(m_items[i].uri) == uri) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int CSaxAttributes::GetIndexFromQName(std::u16string_view qName) const {
    for (std::size_t i = 0; i < m_items.size(); ++i) {
        if (View(m_items[i].qName) == qName) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

} // namespace sax
