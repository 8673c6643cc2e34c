#include "webservice/soap/CTableEnvelopeHandler.h"

#include <cstdlib>

CTableEnvelopeHandler::CTableEnvelopeHandler(const SoapFunctionMap* const* operations,
                                             const SoapFunctionMap* const* headers,
                                             std::string_view targetNamespace,
                                             std::u16string_view targetNamespaceW,
                                             void* headerRecord)
    : m_operations(operations), m_headers(headers), m_targetNamespace(targetNamespace),
      m_targetNamespaceW(targetNamespaceW), m_headerRecord(headerRecord) {
    m_clientMode = true;
    // Creating the reader fails only when memory runs out; nothing can be written or parsed then.
    if (Failed(sax::CreateSaxXmlReader(&m_reader))) {
        std::abort();
    }
    (void)m_reader->PutContentHandler(this);
}

CTableEnvelopeHandler::~CTableEnvelopeHandler() {
    (void)m_reader->PutContentHandler(nullptr);
    m_reader->Release();
}
