#pragma once
// Reads the SOAP 1.1 fault of a status-500 answer into a CFaultRecord. The envelope must bind a
// prefix to the envelope namespace, the faultcode must use it, and Envelope, Body and Fault must
// nest in that order (a Header before the Body is refused).

#include "sax/CContentHandlerBase.h"
#include "sax/ISAXXMLReader.h"
#include "webservice/soap/CFaultRecord.h"
#include "webservice/soap/CSubtreeSkipper.h"
#include "webservice/soap/CTextCollector.h"

#include <string>

class CFaultReader final : public sax::CContentHandlerBase {
public:
    // Clears the record, parses the stream with a fresh fault reader and detaches it again.
    [[nodiscard]] static HRESULT Parse(CFaultRecord& fault, sax::ISAXXMLReader* reader,
                                       sax::ISequentialStream* stream);

    CFaultReader(CFaultRecord& fault, sax::ISAXXMLReader* reader)
        : m_fault(fault), m_reader(reader) {}

    HRESULT StartPrefixMapping(std::u16string_view prefix, std::u16string_view uri) override;
    HRESULT StartElement(std::u16string_view uri, std::u16string_view localName,
                         std::u16string_view qName, const sax::ISAXAttributes& attributes) override;
    HRESULT Characters(std::u16string_view text) override;

private:
    enum State : int {
        None = 0,
        Envelope = 1,
        BodyOrHeader = 2,
        Fault = 4,
        FaultCode = 8,
        FaultString = 16,
        FaultActor = 32,
        Detail = 64,
        Skipping = 256,
    };

    [[nodiscard]] HRESULT TakeFaultCode(std::u16string_view text);
    [[nodiscard]] static HRESULT Store(CBstr& field, std::u16string_view text);

    CFaultRecord& m_fault;
    sax::ISAXXMLReader* m_reader;
    int m_state = None;
    bool m_textTaken = false;
    bool m_havePrefix = false;
    std::u16string m_envelopePrefix;
    CTextCollector m_collector;
    CSubtreeSkipper m_skipper;
};
