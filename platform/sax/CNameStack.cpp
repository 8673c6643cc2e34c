#include "sax/CNameStack.h"

#include "sax/CSaxAttributes.h"

#include <cstring>

namespace sax {

std::uint32_t CNameStack::UriIndex(std::string_view utf8) {
    // Most elements share their parent's namespace; look there first.
    if (m_lastUri < m_uris.size() && m_uris[m_lastUri].utf8 == utf8) {
        return m_lastUri;
    }
    for (std::size_t i = 0; i < m_uris.size(); ++i) {
        if (m_uris[i].utf8 == utf8) {
            m_lastUri = static_cast<std::uint32_t>(i);
            return m_lastUri;
        }
    }
    if (m_uris.size() >= kMaxUris) {
        return kUriInText;
    }
    // Room for the whole table at once, so no entry moves while views of it are out.
    m_uris.reserve(kMaxUris);
    KnownUri& known = m_uris.emplace_back();
    known.utf8.assign(utf8);
    AppendUtf16(known.text, utf8.data(), utf8.size());
    m_lastUri = static_cast<std::uint32_t>(m_uris.size() - 1);
    return m_lastUri;
}

std::u16string_view CNameStack::Uri(std::string_view utf8) {
    const std::uint32_t index = UriIndex(utf8);
    if (index != kUriInText) {
        return m_uris[index].text;
    }
    m_spareUri.clear();
    AppendUtf16(m_spareUri, utf8.data(), utf8.size());
    return m_spareUri;
}

CNameStack::Names CNameStack::Push(std::string_view uri, const QualifiedName& name) {
    Entry entry;
    entry.start = m_text.size();
    if (!uri.empty()) {
        entry.uri = UriIndex(uri);
        if (entry.uri == kUriInText) {
            AppendUtf16(m_text, uri.data(), uri.size());
        }
    }
    entry.qName = m_text.size();
    if (name.prefixed) {
        AppendUtf16(m_text, name.prefix.data(), name.prefix.size());
        m_text.push_back(u':');
    }
    entry.local = m_text.size();
    AppendUtf16(m_text, name.local.data(), name.local.size());
    entry.end = m_text.size();
    m_entries.push_back(entry);
    return Top();
}

CNameStack::Names CNameStack::Top() const {
    if (m_entries.empty()) {
        return {};
    }
    const Entry& entry = m_entries.back();
    const std::u16string_view text(m_text);
    Names names;
    if (entry.uri == kUriInText) {
        names.uri = text.substr(entry.start, entry.qName - entry.start);
    } else if (entry.uri != kNoUri) {
        names.uri = m_uris[entry.uri].text;
    }
    names.qName = text.substr(entry.qName, entry.end - entry.qName);
    names.local = text.substr(entry.local, entry.end - entry.local);
    return names;
}

void CNameStack::Pop() {
    if (!m_entries.empty()) {
        m_text.resize(m_entries.back().start);
        m_entries.pop_back();
    }
}

void CNameStack::Clear() {
    m_entries.clear();
    m_text.clear();
    if (m_uris.size() >= kMaxUris) {
        m_uris.clear();
        m_lastUri = kNoUri;
    }
}

} // namespace sax
