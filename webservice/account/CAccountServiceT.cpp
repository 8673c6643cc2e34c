#include "webservice/account/CAccountServiceT.h"

#include "text/Utf8.h"

#include <cstdlib>
#include <new>
#include <string>

std::string_view CAccountServiceT::DefaultEndpoint() {
    const char* endpoint = std::getenv("KELDWICK_ENDPOINT");
    return endpoint != nullptr && *endpoint != 0 ? std::string_view(endpoint) : account::kEndpoint;
}

CAccountServiceT::CAccountServiceT() : CAccountServiceT(DefaultEndpoint()) {}

namespace {

IHttpTrace* g_processTrace = nullptr;

std::string Utf8(BSTR text) {
    return text == nullptr ? std::string() : text::Utf16ToUtf8(BstrView(text));
}

} // namespace

void CAccountServiceT::SetProcessTrace(IHttpTrace* trace) {
    g_processTrace = trace;
}

CAccountServiceT::CAccountServiceT(std::string_view endpointUrl) : CSoapTransportT(endpointUrl) {
    m_clientMode = true;
    SetTrace(g_processTrace);
}

std::string CAccountServiceT::FailureReason() const {
    const std::string where = m_http.Where();
    const std::string readerText = m_reader != nullptr ? m_reader->GetLastErrorText() : "";
    switch (m_status) {
    case StatusOk:
        return {};
    case StatusInitFailed:
        return "the XML reader could not be made";
    case StatusOutOfMemory:
        return "the call's parameters could not be bound (out of memory)";
    case StatusWriteFailed:
        return m_writeResult == E_INVALIDARG
                   ? "the request was not sent: a text argument holds a character that XML cannot "
                     "carry (a control character or a lone surrogate)"
                   : "the request envelope could not be written";
    case StatusConnectFailed:
    case StatusSendFailed:
        return m_http.FailureReason();
    case StatusServerError:
    case StatusReadFailed:
        return where + " answered \"" + std::string(m_http.StatusLine()) + "\" with " +
               (m_http.GetBodyLength() == 0 ? "an empty body" : "no SOAP answer");
    case StatusSoapFault:
        return FaultReason();
    case StatusFaultUnreadable:
        if (m_http.GetBodyLength() == 0) {
            // Nothing was parsed: say why no fault arrived instead of a reader's stale text.
            return "the service at " + where + " answered \"" + std::string(m_http.StatusLine()) +
                   "\" without a readable fault: " +
                   (m_http.Stage() == ExchangeStage::Receiving ? m_http.FailureReason()
                                                               : "the body was empty");
        }
        return "the service at " + where + " answered \"" + std::string(m_http.StatusLine()) +
               "\" with a fault that could not be read" +
               (readerText.empty() ? std::string() : " (" + readerText + ")");
    case StatusParseFailed:
        if (m_http.GetStatus() == 202) {
            return where + " accepted the call (\"" + std::string(m_http.StatusLine()) +
                   "\") without answering it";
        }
        return "parsing the envelope from " + where + " failed" +
               (readerText.empty() ? std::string() : " at " + readerText);
    }
    return "the call failed";
}

std::string CAccountServiceT::FaultReason() const {
    // The code's own name; when the fault string came first only the known codes are kept.
    std::string code = Utf8(m_fault.codeLocalName.Get());
    if (code.empty()) {
        switch (m_fault.code) {
        case CFaultRecord::kVersionMismatch:
            code = "VersionMismatch";
            break;
        case CFaultRecord::kMustUnderstand:
            code = "MustUnderstand";
            break;
        case CFaultRecord::kClient:
            code = "Client";
            break;
        case CFaultRecord::kServer:
            code = "Server";
            break;
        default:
            break;
        }
    }
    const std::string text = Utf8(m_fault.faultString.Get());
    std::string said = code.empty() || text.empty() ? code + text : code + ": " + text;
    if (said.empty()) {
        said = "(no code and no fault string)";
    }
    return "the service at " + m_http.Where() + " answered with a SOAP fault: " + said;
}

CAccountServiceT::~CAccountServiceT() {
    if (m_reader != nullptr) {
        (void)m_reader->PutContentHandler(nullptr);
        m_reader->Release();
        m_reader = nullptr;
    }
}

const SoapFunctionMap* const* CAccountServiceT::GetOperationTables() const {
    return account::kOperationTables;
}

const SoapFunctionMap* const* CAccountServiceT::GetHeaderTables() const {
    return account::kHeaderTables;
}

