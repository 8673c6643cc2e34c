#pragma once
// The body generators of the envelope writer. CBodyWriter holds what every style shares (rows,
// values, arrays); the styles differ in how the body, the table element and a row start.
//   CRpcEncodedWriter       rpc/encoded: "snp:" prefixed table element, encodingStyle on the body
//   CDocLiteralWriter       document/literal
//     CWrappedParamsWriter  parameters inside an element named after the operation
//     CBareParamsWriter     parameters directly under the body

#include "webservice/soap/CSoapEnvelopeHandler.h"

#include <cstring>
#include <string_view>

class CSoapEnvelopeHandler::CBodyWriter {
public:
    CBodyWriter(IByteSink& sink, std::string_view serviceNamespace, bool clientMode)
        : m_sink(sink), m_serviceNamespace(serviceNamespace), m_clientMode(clientMode) {}
    CBodyWriter(const CBodyWriter&) = delete;
    CBodyWriter& operator=(const CBodyWriter&) = delete;
    virtual ~CBodyWriter() = default;

    [[nodiscard]] virtual HRESULT StartBody();
    [[nodiscard]] virtual HRESULT StartTable(const SoapFunctionMap& table) = 0;
    [[nodiscard]] virtual HRESULT EndTable(const SoapFunctionMap& table) = 0;
    // Writes the start tag of a row up to (not including) its closing ">" or nil marker; tells
    // whether the row's name was prefixed with "snp:".
    [[nodiscard]] virtual HRESULT StartRow(const SoapFunctionMap& table, const SoapParamEntry& row,
                                           bool prefixed);

    [[nodiscard]] HRESULT WriteHeaders(const SoapFunctionMap& headerSet, const void* record);
    // A table with its table element (operations, structures inside arrays).
    [[nodiscard]] HRESULT WriteTable(const SoapFunctionMap& table, const void* record);
    // A table's rows alone (header sets, structure rows).
    [[nodiscard]] HRESULT WriteRows(const SoapFunctionMap& table, const void* record,
                                    bool headerSet);
    // Hands what is still buffered to the sink.
    [[nodiscard]] HRESULT Flush();
    // Text goes into the block while it fits, which is nearly always.
    [[nodiscard]] HRESULT Put(std::string_view text) {
        if (text.size() > sizeof m_block - m_used) {
            return PutPastBlock(text);
        }
        std::memcpy(m_block + m_used, text.data(), text.size());
        m_used += text.size();
        return S_OK;
    }

protected:
    [[nodiscard]] bool IsServer() const { return !m_clientMode; }

private:
    // Text that does not fit what is left of the block.
    [[nodiscard]] HRESULT PutPastBlock(std::string_view text);
    [[nodiscard]] HRESULT WriteToSink(std::string_view text);
    [[nodiscard]] HRESULT WriteRow(const SoapFunctionMap& table, const SoapParamEntry& row,
                                   const void* record, bool headerSet);
    [[nodiscard]] HRESULT WriteValue(const SoapParamEntry& row, const void* value);
    [[nodiscard]] HRESULT WriteSimple(std::int32_t typeCode, const void* value);
    [[nodiscard]] HRESULT WriteEnumerator(const SoapFunctionMap& enumeration, const void* value);
    [[nodiscard]] HRESULT WriteArrayType(const SoapParamEntry& row, std::uint64_t count);
    [[nodiscard]] HRESULT WriteArray(const SoapParamEntry& row, const void* elements,
                                     std::uint64_t count);
    [[nodiscard]] HRESULT WriteArrayElement(const SoapParamEntry& row, const void* element);
    [[nodiscard]] HRESULT ArrayCount(const SoapFunctionMap& table, const SoapParamEntry& row,
                                     const void* record, std::uint64_t& count) const;

    IByteSink& m_sink;
    std::string_view m_serviceNamespace;
    bool m_clientMode;
    // Everything is gathered here and handed to the sink a block at a time.
    char m_block[4096];
    std::size_t m_used = 0;
};

class CSoapEnvelopeHandler::CRpcEncodedWriter final : public CBodyWriter {
public:
    using CBodyWriter::CBodyWriter;
    [[nodiscard]] HRESULT StartBody() override;
    [[nodiscard]] HRESULT StartTable(const SoapFunctionMap& table) override;
    [[nodiscard]] HRESULT EndTable(const SoapFunctionMap& table) override;
};

class CSoapEnvelopeHandler::CDocLiteralWriter : public CBodyWriter {
public:
    using CBodyWriter::CBodyWriter;
    [[nodiscard]] HRESULT StartTable(const SoapFunctionMap& table) override;
    [[nodiscard]] HRESULT EndTable(const SoapFunctionMap& table) override;
};

class CSoapEnvelopeHandler::CWrappedParamsWriter final : public CDocLiteralWriter {
public:
    using CDocLiteralWriter::CDocLiteralWriter;
};

class CSoapEnvelopeHandler::CBareParamsWriter final : public CDocLiteralWriter {
public:
    using CDocLiteralWriter::CDocLiteralWriter;
    [[nodiscard]] HRESULT StartRow(const SoapFunctionMap& table, const SoapParamEntry& row,
                                   bool prefixed) override;
};
