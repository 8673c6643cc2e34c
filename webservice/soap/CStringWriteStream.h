#pragma once
// A byte sink that collects everything written into one growable narrow string: the request body
// is built in memory and sent with one Content-Length.

#include "webservice/soap/IByteSink.h"

#include <string>
#include <string_view>

class CStringWriteStream final : public IByteSink {
public:
    HRESULT Write(const char* text, std::int32_t length, std::uint32_t* written) override;
    HRESULT Flush() override { return S_OK; }

    [[nodiscard]] std::string_view Text() const { return m_text; }
    void Clear() { m_text.clear(); }

private:
    std::string m_text;
};
