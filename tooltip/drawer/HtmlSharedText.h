#pragma once
// Text that copies of a style share: a copy takes a pointer, not the text, so saving a style on
// the style stack or recording a hot area costs the same however long its link target, face or
// picture description is. Assigning new text never changes the copies made before.

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace tooltip {

class HtmlSharedText {
public:
    HtmlSharedText() = default;
    explicit HtmlSharedText(std::string_view text) { assign(text); }
    HtmlSharedText& operator=(std::string_view text) {
        assign(text);
        return *this;
    }

    void assign(std::string_view text) {
        m_text = text.empty() ? nullptr : std::make_shared<const std::string>(text);
    }
    void clear() { m_text.reset(); }
    [[nodiscard]] bool empty() const { return m_text == nullptr; }
    [[nodiscard]] std::size_t size() const { return m_text == nullptr ? 0 : m_text->size(); }
    [[nodiscard]] const std::string& str() const {
        static const std::string kEmpty;
        return m_text == nullptr ? kEmpty : *m_text;
    }
    [[nodiscard]] const char* c_str() const { return str().c_str(); }
    operator const std::string&() const { return str(); }
    operator std::string_view() const { return str(); }

    friend bool operator==(const HtmlSharedText& a, std::string_view b) { return a.str() == b; }

private:
    std::shared_ptr<const std::string> m_text;
};

} // namespace tooltip
