#include "webservice/soap/CSoapTransportT.h"

#include "webservice/soap/CFaultReader.h"

#include <new>
#include <string>

CSoapTransportT::CSoapTransportT(std::string_view endpointUrl) {
    m_endpoint.Clear();
    (void)m_endpoint.SetScheme(UrlSchemeHttp);
    char escaped[kMaxUrlLength + 1];
    if (EscapeUrl(endpointUrl, escaped, sizeof escaped)) {
        if (!m_endpoint.SplitUrl(escaped)) {
            m_endpoint.Clear();
        }
    } else {
        (void)m_endpoint.SetHostName("");
    }
}

HRESULT CSoapTransportT::SendSoapRequest(std::string_view actionLine) {
    std::string& extraHeaders = m_extraHeaders;
    try {
        extraHeaders.assign(actionLine);
        extraHeaders.append("Accept: text/xml\r\n");
    } catch (const std::bad_alloc&) {
        return E_FAIL;
    }
    RequestOptions options;
    options.extraHeaders = extraHeaders.c_str();
    options.method = "POST";
    options.contentType = "text/xml; charset=utf-8";
    options.body = m_requestBody.Text().data();
    options.bodyLength = static_cast<std::uint32_t>(m_requestBody.Text().size());
    options.port = m_endpoint.PortNumber();
    options.flags = FollowMoved | EvaluateStatus | BodyInBlocks;
    options.sendBlockSize = 4096;
    options.readBlockSize = 4096;
    options.timeout = m_timeout != 0 ? m_timeout : net::kWaitForever;

    const bool exchanged = m_http.ExchangeRequest(m_endpoint, &options);
    const int status = m_http.GetStatus();
    if (exchanged) {
        if (status == 200) {
            if (m_response.Initialize(m_http)) {
                return S_OK;
            }
            m_status = StatusReadFailed;
            return E_FAIL;
        }
        if (status == 202) {
            // Accepted without an answer: no body is bound, whatever came with the 202, and the
            // stream never stays on a former response's body.
            m_response.Clear();
            return S_OK;
        }
        m_status = StatusServerError;
        return E_FAIL;
    }
    if (status == 500) {
        m_status = StatusSoapFault;
        ReadFault();
        return E_FAIL;
    }
    m_status = StatusSendFailed;
    return E_FAIL;
}

void CSoapTransportT::ReadFault() {
    if (!m_response.Initialize(m_http)) {
        // No fault arrived to read: the body was empty, or it never came whole.
        m_status = StatusFaultUnreadable;
        return;
    }
    sax::ISAXXMLReader* reader = nullptr;
    if (Failed(GetXmlReader(&reader)) || reader == nullptr) {
        m_status = StatusFaultUnreadable;
        return;
    }
    if (Failed(CFaultReader::Parse(m_fault, reader, &m_response))) {
        m_status = StatusFaultUnreadable;
    }
    reader->Release();
}
