#include "com/Bstr.h"

#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

constexpr std::size_t kPrefixBytes = sizeof(std::uint32_t);

std::uint32_t* PrefixOf(const OLECHAR* text) {
    return reinterpret_cast<std::uint32_t*>(
        const_cast<char*>(reinterpret_cast<const char*>(text)) - kPrefixBytes);
}

} // namespace

BSTR SysAllocStringLen(const OLECHAR* text, std::uint32_t length) {
    // The byte length must fit the 32-bit prefix together with the prefix and terminator.
    constexpr std::uint64_t kMaxUnits =
        (std::numeric_limits<std::uint32_t>::max() - kPrefixBytes - sizeof(OLECHAR)) /
        sizeof(OLECHAR);
    if (length > kMaxUnits) {
        return nullptr;
    }
    const std::size_t bytes = kPrefixBytes + (std::size_t{length} + 1) * sizeof(OLECHAR);
    auto* block = static_cast<char*>(std::malloc(bytes));
    if (block == nullptr) {
        return nullptr;
    }
    const std::uint32_t byteLength = length * static_cast<std::uint32_t>(sizeof(OLECHAR));
    std::memcpy(block, &byteLength, kPrefixBytes);
    auto* units = reinterpret_cast<OLECHAR*>(block + kPrefixBytes);
    if (text != nullptr && length > 0) {
        std::memcpy(units, text, std::size_t{length} * sizeof(OLECHAR));
    }
    units[length] = 0;
    return units;
}

BSTR SysAllocString(const OLECHAR* text) {
    if (text == nullptr) {
        return nullptr;
    }
    return SysAllocStringLen(text, static_cast<std::uint32_t>(std::u16string_view(text).size()));
}

void SysFreeString(BSTR text) {
    if (text != nullptr) {
        std::free(PrefixOf(text));
    }
}

std::uint32_t SysStringByteLen(const OLECHAR* text) {
    if (text == nullptr) {
        return 0;
    }
    std::uint32_t byteLength = 0;
    std::memcpy(&byteLength, PrefixOf(text), kPrefixBytes);
    return byteLength;
}

std::uint32_t SysStringLen(const OLECHAR* text) {
    return SysStringByteLen(text) / static_cast<std::uint32_t>(sizeof(OLECHAR));
}

std::u16string_view BstrView(const OLECHAR* text) {
    if (text == nullptr) {
        return {};
    }
    return {text, SysStringLen(text)};
}
