#pragma once
// The attribute list that the expat reader builds for each start tag. Its storage is kept between
// tags, so a steady stream of elements needs no allocation.

#include "sax/CNamespaceScope.h"
#include "sax/ISAXAttributes.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace sax {

class CSaxAttributes final : public ISAXAttributes {
public:
    // Empties the list; text storage keeps its capacity.
    void Clear() {
        m_text.clear();
        m_items.clear();
    }
    // Adds one attribute: its namespace (empty for none), its name and its UTF-8 value.
    void Add(std::string_view uri, const QualifiedName& name, const char* value);

    [[nodiscard]] int GetLength() const override { return static_cast<int>(m_items.size()); }
    [[nodiscard]] std::u16string_view GetUri(int index) const override;
    [[nodiscard]] std::u16string_view GetLocalName(int index) const override;
    [[nodiscard]] std::u16string_view GetQName(int index) const override;
    [[nodiscard]] std::u16string_view GetValue(int index) const override;
    [[nodiscard]] int GetIndexFromName(std::u16string_view uri,
                                       std::u16string_view localName) const override;
    [[nodiscard]] int GetIndexFromQName(std::u16string_view qName) const override;

private:
    struct Span {
        std::size_t offset = 0;
        std::size_t length = 0;
    };
    struct Item {
        Span uri;
        Span local;
        Span qName;
        Span value;
    };
    [[nodiscard]] std::u16string_view View(Span span) const;
    [[nodiscard]] bool Valid(int index) const;

    std::u16string m_text;
    std::vector<Item> m_items;
};

// Appends the UTF-16 form of well-formed UTF-8 (as expat delivers it) to `out`.
void AppendUtf16(std::u16string& out, const char* utf8, std::size_t length);

} // namespace sax
