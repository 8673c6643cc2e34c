#include "com/CBstrBuilder.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

constexpr std::size_t kPrefixBytes = sizeof(std::uint32_t);
// The byte length must fit the 32-bit prefix together with the prefix and terminator.
constexpr std::size_t kMaxUnits =
    (std::numeric_limits<std::uint32_t>::max() - kPrefixBytes - sizeof(OLECHAR)) / sizeof(OLECHAR);
constexpr std::size_t kKeptUnits = 4096;
// Unused room a finished string may keep: a short answer's first block is at most this much too
// large, and shrinking it would cost more than the bytes are worth.
constexpr std::size_t kSlackKept = 64;

std::size_t BlockBytes(std::size_t units) {
    return kPrefixBytes + (units + 1) * sizeof(OLECHAR);
}

} // namespace

CBstrBuilder::~CBstrBuilder() {
    std::free(m_block);
}

OLECHAR* CBstrBuilder::Units() const {
    return reinterpret_cast<OLECHAR*>(m_block + kPrefixBytes);
}

bool CBstrBuilder::Append(std::u16string_view text) {
    if (text.size() > kMaxUnits - m_length) {
        return false;
    }
    const std::size_t needed = m_length + text.size();
    if (m_block == nullptr || needed > m_capacity) {
        std::size_t capacity = std::max<std::size_t>({64, m_capacity * 2, needed});
        capacity = std::min(capacity, kMaxUnits);
        auto* block = static_cast<char*>(std::realloc(m_block, BlockBytes(capacity)));
        if (block == nullptr) {
            return false;
        }
        m_block = block;
        m_capacity = capacity;
    }
    if (!text.empty()) {
        std::memcpy(Units() + m_length, text.data(), text.size() * sizeof(OLECHAR));
    }
    m_length = needed;
    return true;
}

std::u16string_view CBstrBuilder::View() const {
    return m_block == nullptr ? std::u16string_view() : std::u16string_view(Units(), m_length);
}

void CBstrBuilder::Clear() {
    m_length = 0;
    if (m_capacity > kKeptUnits) {
        std::free(m_block);
        m_block = nullptr;
        m_capacity = 0;
    }
}

BSTR CBstrBuilder::Detach() {
    if (m_block == nullptr) {
        return SysAllocStringLen(u"", 0);
    }
    // Give back the room that was never used, when it is worth a call; when that fails the
    // larger block serves as well.
    if (m_capacity - m_length > kSlackKept) {
        if (auto* shrunk = static_cast<char*>(std::realloc(m_block, BlockBytes(m_length)))) {
            m_block = shrunk;
        }
    }
    const auto byteLength = static_cast<std::uint32_t>(m_length * sizeof(OLECHAR));
    std::memcpy(m_block, &byteLength, kPrefixBytes);
    OLECHAR* units = Units();
    units[m_length] = 0;
    m_block = nullptr;
    m_length = 0;
    m_capacity = 0;
    return units;
}
