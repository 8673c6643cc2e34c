#pragma once
// The UTF-16 names of the open elements. A start tag's names are converted once and kept until its
// end tag, which reports the same names without converting them again (a well-formed end tag
// names its start tag, in the same namespace scope). Namespace URIs are converted once and kept
// across documents, since a service answers every call in the same few namespaces.

#include "sax/CNamespaceScope.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sax {

class CNameStack {
public:
    struct Names {
        std::u16string_view uri;
        std::u16string_view local;
        std::u16string_view qName;
    };

    // At most this many distinct URIs are kept; the table starts again at the next document when
    // it is full, and a URI that finds it full is converted where it is used.
    static constexpr std::size_t kMaxUris = 32;

    // Converts an element's name and namespace (empty for none) and keeps them as the innermost
    // open element. The views stay valid until the next Push, Pop or Clear.
    Names Push(std::string_view uri, const QualifiedName& name);
    // The innermost open element's names; empty views when none is open.
    [[nodiscard]] Names Top() const;
    void Pop();
    // Forgets the open elements; the URI table stays unless it is full.
    void Clear();
    [[nodiscard]] bool Empty() const { return m_entries.empty(); }

    // The UTF-16 form of a namespace URI, from the table when it was seen before. The view stays
    // valid until the next call.
    std::u16string_view Uri(std::string_view utf8);

private:
    static constexpr std::uint32_t kNoUri = UINT32_MAX;
    static constexpr std::uint32_t kUriInText = UINT32_MAX - 1;

    // One open element's names in m_text: [uri when not in the table][prefix ":"]local.
    struct Entry {
        std::uint32_t uri = kNoUri; // index in m_uris, kNoUri or kUriInText
        std::size_t start = 0;
        std::size_t qName = 0;
        std::size_t local = 0;
        std::size_t end = 0;
    };
    struct KnownUri {
        std::string utf8;
        std::u16string text;
    };

    // The URI's index in the table, kUriInText when the table is full.
    [[nodiscard]] std::uint32_t UriIndex(std::string_view utf8);

    std::u16string m_text;
    std::u16string m_spareUri;
    std::vector<Entry> m_entries;
    std::vector<KnownUri> m_uris;
    std::uint32_t m_lastUri = kNoUri;
};

} // namespace sax
