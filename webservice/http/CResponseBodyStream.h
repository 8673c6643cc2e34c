#pragma once
// The body of a client's last response as a sequential read stream. It points into the client's
// buffer, so it is valid until the client's next exchange.

#include "webservice/http/CStreamBase.h"

#include <cstdint>

class CHttpClientT;

class CResponseBodyStream final : public CStreamBase {
public:
    CResponseBodyStream() = default;
    ~CResponseBodyStream() = default;

    // Points the stream at the client's body; false (and an empty stream) when the body is empty.
    [[nodiscard]] bool Initialize(const CHttpClientT& client);
    // Leaves the stream empty, bound to no body.
    void Clear() {
        m_start = m_current = nullptr;
        m_length = 0;
    }

    // Copies min(size, remaining) bytes; answers S_OK also with 0 bytes at the end of the body.
    HRESULT Read(void* buffer, ULONG size, ULONG* read) override;

private:
    const char* m_start = nullptr;
    const char* m_current = nullptr;
    std::uint32_t m_length = 0;
};
