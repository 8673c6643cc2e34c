#include "webservice/http/CResponseBodyStream.h"

#include "webservice/http/CHttpClientT.h"

#include <algorithm>
#include <cstring>

bool CResponseBodyStream::Initialize(const CHttpClientT& client) {
    m_start = client.BodyStart();
    m_current = m_start;
    m_length = client.GetBodyLength();
    if (m_length == 0) {
        m_start = m_current = nullptr;
        return false;
    }
    return true;
}

HRESULT CResponseBodyStream::Read(void* buffer, ULONG size, ULONG* read) {
    const auto remaining = static_cast<std::uint32_t>((m_start + m_length) - m_current);
    const std::uint32_t count = std::min<std::uint32_t>(size, remaining);
    if (count > 0) {
        if (buffer == nullptr) {
            return E_POINTER;
        }
        std::memcpy(buffer, m_current, count);
        m_current += count;
    }
    if (read != nullptr) {
        *read = count;
    }
    return S_OK;
}
