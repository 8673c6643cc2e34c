#pragma once
// The attributes of one start tag as the content handler sees them: namespace URI, local name,
// qualified name and value of each, in UTF-16. Views stay valid only during the callback.

#include <string_view>

namespace sax {

class ISAXAttributes {
public:
    [[nodiscard]] virtual int GetLength() const = 0;
    [[nodiscard]] virtual std::u16string_view GetUri(int index) const = 0;
    [[nodiscard]] virtual std::u16string_view GetLocalName(int index) const = 0;
    [[nodiscard]] virtual std::u16string_view GetQName(int index) const = 0;
    [[nodiscard]] virtual std::u16string_view GetValue(int index) const = 0;
    // The index of the attribute, or -1 when the tag has none of that name.
    [[nodiscard]] virtual int GetIndexFromName(std::u16string_view uri,
                                               std::u16string_view localName) const = 0;
    [[nodiscard]] virtual int GetIndexFromQName(std::u16string_view qName) const = 0;

    // Looks an attribute up by namespace URI and local name; false when absent.
    [[nodiscard]] bool GetValueFromName(std::u16string_view uri, std::u16string_view localName,
                                        std::u16string_view& value) const {
        const int index = GetIndexFromName(uri, localName);
        if (index < 0) {
            return false;
        }
        value = GetValue(index);
        return true;
    }
    [[nodiscard]] bool GetValueFromQName(std::u16string_view qName,
                                         std::u16string_view& value) const {
        const int index = GetIndexFromQName(qName);
        if (index < 0) {
            return false;
        }
        value = GetValue(index);
        return true;
    }

protected:
    ~ISAXAttributes() = default;
};

} // namespace sax
