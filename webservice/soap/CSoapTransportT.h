#pragma once
// Posts a SOAP request over the HTTP client and classifies the answer:
//   exchange true,  200        success when the body is not empty, else StatusReadFailed
//   exchange true,  202        success, with no body bound to the response stream
//   exchange true,  any other  StatusServerError
//   exchange false, 500        StatusSoapFault, and the fault is read (StatusFaultUnreadable when
//                              it cannot be)
//   exchange false, any other  StatusSendFailed
// Every failure answers E_FAIL.

#include "sax/ISAXXMLReader.h"
#include "webservice/http/CHttpClientT.h"
#include "webservice/http/CResponseBodyStream.h"
#include "webservice/http/UrlParts.h"
#include "webservice/soap/CFaultRecord.h"
#include "webservice/soap/CStringWriteStream.h"
#include "webservice/soap/SoapClientStatus.h"

#include <cstdint>
#include <string>
#include <string_view>

class CSoapTransportT {
public:
    // Escapes and splits the endpoint; an endpoint that cannot be escaped leaves no host, so every
    // exchange fails.
    explicit CSoapTransportT(std::string_view endpointUrl);
    CSoapTransportT(const CSoapTransportT&) = delete;
    CSoapTransportT& operator=(const CSoapTransportT&) = delete;
    virtual ~CSoapTransportT() = default;

    // Hands out an XML reader with one reference for the caller (used to read a fault).
    [[nodiscard]] virtual HRESULT GetXmlReader(sax::ISAXXMLReader** reader) = 0;

    // Posts the request body with the action line and "Accept: text/xml" as extra headers.
    [[nodiscard]] HRESULT SendSoapRequest(std::string_view actionLine);

    [[nodiscard]] const UrlParts& GetEndpoint() const { return m_endpoint; }
    [[nodiscard]] std::string_view GetRequestBody() const { return m_requestBody.Text(); }
    [[nodiscard]] const CFaultRecord& GetFault() const { return m_fault; }
    [[nodiscard]] const CHttpClientT& GetHttpClient() const { return m_http; }
    // Reports every exchange of this transport as it happens; null for none.
    void SetTrace(IHttpTrace* trace) { m_http.SetTrace(trace); }

protected:
    UrlParts m_endpoint;
    CStringWriteStream m_requestBody;
    CResponseBodyStream m_response;

public:
    // Wait bound of the exchange in milliseconds; 0 keeps the HTTP client's default.
    std::uint32_t m_timeout = 0;
    SoapClientStatus m_status = StatusOk;

protected:
    CHttpClientT m_http;
    CFaultRecord m_fault;

private:
    void ReadFault();

    // Kept between calls so that its room is reused.
    std::string m_extraHeaders;
};
