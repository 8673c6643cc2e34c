#pragma once
// An envelope handler over tables that a test chooses, with its own reader, for writing and parsing
// without a network.

#include "sax/CMemoryStream.h"
#include "webservice/soap/CStringWriteStream.h"
#include "webservice/soap/CTableEnvelopeHandler.h"

#include <string>
#include <string_view>

namespace soaptest {

inline constexpr std::string_view kNs = "urn:test/";
inline constexpr std::u16string_view kNsW = u"urn:test/";

class CTestHandler : public CTableEnvelopeHandler {
public:
    CTestHandler(const SoapFunctionMap* const* operations, const SoapFunctionMap* const* headers,
                 void* headerRecord = nullptr)
        : CTableEnvelopeHandler(operations, headers, kNs, kNsW, headerRecord) {}

    // Binds and writes; the envelope text, or "failed" when writing fails.
    std::string Write(void* record, int operation) {
        CStringWriteStream body;
        if (Failed(BindCall(record, operation))) {
            return "bind failed";
        }
        const HRESULT hr = WriteEnvelope(&body);
        ResetCallState();
        return Succeeded(hr) ? std::string(body.Text()) : "failed";
    }

    // Binds and parses as a call does; on failure the partial outputs are released.
    HRESULT Parse(void* record, int operation, std::string_view response,
                  std::uint32_t piece = 0xFFFFFFFFu) {
        HRESULT hr = BindCall(record, operation);
        if (Succeeded(hr)) {
            (void)m_reader->PutContentHandler(this);
            FreeOutputs();
            sax::CMemoryStream stream(response, piece);
            hr = ParseEnvelope(&stream);
            if (Failed(hr)) {
                FreeOutputs();
            }
        }
        ResetCallState();
        return hr;
    }
};

// The envelope around a body, as a service of the account kind answers.
inline std::string Envelope(std::string_view body) {
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
           "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\" "
           "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
           "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\"><soap:Body>" +
           std::string(body) + "</soap:Body></soap:Envelope>";
}

} // namespace soaptest
