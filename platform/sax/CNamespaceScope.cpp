#include "sax/CNamespaceScope.h"

namespace sax {

namespace {

// Bindings in scope beyond which they are indexed; the index goes once they fall to half.
constexpr std::size_t kSearchedBindings = 8;

} // namespace

QualifiedName SplitQualifiedName(std::string_view name) {
    const std::size_t colon = name.find(':');
    if (colon == std::string_view::npos) {
        return {{}, name, false};
    }
    return {name.substr(0, colon), name.substr(colon + 1), true};
}

bool CNamespaceScope::IsDeclaration(std::string_view name, std::string_view& prefix) {
    constexpr std::string_view kXmlns = "xmlns";
    if (name.size() < kXmlns.size() || name.compare(0, kXmlns.size(), kXmlns) != 0) {
        return false;
    }
    if (name.size() == kXmlns.size()) {
        prefix = {};
        return true;
    }
    if (name[kXmlns.size()] != ':') {
        return false;
    }
    prefix = name.substr(kXmlns.size() + 1);
    return true;
}

void CNamespaceScope::OpenElement() {
    m_elementStarts.push_back(static_cast<std::uint32_t>(m_bindings.size()));
}

const char* CNamespaceScope::Declare(std::string_view prefix, std::string_view uri) {
    const bool isXmlPrefix = prefix == "xml";
    if (prefix == "xmlns") {
        return "reserved prefix (xmlns) must not be declared or undeclared";
    }
    if (isXmlPrefix != (uri == kXmlNamespace)) {
        return isXmlPrefix
                   ? "reserved prefix (xml) must not be undeclared or bound to another namespace "
                     "name"
                   : "prefix must not be bound to one of the reserved namespace names";
    }
    if (uri == kXmlnsNamespace) {
        return "prefix must not be bound to one of the reserved namespace names";
    }
    if (uri.empty() && !prefix.empty()) {
        return "cannot undeclare prefix";
    }
    if (m_text.size() + prefix.size() + uri.size() > UINT32_MAX || m_bindings.size() >= INT32_MAX) {
        return "too many namespace declarations";
    }
    Binding binding;
    binding.prefixStart = static_cast<std::uint32_t>(m_text.size());
    binding.prefixLength = static_cast<std::uint32_t>(prefix.size());
    m_text.append(prefix);
    binding.uriStart = static_cast<std::uint32_t>(m_text.size());
    binding.uriLength = static_cast<std::uint32_t>(uri.size());
    m_text.append(uri);
    if (m_indexed) {
        auto known = m_innermost.find(prefix);
        if (known == m_innermost.end()) {
            known = m_innermost.emplace(std::string(prefix), -1).first;
        }
        binding.hidden = known->second;
        known->second = static_cast<std::int32_t>(m_bindings.size());
    }
    m_bindings.push_back(binding);
    if (!m_indexed && m_bindings.size() > kSearchedBindings) {
        BuildIndex();
    }
    return nullptr;
}

void CNamespaceScope::BuildIndex() {
    m_innermost.clear();
    for (std::size_t i = 0; i < m_bindings.size(); ++i) {
        const std::string_view prefix = PrefixOf(m_bindings[i]);
        auto known = m_innermost.find(prefix);
        if (known == m_innermost.end()) {
            known = m_innermost.emplace(std::string(prefix), -1).first;
        }
        m_bindings[i].hidden = known->second;
        known->second = static_cast<std::int32_t>(i);
    }
    m_indexed = true;
}

std::int32_t CNamespaceScope::Innermost(std::string_view prefix) const {
    if (m_indexed) {
        const auto known = m_innermost.find(prefix);
        return known == m_innermost.end() ? -1 : known->second;
    }
    for (std::size_t i = m_bindings.size(); i-- > 0;) {
        if (PrefixOf(m_bindings[i]) == prefix) {
            return static_cast<std::int32_t>(i);
        }
    }
    return -1;
}

bool CNamespaceScope::Resolve(std::string_view prefix, std::string_view& uri) const {
    const std::int32_t index = Innermost(prefix);
    if (index >= 0) {
        uri = UriOf(m_bindings[static_cast<std::size_t>(index)]);
        return true;
    }
    if (prefix == "xml") {
        uri = kXmlNamespace;
        return true;
    }
    uri = {};
    return prefix.empty();
}

std::string_view CNamespaceScope::PrefixOf(const Binding& binding) const {
    return std::string_view(m_text).substr(binding.prefixStart, binding.prefixLength);
}

std::string_view CNamespaceScope::UriOf(const Binding& binding) const {
    return std::string_view(m_text).substr(binding.uriStart, binding.uriLength);
}

void CNamespaceScope::PopBinding() {
    const Binding& binding = m_bindings.back();
    if (m_indexed) {
        const auto known = m_innermost.find(PrefixOf(binding));
        if (known != m_innermost.end()) {
            known->second = binding.hidden;
        }
    }
    m_text.resize(binding.prefixStart);
    m_bindings.pop_back();
    if (m_indexed && m_bindings.size() <= kSearchedBindings / 2) {
        m_innermost.clear();
        m_indexed = false;
    }
}

void CNamespaceScope::Clear() {
    m_innermost.clear();
    m_indexed = false;
    m_text.clear();
    m_bindings.clear();
    m_elementStarts.clear();
}

} // namespace sax
