#pragma once
// A read stream over bytes held elsewhere; like a stream that lives inside its owner, it is not
// reference-counted. A read returns at most `piece` bytes, so a caller can
// see what a reader does with input that arrives in small parts.

#include "sax/ISAXXMLReader.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace sax {

class CMemoryStream final : public ISequentialStream {
public:
    explicit CMemoryStream(std::string_view bytes, std::uint32_t piece = 0xFFFFFFFFu)
        : m_bytes(bytes), m_piece(piece == 0 ? 1 : piece) {}

    HRESULT QueryInterface(REFIID iid, void** object) override {
        if (object == nullptr) {
            return E_POINTER;
        }
        *object = iid == IID_IUnknown || iid == IID_ISequentialStream ? this : nullptr;
        return *object != nullptr ? S_OK : E_NOINTERFACE;
    }
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }
    HRESULT Write(const void*, ULONG, ULONG*) override { return E_NOTIMPL; }

    HRESULT Read(void* buffer, ULONG size, ULONG* bytesRead) override {
        const std::size_t count =
            std::min<std::size_t>({size, m_piece, m_bytes.size() - m_position});
        std::memcpy(buffer, m_bytes.data() + m_position, count);
        m_position += count;
        if (bytesRead != nullptr) {
            *bytesRead = static_cast<std::uint32_t>(count);
        }
        return S_OK;
    }

private:
    std::string_view m_bytes;
    std::uint32_t m_piece;
    std::size_t m_position = 0;
};

} // namespace sax
