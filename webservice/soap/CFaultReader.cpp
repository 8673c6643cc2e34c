#include "webservice/soap/CFaultReader.h"

#include "webservice/soap/SoapTables.h"

#include <array>
#include <utility>

namespace {

struct FaultElement {
    std::u16string_view name;
    int state;
};

constexpr std::array<FaultElement, 8> kFaultElements{{
    {u"Envelope", 1},
    {u"Body", 2},
    {u"Header", 2},
    {u"Fault", 4},
    {u"faultcode", 8},
    {u"faultstring", 16},
    {u"faultactor", 32},
    {u"detail", 64},
}};

struct FaultCodeName {
    std::u16string_view name;
    int code;
};

constexpr std::array<FaultCodeName, 4> kFaultCodes{{
    {u"VersionMismatch", CFaultRecord::kVersionMismatch},
    {u"MustUnderstand", CFaultRecord::kMustUnderstand},
    {u"Client", CFaultRecord::kClient},
    {u"Server", CFaultRecord::kServer},
}};

bool IsXmlSpace(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

} // namespace

HRESULT CFaultReader::Parse(CFaultRecord& fault, sax::ISAXXMLReader* reader,
                            sax::ISequentialStream* stream) {
    fault.Clear();
    if (reader == nullptr) {
        return E_POINTER;
    }
    CFaultReader handler(fault, reader);
    HRESULT hr = reader->PutContentHandler(&handler);
    if (Succeeded(hr)) {
        hr = reader->Parse(stream);
    }
    // The handler dies here: the reader must not keep pointing at it.
    reader->PutContentHandler(nullptr);
    return hr;
}

HRESULT CFaultReader::StartPrefixMapping(std::u16string_view prefix, std::u16string_view uri) {
    if (uri == soap::kEnvelopeNsW) {
        m_envelopePrefix.assign(prefix);
        m_havePrefix = !prefix.empty();
    }
    return S_OK;
}

HRESULT CFaultReader::StartElement(std::u16string_view uri, std::u16string_view localName,
                                   std::u16string_view, const sax::ISAXAttributes&) {
    m_textTaken = false;
    int bit = 0;
    for (const auto& element : kFaultElements) {
        if (element.name == localName) {
            bit = element.state;
            break;
        }
    }
    if (bit == 0) {
        if (m_state < 5) {
            return E_FAIL;
        }
        m_state = Skipping;
        return m_skipper.Begin(m_reader, this);
    }
    if (bit >= FaultCode) {
        m_state = bit;
        return m_collector.Begin(m_reader, this);
    }
    if (m_state >= bit || uri != soap::kEnvelopeNsW) {
        return E_FAIL;
    }
    m_state = bit;
    return S_OK;
}

HRESULT CFaultReader::Characters(std::u16string_view text) {
    if (m_textTaken || m_state == Envelope || m_state == BodyOrHeader || m_state == Fault ||
        m_state == Skipping) {
        return S_OK;
    }
    HRESULT hr = E_FAIL;
    switch (m_state) {
    case FaultCode:
        hr = TakeFaultCode(text);
        break;
    case FaultString:
        hr = Store(m_fault.faultString, text);
        break;
    case FaultActor:
        hr = Store(m_fault.faultActor, text);
        break;
    case Detail:
        hr = Store(m_fault.detail, text);
        break;
    default:
        break;
    }
    if (Succeeded(hr)) {
        m_textTaken = true;
    }
    return hr;
}

HRESULT CFaultReader::TakeFaultCode(std::u16string_view text) {
    if (m_fault.code != CFaultRecord::kNone || !m_havePrefix) {
        return E_FAIL;
    }
    while (!text.empty() && IsXmlSpace(text.front())) {
        text.remove_prefix(1);
    }
    // Trailing white space is layout, not part of the name.
    while (!text.empty() && IsXmlSpace(text.back())) {
        text.remove_suffix(1);
    }
    if (text.size() <= m_envelopePrefix.size() ||
        text.substr(0, m_envelopePrefix.size()) != m_envelopePrefix ||
        text[m_envelopePrefix.size()] != u':') {
        return E_FAIL;
    }
    const std::u16string_view local = text.substr(m_envelopePrefix.size() + 1);
    for (const auto& code : kFaultCodes) {
        if (code.name == local) {
            m_fault.code = code.code;
        }
    }
    if (m_fault.faultString.IsNull()) {
        CBstr name(local);
        if (name.IsNull()) {
            return E_OUTOFMEMORY;
        }
        m_fault.codeLocalName = std::move(name);
    }
    return S_OK;
}

HRESULT CFaultReader::Store(CBstr& field, std::u16string_view text) {
    if (!field.IsNull()) {
        return E_FAIL;
    }
    CBstr value(text);
    if (value.IsNull()) {
        return E_OUTOFMEMORY;
    }
    field = std::move(value);
    return S_OK;
}
