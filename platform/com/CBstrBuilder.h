#pragma once
// Builds an automation string in place: text is appended into a block laid out as the finished
// string will be (length prefix, code units, terminator), grown with realloc, which moves a large
// block by remapping its pages rather than copying them. The finished string is handed out
// without a copy, so a long text is never held twice.

#include "com/Bstr.h"

#include <cstddef>
#include <string_view>

class CBstrBuilder {
public:
    CBstrBuilder() = default;
    CBstrBuilder(const CBstrBuilder&) = delete;
    CBstrBuilder& operator=(const CBstrBuilder&) = delete;
    ~CBstrBuilder();

    // False when memory runs out or the string would pass the 32-bit byte length.
    [[nodiscard]] bool Append(std::u16string_view text);
    [[nodiscard]] std::u16string_view View() const;
    [[nodiscard]] std::size_t Size() const { return m_length; }
    // Empties the builder; a small block is kept for the next text, a large one released.
    void Clear();
    // The finished string (an empty, not null, string when nothing was appended); the builder is
    // empty afterwards. Null only when memory runs out.
    [[nodiscard]] BSTR Detach();

private:
    [[nodiscard]] OLECHAR* Units() const;

    char* m_block = nullptr;
    std::size_t m_length = 0;   // code units appended
    std::size_t m_capacity = 0; // code units the block has room for, besides the terminator
};
