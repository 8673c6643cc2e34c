#include "webservice/soap/CStringWriteStream.h"

#include <cstring>
#include <new>
#include <stdexcept>

HRESULT CStringWriteStream::Write(const char* text, std::int32_t length, std::uint32_t* written) {
    if (text == nullptr) {
        return E_INVALIDARG;
    }
    const std::size_t count = length < 0 ? std::strlen(text) : static_cast<std::size_t>(length);
    try {
        m_text.append(text, count);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (const std::length_error&) {
        return E_OUTOFMEMORY;
    }
    if (written != nullptr) {
        *written = static_cast<std::uint32_t>(count);
    }
    return S_OK;
}
