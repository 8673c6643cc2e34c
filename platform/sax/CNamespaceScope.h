#pragma once
// The namespace bindings in scope while a document is read: each open element's declarations
// ("xmlns" and "xmlns:p" attributes) hide outer ones of the same prefix until its end tag. Expat
// reads the document without namespaces, which costs it far less per declaration; this class does
// the rest of the namespace work and refuses what a namespace-aware reader refuses.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace sax {

// A qualified name cut at its first colon.
struct QualifiedName {
    std::string_view prefix; // empty when the name has no colon
    std::string_view local;
    bool prefixed = false;
};
[[nodiscard]] QualifiedName SplitQualifiedName(std::string_view name);

class CNamespaceScope {
public:
    static constexpr std::string_view kXmlNamespace = "http://www.w3.org/XML/1998/namespace";
    static constexpr std::string_view kXmlnsNamespace = "http://www.w3.org/2000/xmlns/";

    // The prefix an attribute named `name` declares, when it is a declaration at all: "" for
    // "xmlns", "p" for "xmlns:p".
    [[nodiscard]] static bool IsDeclaration(std::string_view name, std::string_view& prefix);

    // Starts the scope of an element, before its declarations.
    void OpenElement();
    // Binds `prefix` ("" for the default namespace) to `uri` in the innermost element's scope.
    // Null on success, else why the binding is refused.
    [[nodiscard]] const char* Declare(std::string_view prefix, std::string_view uri);
    // The namespace of `prefix` ("" for the default one), empty when it is unbound or the default
    // namespace is undeclared. False when a non-empty prefix is unbound. The view stays valid until
    // the next Declare or CloseElement.
    [[nodiscard]] bool Resolve(std::string_view prefix, std::string_view& uri) const;
    // Ends the innermost element's scope, calling ended(prefix) for each of its declarations, the
    // last declared first.
    template <typename Ended>
    void CloseElement(Ended ended);
    // Forgets every binding.
    void Clear();

private:
    struct Binding {
        std::uint32_t prefixStart = 0;
        std::uint32_t prefixLength = 0;
        std::uint32_t uriStart = 0;
        std::uint32_t uriLength = 0;
        std::int32_t hidden = -1; // while indexed: the binding of the same prefix this one hides
    };
    [[nodiscard]] std::string_view PrefixOf(const Binding& binding) const;
    [[nodiscard]] std::string_view UriOf(const Binding& binding) const;
    // The binding in scope for a prefix, -1 when there is none.
    [[nodiscard]] std::int32_t Innermost(std::string_view prefix) const;
    // Indexes every binding in scope by prefix, once there are too many to search.
    void BuildIndex();
    void PopBinding();

    struct ViewHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const {
            return std::hash<std::string_view>{}(text);
        }
    };
    // Prefixes and URIs of the bindings in scope, one after another.
    std::string m_text;
    std::vector<Binding> m_bindings;
    // Where each open element's bindings begin in m_bindings.
    std::vector<std::uint32_t> m_elementStarts;
    // A few bindings are searched from the innermost out, which costs less than hashing; many
    // are indexed by prefix (the innermost binding of each), so that no document costs a search
    // of every binding per name.
    bool m_indexed = false;
    std::unordered_map<std::string, std::int32_t, ViewHash, std::equal_to<>> m_innermost;
};

template <typename Ended>
void CNamespaceScope::CloseElement(Ended ended) {
    if (m_elementStarts.empty()) {
        return;
    }
    const std::uint32_t start = m_elementStarts.back();
    m_elementStarts.pop_back();
    while (m_bindings.size() > start) {
        ended(PrefixOf(m_bindings.back()));
        PopBinding();
    }
}

} // namespace sax
