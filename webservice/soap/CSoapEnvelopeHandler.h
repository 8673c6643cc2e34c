#pragma once
// Writes a SOAP 1.1 request envelope from an operation's tables and a caller's parameter record,
// and reads the response back into the record as the SAX content handler of the reader. A derived
// proxy supplies the tables, the target namespace and the record that holds header values.
//
// What a response must look like:
//   Envelope (envelope namespace)
//     [Header  header rows, unknown ones skipped unless they must be understood]
//     Body
//       one element (name not examined)
//         output rows, matched by local name, each at most once, in any order;
//         each holds its value as text, or a true xsi:nil when its row is Nullable
// White space between elements is ignored; required outputs must be present.

#include "sax/CContentHandlerBase.h"
#include "sax/ISAXXMLReader.h"
#include "webservice/soap/CSubtreeSkipper.h"
#include "webservice/soap/CTextCollector.h"
#include "webservice/soap/IByteSink.h"
#include "webservice/soap/SoapTables.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Where the parse is in the envelope.
enum ParseState : int {
    BeforeEnvelope = 0,
    InEnvelope = 1,
    InHeader = 2,
    InBody = 3,
    InOperation = 4,
    AfterHeader = 7,
    // The operation element has ended; only references may follow it.
    AfterOperation = 8,
    // The body has ended; only elements of the envelope namespace, passed over, may follow it.
    AfterBody = 9,
};

// One level of the parse stack.
struct ParseFrame {
    std::uint8_t* value = nullptr; // record or value being filled; an array's element block
    std::uint32_t flags = 0;       // the row's flags, plus ValueOpen or UnknownSize
    std::uint32_t allocated = 0;   // element slots of an array; the operation index at the bottom
    std::uint32_t expected = 0;
    std::uint32_t found = 0;
    const SoapFunctionMap* table = nullptr;
    const SoapParamEntry* row = nullptr;
    std::uint64_t seen = 0;              // seen rows 0-63
    std::vector<std::uint64_t> moreSeen; // seen rows from 64 on, 64 per word
    int depth = 0;                       // element depth when the frame was pushed
    // Arrays: where the block pointer and the element count live in the owning record.
    std::uint8_t* pointerSlot = nullptr;
    std::uint8_t* countValue = nullptr;
    std::int32_t countType = xsdUnknown;
    bool valueTaken = false;
    bool isArray = false;

    [[nodiscard]] bool Seen(std::size_t index) const;
    [[nodiscard]] bool MarkSeen(std::size_t index);
};

class CSoapEnvelopeHandler : public sax::CContentHandlerBase {
public:
    // No array may claim more bytes than this before its elements arrive.
    static constexpr std::uint64_t kMaxArrayBytes = std::uint64_t{64} << 20;

    CSoapEnvelopeHandler();
    CSoapEnvelopeHandler(const CSoapEnvelopeHandler&) = delete;
    CSoapEnvelopeHandler& operator=(const CSoapEnvelopeHandler&) = delete;

    HRESULT StartDocument() override;
    // A document that ends before its Envelope and Body were seen is no response.
    HRESULT EndDocument() override;
    HRESULT StartElement(std::u16string_view uri, std::u16string_view localName,
                         std::u16string_view qName, const sax::ISAXAttributes& attributes) override;
    HRESULT EndElement(std::u16string_view uri, std::u16string_view localName,
                       std::u16string_view qName) override;
    HRESULT Characters(std::u16string_view text) override;
    // The envelope is read by resolved names alone.
    [[nodiscard]] bool TakesPrefixMappings() const override { return false; }

    // What the proxy supplies. Both table lists end with a null entry; an operation's position in
    // the list is its operation index.
    [[nodiscard]] virtual const SoapFunctionMap* const* GetOperationTables() const = 0;
    [[nodiscard]] virtual const SoapFunctionMap* const* GetHeaderTables() const = 0;
    [[nodiscard]] virtual std::u16string_view GetTargetNamespace() const = 0;
    // Reserved; a client never calls it.
    [[nodiscard]] virtual const void* GetReserved() const { return nullptr; }
    [[nodiscard]] virtual std::string_view GetTargetNamespaceA() const = 0;
    // Only a server dispatches calls.
    [[nodiscard]] virtual HRESULT DispatchCall(void*, int) { return E_NOTIMPL; }
    // The record against which header rows are written and read.
    [[nodiscard]] virtual void* GetHeaderRecord() = 0;
    virtual ~CSoapEnvelopeHandler();
    // Called for a header that matches no row and must be understood; failing refuses it.
    [[nodiscard]] virtual HRESULT ReportMustUnderstand(std::u16string_view localName);
    // The first element inside the body: takes the operation's table and record.
    [[nodiscard]] virtual HRESULT DispatchBody();
    // Parses the whole stream with this handler; fails when references are left unresolved.
    [[nodiscard]] virtual HRESULT ParseEnvelope(sax::ISequentialStream* stream);
    [[nodiscard]] virtual HRESULT WriteEnvelope(IByteSink* stream);
    // Releases every value the last parse stored in the response rows, header outputs included.
    virtual void FreeOutputs();
    virtual void FreeHeaderOutputs();