std::u16string_view CAccountServiceT::GetTargetNamespace() const {
    return account::kTargetNamespaceW;
}

std::string_view CAccountServiceT::GetTargetNamespaceA() const {
    return account::kTargetNamespace;
}

HRESULT CAccountServiceT::CreateXmlReader(sax::ISAXXMLReader** reader) {
    return sax::CreateSaxXmlReader(reader);
}

HRESULT CAccountServiceT::GetXmlReader(sax::ISAXXMLReader** reader) {
    if (reader == nullptr) {
        return E_INVALIDARG;
    }
    if (m_reader != nullptr) {
        m_reader->AddRef();
        *reader = m_reader;
        return S_OK;
    }
    return CreateXmlReader(reader);
}

HRESULT CAccountServiceT::AttachReader() {
    if (m_reader == nullptr) {
        sax::ISAXXMLReader* reader = nullptr;
        const HRESULT hr = CreateXmlReader(&reader);
        if (Failed(hr)) {
            return hr;
        }
        if (reader == nullptr) {
            return E_FAIL;
        }
        m_reader = reader;
    }
    return m_reader->PutContentHandler(this);
}

HRESULT CAccountServiceT::Run(void* record, int operation) {
    HRESULT hr = BindCall(record, operation);
    if (Failed(hr)) {
        m_status = StatusOutOfMemory;
        return hr;
    }
    hr = WriteEnvelope(&m_requestBody);
    m_writeResult = hr;
    if (Failed(hr)) {
        m_status = StatusWriteFailed;
        return hr;
    }
    // The line is built in a member, so that after the first call it needs no allocation.
    try {
        m_actionLine.assign("SOAPAction: \"");
        m_actionLine.append(account::kTargetNamespace);
        m_actionLine.append(account::kOperationTables[operation]->name).append("\"\r\n");
    } catch (const std::bad_alloc&) {
        m_status = StatusSendFailed;
        return E_FAIL;
    }
    hr = SendSoapRequest(m_actionLine);
    if (Failed(hr)) {
        return hr;
    }
    FreeOutputs();
    hr = ParseEnvelope(&m_response);
    if (Failed(hr)) {
        m_status = StatusParseFailed;
        FreeOutputs();
    }
    return hr;
}

HRESULT CAccountServiceT::Invoke(void* record, int operation) {
    HRESULT hr = AttachReader();
    if (Failed(hr)) {
        m_status = StatusInitFailed;
        return hr;
    }
    m_requestBody.Clear();
    m_fault.Clear();
    m_status = StatusOk;
    hr = Run(record, operation);
    ResetCallState();
    return hr;
}

HRESULT CAccountServiceT::CreateSession(BSTR strUserID, BSTR strUserPassword,
                                        BSTR* CreateSessionResult, std::int32_t* nErrorCode) {
    if (CreateSessionResult == nullptr || nErrorCode == nullptr) {
        return E_POINTER;
    }
    CreateSessionRecord record{strUserID, strUserPassword, nullptr, 0};
    const HRESULT hr = Invoke(&record, account::kCreateSession);
    if (Succeeded(hr)) {
        *CreateSessionResult = record.CreateSessionResult;
        *nErrorCode = record.nErrorCode;
    }
    record = CreateSessionRecord{};
    return hr;
}

HRESULT CAccountServiceT::GetErrorMessage(BSTR strSessionID, std::int32_t nErrorCode,
                                          BSTR* GetErrorMessageResult) {
    if (GetErrorMessageResult == nullptr) {
        return E_POINTER;
    }
    GetErrorMessageRecord record{strSessionID, nErrorCode, nullptr};
    const HRESULT hr = Invoke(&record, account::kGetErrorMessage);
    if (Succeeded(hr)) {
        *GetErrorMessageResult = record.GetErrorMessageResult;
    }
    record = GetErrorMessageRecord{};
    return hr;
}

HRESULT CAccountServiceT::EmailUserPassword(BSTR strUserID, std::int32_t* EmailUserPasswordResult) {
    if (EmailUserPasswordResult == nullptr) {
        return E_POINTER;
    }
    EmailUserPasswordRecord record{strUserID, 0};
    const HRESULT hr = Invoke(&record, account::kEmailUserPassword);
    if (Succeeded(hr)) {
        *EmailUserPasswordResult = record.EmailUserPasswordResult;
    }
    record = EmailUserPasswordRecord{};
    return hr;
}
