#pragma once
// Owns one automation string and frees it when it goes out of scope.

#include "com/Bstr.h"

#include <string_view>
#include <utility>

class CBstr {
public:
    CBstr() = default;
    explicit CBstr(std::u16string_view text)
        : m_text(SysAllocStringLen(text.data(), static_cast<std::uint32_t>(text.size()))) {}
    CBstr(const CBstr&) = delete;
    CBstr& operator=(const CBstr&) = delete;
    CBstr(CBstr&& other) noexcept : m_text(std::exchange(other.m_text, nullptr)) {}
    CBstr& operator=(CBstr&& other) noexcept {
        if (this != &other) {
            SysFreeString(m_text);
            m_text = std::exchange(other.m_text, nullptr);
        }
        return *this;
    }
    ~CBstr() { SysFreeString(m_text); }

    // Takes ownership of a string allocated elsewhere.
    static CBstr Attach(BSTR text) {
        CBstr owned;
        owned.m_text = text;
        return owned;
    }
    [[nodiscard]] BSTR Detach() { return std::exchange(m_text, nullptr); }
    [[nodiscard]] BSTR Get() const { return m_text; }
    // For out-parameters: frees the current string and hands out the slot.
    [[nodiscard]] BSTR* Receive() {
        SysFreeString(std::exchange(m_text, nullptr));
        return &m_text;
    }
    [[nodiscard]] bool IsNull() const { return m_text == nullptr; }
    [[nodiscard]] std::u16string_view View() const { return BstrView(m_text); }

private:
    BSTR m_text = nullptr;
};