    // Remembers the caller's record and pushes the first frame, for the operation's header set.
    [[nodiscard]] HRESULT BindCall(void* record, int operationIndex);
    // Empties the parse stack and forgets the bound record.
    void ResetCallState();

    [[nodiscard]] ParseState GetParseState() const { return m_state; }

protected:
    class CBodyWriter;
    class CRpcEncodedWriter;
    class CDocLiteralWriter;
    class CWrappedParamsWriter;
    class CBareParamsWriter;

    sax::ISAXXMLReader* m_reader = nullptr;
    bool m_clientMode = false;

private:
    struct Reference {
        std::u16string id;
        const SoapParamEntry* row;
        const SoapFunctionMap* table; // the table that holds the row
        std::uint8_t* record;         // the record the row addresses
    };

    [[nodiscard]] const SoapFunctionMap* OperationTable() const;
    [[nodiscard]] bool RpcEncoded() const;
    [[nodiscard]] HRESULT EnvelopeElement(std::u16string_view uri, std::u16string_view localName);
    [[nodiscard]] HRESULT SkipElement();
    [[nodiscard]] HRESULT ProcessRow(std::u16string_view localName,
                                     const sax::ISAXAttributes& attributes);
    [[nodiscard]] HRESULT ProcessArrayElement(const sax::ISAXAttributes& attributes);
    [[nodiscard]] HRESULT UnknownRow(std::u16string_view localName,
                                     const sax::ISAXAttributes& attributes);
    [[nodiscard]] HRESULT ResolveReference(const sax::ISAXAttributes& attributes, bool& resolved);
    [[nodiscard]] HRESULT AddReference(std::u16string_view href, const SoapParamEntry& row,
                                       const SoapFunctionMap& table, std::uint8_t* record);
    [[nodiscard]] HRESULT StartRowValue(const SoapParamEntry& row, const SoapFunctionMap& table,
                                        std::uint8_t* record,
                                        const sax::ISAXAttributes& attributes);
    [[nodiscard]] HRESULT StartValue(const SoapParamEntry& row, std::uint8_t* address,
                                     const sax::ISAXAttributes& attributes);
    [[nodiscard]] HRESULT StartArray(const SoapParamEntry& row, const SoapFunctionMap& table,
                                     std::uint8_t* record, const sax::ISAXAttributes& attributes);
    [[nodiscard]] HRESULT StartStructure(const SoapParamEntry& row, std::uint8_t* address,
                                         const sax::ISAXAttributes& attributes);
    [[nodiscard]] HRESULT GrowArray(ParseFrame& frame);
    [[nodiscard]] HRESULT PushFrame(ParseFrame frame);
    [[nodiscard]] HRESULT StoreText(ParseFrame& frame, std::u16string_view text);
    [[nodiscard]] HRESULT StoreEnumeration(ParseFrame& frame, std::u16string_view text);
    [[nodiscard]] HRESULT EndFrame(int depth);
    [[nodiscard]] bool Complete(const ParseFrame& frame) const;
    [[nodiscard]] bool HeadersComplete(const ParseFrame& frame) const;

    void FreeRows(const SoapFunctionMap& table, std::uint8_t* record, bool responseOnly);
    void FreeRow(const SoapParamEntry& row, const SoapFunctionMap& table, std::uint8_t* record);
    void FreeElement(const SoapParamEntry& row, std::uint8_t* address);

    std::vector<ParseFrame> m_stack;
    std::size_t m_current = 0;
    ParseState m_state = BeforeEnvelope;
    CTextCollector m_collector;
    CSubtreeSkipper m_skipper;
    std::uint8_t* m_record = nullptr;
    int m_operationIndex = -1;
    bool m_outputsOwned = false;
    bool m_headerOutputsOwned = false;
    bool m_noChild = false;
    bool m_textRequired = false;
    int m_depth = 0;
    std::vector<Reference> m_references;
};
