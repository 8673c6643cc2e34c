#include "webservice/http/ResponseBuffer.h"

#include <algorithm>
#include <cstring>
#include <new>

ResponseBuffer::ResponseBuffer(std::size_t maxLength) : m_maxLength(maxLength) {
    m_inline[0] = '\0';
}

bool ResponseBuffer::Grow(std::size_t length) {
    // The length plus its terminator must fit; the checks keep every sum below SIZE_MAX.
    if (length > m_maxLength || m_length > m_maxLength - length) {
        return false;
    }
    const std::size_t need = m_length + length + 1;
    if (need <= m_capacity) {
        return true;
    }
    std::size_t capacity = m_capacity + (length >= kInlineCapacity ? length + 1 : kInlineCapacity);
    capacity = std::max(capacity, m_capacity + m_capacity / 2);
    capacity = std::max(capacity, need);
    capacity = std::min(capacity, m_maxLength + 1);
    std::unique_ptr<char[]> block(new (std::nothrow) char[capacity]);
    if (!block) {
        return false;
    }
    std::memcpy(block.get(), m_data, m_length + 1);
    m_heap = std::move(block);
    m_data = m_heap.get();
    m_capacity = capacity;
    return true;
}

bool ResponseBuffer::Append(const void* data, std::size_t length) {
    char* target = PrepareAppend(length);
    if (target == nullptr) {
        return false;
    }
    if (length > 0) {
        std::memcpy(target, data, length);
    }
    Commit(length);
    return true;
}

char* ResponseBuffer::PrepareAppend(std::size_t length) {
    return Grow(length) ? m_data + m_length : nullptr;
}

void ResponseBuffer::Commit(std::size_t length) {
    m_length += length;
    m_data[m_length] = '\0';
}

void ResponseBuffer::Reset() {
    m_length = 0;
    m_data[0] = '\0';
}
