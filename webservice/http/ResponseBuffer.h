#pragma once
// A growable byte buffer for a raw response, always followed by one zero byte that is not counted.
// The first 4096 bytes of capacity live inside the object; past that the content moves to the heap.
// Growth for n more bytes that do not fit adds n + 1 when n is at least 4096, else 4096, and never
// less than half the current capacity, so a large body costs a logarithmic number of moves. The
// length never passes the maximum set at construction: passing it is an error, not an allocation.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

class ResponseBuffer {
public:
    static constexpr std::size_t kInlineCapacity = 4096;
    // The default bound of one response, head and body together.
    static constexpr std::size_t kDefaultMaxLength = 64u * 1024u * 1024u;

    explicit ResponseBuffer(std::size_t maxLength = kDefaultMaxLength);
    ResponseBuffer(const ResponseBuffer&) = delete;
    ResponseBuffer& operator=(const ResponseBuffer&) = delete;
    ~ResponseBuffer() = default;

    // Appends `length` bytes; false (and nothing appended) when the maximum would be passed or
    // memory runs out.
    [[nodiscard]] bool Append(const void* data, std::size_t length);
    // Makes room for `length` more bytes and returns where they go, or null as for Append. The
    // bytes count once Commit is called.
    [[nodiscard]] char* PrepareAppend(std::size_t length);
    void Commit(std::size_t length);
    // Length 0 and a zero first byte; a heap block stays allocated.
    void Reset();

    [[nodiscard]] char* Data() { return m_data; }
    [[nodiscard]] const char* Data() const { return m_data; }
    [[nodiscard]] std::size_t Length() const { return m_length; }
    [[nodiscard]] std::size_t Capacity() const { return m_capacity; }
    [[nodiscard]] std::size_t MaxLength() const { return m_maxLength; }
    [[nodiscard]] bool IsInline() const { return m_data == m_inline; }
    [[nodiscard]] std::string_view View() const { return {m_data, m_length}; }

private:
    [[nodiscard]] bool Grow(std::size_t length);

    char m_inline[kInlineCapacity];
    std::unique_ptr<char[]> m_heap;
    char* m_data = m_inline;
    std::size_t m_length = 0;
    std::size_t m_capacity = kInlineCapacity;
    std::size_t m_maxLength;
};
