#pragma once
// An envelope handler over operation and header tables chosen by its user, with a reader of its
// own: it writes and parses envelopes without a network, for tools, benchmarks, fuzzing and tests.

#include "webservice/soap/CSoapEnvelopeHandler.h"

#include <string_view>

class CTableEnvelopeHandler : public CSoapEnvelopeHandler {
public:
    // Without a header record of its own, the handler stands in for it, as the account proxy does
    // for its empty header set.
    CTableEnvelopeHandler(const SoapFunctionMap* const* operations,
                          const SoapFunctionMap* const* headers, std::string_view targetNamespace,
                          std::u16string_view targetNamespaceW, void* headerRecord = nullptr);
    ~CTableEnvelopeHandler() override;
    CTableEnvelopeHandler(const CTableEnvelopeHandler&) = delete;
    CTableEnvelopeHandler& operator=(const CTableEnvelopeHandler&) = delete;

    [[nodiscard]] const SoapFunctionMap* const* GetOperationTables() const override {
        return m_operations;
    }
    [[nodiscard]] const SoapFunctionMap* const* GetHeaderTables() const override {
        return m_headers;
    }
    [[nodiscard]] std::u16string_view GetTargetNamespace() const override {
        return m_targetNamespaceW;
    }
    [[nodiscard]] std::string_view GetTargetNamespaceA() const override {
        return m_targetNamespace;
    }
    [[nodiscard]] void* GetHeaderRecord() override {
        return m_headerRecord != nullptr ? m_headerRecord : this;
    }
    [[nodiscard]] sax::ISAXXMLReader* Reader() { return m_reader; }

private:
    const SoapFunctionMap* const* m_operations;
    const SoapFunctionMap* const* m_headers;
    std::string_view m_targetNamespace;
    std::u16string_view m_targetNamespaceW;
    void* m_headerRecord;
};
