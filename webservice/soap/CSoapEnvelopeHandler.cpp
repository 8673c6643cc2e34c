#include "webservice/soap/CSoapEnvelopeHandler.h"

#include "com/Bstr.h"
#include "text/SameText.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace {

// The attributes of an element that is not at hand.
class CNoAttributes final : public sax::ISAXAttributes {
public:
    [[nodiscard]] int GetLength() const override { return 0; }
    [[nodiscard]] std::u16string_view GetUri(int) const override { return {}; }
    [[nodiscard]] std::u16string_view GetLocalName(int) const override { return {}; }
    [[nodiscard]] std::u16string_view GetQName(int) const override { return {}; }
    [[nodiscard]] std::u16string_view GetValue(int) const override { return {}; }
    [[nodiscard]] int GetIndexFromName(std::u16string_view, std::u16string_view) const override {
        return -1;
    }
    [[nodiscard]] int GetIndexFromQName(std::u16string_view) const override { return -1; }
};

} // namespace

bool ParseFrame::Seen(std::size_t index) const {
    if (index < 64) {
        return (seen >> index) & 1u;
    }
    const std::size_t word = (index - 64) / 64;
    return word < moreSeen.size() && ((moreSeen[word] >> ((index - 64) % 64)) & 1u);
}

bool ParseFrame::MarkSeen(std::size_t index) {
    if (index < 64) {
        seen |= std::uint64_t{1} << index;
        return true;
    }
    const std::size_t word = (index - 64) / 64;
    try {
        if (word >= moreSeen.size()) {
            moreSeen.resize(word + 1, 0);
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    moreSeen[word] |= std::uint64_t{1} << ((index - 64) % 64);
    return true;
}

CSoapEnvelopeHandler::CSoapEnvelopeHandler() {
    m_stack.reserve(16);
}

CSoapEnvelopeHandler::~CSoapEnvelopeHandler() = default;

HRESULT CSoapEnvelopeHandler::ReportMustUnderstand(std::u16string_view) {
    return E_FAIL;
}

const SoapFunctionMap* CSoapEnvelopeHandler::OperationTable() const {
    const SoapFunctionMap* const* tables = GetOperationTables();
    if (tables == nullptr || m_operationIndex < 0) {
        return nullptr;
    }
    for (int i = 0; i <= m_operationIndex; ++i) {
        if (tables[i] == nullptr) {
            return nullptr;
        }
    }
    return tables[m_operationIndex];
}

bool CSoapEnvelopeHandler::RpcEncoded() const {
    const SoapFunctionMap* op = OperationTable();
    constexpr std::uint32_t kRpcEncoded = SoapFlags::RpcStyle | SoapFlags::EncodedUse;
    return op != nullptr && (op->callFlags & kRpcEncoded) == kRpcEncoded;
}

HRESULT CSoapEnvelopeHandler::BindCall(void* record, int operationIndex) {
    ResetCallState();
    m_operationIndex = operationIndex;
    const SoapFunctionMap* op = OperationTable();
    const SoapFunctionMap* const* headers = GetHeaderTables();
    if (op == nullptr || headers == nullptr) {
        m_operationIndex = -1;
        return E_INVALIDARG;
    }
    const SoapFunctionMap* headerSet = headers[operationIndex];
    if (headerSet == nullptr || (record == nullptr && op->recordSize != 0)) {
        m_operationIndex = -1;
        return E_INVALIDARG;
    }
    m_record = static_cast<std::uint8_t*>(record);
    ParseFrame frame;
    frame.value = static_cast<std::uint8_t*>(GetHeaderRecord());
    frame.table = headerSet;
    frame.allocated = static_cast<std::uint32_t>(operationIndex);
    frame.expected = headerSet->expectedCount;
    return PushFrame(std::move(frame));
}

void CSoapEnvelopeHandler::ResetCallState() {
    m_stack.clear();
    m_current = 0;
    m_state = BeforeEnvelope;
    m_record = nullptr;
    m_operationIndex = -1;
    m_outputsOwned = false;
    m_headerOutputsOwned = false;
    m_noChild = false;
    m_textRequired = false;
    m_depth = 0;
    m_references.clear();
}

HRESULT CSoapEnvelopeHandler::PushFrame(ParseFrame frame) {
    try {
        m_stack.push_back(std::move(frame));
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    m_current = m_stack.size() - 1;
    return S_OK;
}

HRESULT CSoapEnvelopeHandler::ParseEnvelope(sax::ISequentialStream* stream) {
    if (m_reader == nullptr) {
        return E_POINTER;
    }
    HRESULT hr = m_reader->Parse(stream);
    if (Succeeded(hr) && !m_references.empty()) {
        hr = E_FAIL;
    }
    return hr;
}

HRESULT CSoapEnvelopeHandler::StartDocument() {
    m_noChild = false;
    m_textRequired = false;
    m_state = BeforeEnvelope;
    m_depth = 0;
    return S_OK;
}

HRESULT CSoapEnvelopeHandler::EndDocument() {
    // An empty Body is a complete answer; a document without Envelope or Body is not.
    return m_state == AfterBody ? S_OK : E_FAIL;
}

HRESULT CSoapEnvelopeHandler::StartElement(std::u16string_view uri, std::u16string_view localName,
                                           std::u16string_view,
                                           const sax::ISAXAttributes& attributes) {
    if (m_noChild || m_textRequired || m_stack.empty()) {
        return E_FAIL;
    }
    ++m_depth;
    switch (m_state) {
    case BeforeEnvelope:
    case InEnvelope:
    case AfterHeader:
    case AfterBody:
        return EnvelopeElement(uri, localName);
    case InHeader:
    case InOperation:
        return ProcessRow(localName, attributes);
    case InBody: {
        HRESULT hr = DispatchBody();
        if (Succeeded(hr)) {
            m_state = InOperation;
            if ((m_stack.front().table->callFlags & SoapFlags::BareParams) != 0) {
                hr = ProcessRow(localName, attributes);
            }
        }
        return hr;
    }
    case AfterOperation: {
        if (m_stack.size() > 1) {
            return ProcessRow(localName, attributes); // inside a reference's target
        }
        // Only the targets of references may follow the operation element.
        bool resolved = false;
        const HRESULT hr = RpcEncoded() ? ResolveReference(attributes, resolved) : E_FAIL;
        return Succeeded(hr) && !resolved ? E_FAIL : hr;
    }
    }
    return E_FAIL;
}

HRESULT CSoapEnvelopeHandler::EnvelopeElement(std::u16string_view uri,
                                              std::u16string_view localName) {
    if (!text::SameText(uri, soap::kEnvelopeNsW)) {
        return E_FAIL;
    }
    const std::uint32_t hash = HashName(localName);
    const bool envelope = hash == HashName(u"Envelope") && localName == u"Envelope";
    if (m_state == BeforeEnvelope) {
        // The document's root must be the Envelope itself.
        if (!envelope) {
            return E_FAIL;
        }
        m_state = InEnvelope;
    } else if (envelope) {
        return E_FAIL;
    } else if (hash == HashName(u"Header") && localName == u"Header" && m_state == InEnvelope) {
        m_state = InHeader;
        m_headerOutputsOwned = true;
    } else if (hash == HashName(u"Body") && localName == u"Body" &&
               (m_state == InEnvelope || m_state == AfterHeader)) {
        m_state = InBody;
    } else if ((hash == HashName(u"Header") && localName == u"Header") ||
               (hash == HashName(u"Body") && localName == u"Body")) {
        return E_FAIL; // out of order, or a second one
    } else {
        // Any other element of the envelope namespace is passed over whole, so that nothing
        // inside it (a Body, say) is taken for part of the answer.
        return SkipElement();
    }
    return S_OK;
}

HRESULT CSoapEnvelopeHandler::SkipElement() {
    // The skipper consumes the element's end, so it no longer counts as open here.
    --m_depth;
    return m_skipper.Begin(m_reader, this);
}

bool CSoapEnvelopeHandler::HeadersComplete(const ParseFrame& frame) const {
    const SoapParamEntry* rows = frame.table->entries;
    for (std::size_t i = 0; rows != nullptr && rows[i].nameHash != 0; ++i) {
        const std::uint32_t flags = rows[i].flags;
        if (soap::TravelsIn(flags, m_clientMode) && !frame.Seen(i) &&
            (flags & (SoapFlags::Nullable | SoapFlags::NotMarshalled)) == 0) {
            return false;
        }
    }
    return true;
}

HRESULT CSoapEnvelopeHandler::DispatchBody() {
    const ParseFrame& bottom = m_stack.front();
    if (bottom.table->mapKind == SoapMapHeaderSet && !HeadersComplete(bottom)) {
        return E_FAIL;
    }
    // The element's name is not compared with the table: the bound call decides.
    const SoapFunctionMap* op = OperationTable();
    if (op == nullptr || (m_record == nullptr && op->recordSize != 0)) {
        return E_FAIL;
    }
    if (m_record != nullptr) {
        std::memset(m_record, 0, op->recordSize);
    }
    m_outputsOwned = true;
    m_stack.clear();
    ParseFrame frame;
    frame.value = m_record;
    frame.table = op;
    frame.expected = op->expectedCount;
    frame.allocated = static_cast<std::uint32_t>(m_operationIndex);
    // Bare parameters stand directly in the body: the body's end completes the operation.
    frame.depth = (op->callFlags & SoapFlags::BareParams) != 0 ? m_depth - 1 : m_depth;
    HRESULT hr = PushFrame(std::move(frame));
    if (Succeeded(hr) && (op->callFlags & SoapFlags::Chained) != 0 &&
        (op->callFlags & SoapFlags::BareParams) != 0 && op->expectedCount == 1) {
        // The response elements are the fields of the one output's structure.
        for (std::size_t i = 0; op->entries[i].nameHash != 0; ++i) {
            const SoapParamEntry& row = op->entries[i];
            if (soap::TravelsIn(row.flags, m_clientMode) && row.nestedMap != nullptr &&
                row.nestedMap->mapKind == SoapMapStructure) {
                if (!m_stack.back().MarkSeen(i)) {
                    return E_OUTOFMEMORY;
                }
                ++m_stack.back().found;
                hr = StartStructure(row, m_record + row.offset, CNoAttributes());
                if (Succeeded(hr)) {
                    m_stack.back().depth = m_stack.front().depth;
                }
                break;
            }
        }
    }
    return hr;
}

HRESULT CSoapEnvelopeHandler::EndElement(std::u16string_view uri, std::u16string_view localName,
                                         std::u16string_view) {
    if (m_textRequired) {
        return E_FAIL;
    }
    if (m_stack.empty()) {
        return S_OK;
    }
    m_noChild = false;
    const int depth = m_depth--;
    if (m_state == InHeader && m_stack.size() == 1) {
        if (!text::SameText(uri, soap::kEnvelopeNsW) || !text::SameText(localName, u"Header")) {
            return E_FAIL;
        }
        m_state = AfterHeader;
        return S_OK;
    }
    const HRESULT hr = EndFrame(depth);
    // Depth 2 is a child of the Envelope: when the Body ends, the answer is complete.
    if (Succeeded(hr) && depth == 2 &&
        (m_state == InBody || m_state == InOperation || m_state == AfterOperation)) {
        m_state = AfterBody;
    }
    return hr;
}

HRESULT CSoapEnvelopeHandler::EndFrame(int depth) {
    // Several frames may belong to one element (a wrapped array inside its structure).
    while (!m_stack.empty() && m_stack.back().depth == depth) {
        const ParseFrame& frame = m_stack.back();
        if (!Complete(frame)) {
            return E_FAIL;
        }
        if (m_stack.size() == 1) {
            if (m_state == InOperation) {
                m_state = AfterOperation;
            }
            break;
        }
        m_stack.pop_back();
        m_current = m_stack.size() - 1;
    }
    return S_OK;
}

bool CSoapEnvelopeHandler::Complete(const ParseFrame& frame) const {
    if (frame.isArray) {
        return (frame.flags & SoapFlags::UnknownSize) != 0 || frame.found == frame.expected;
    }
    if (frame.found == frame.expected || frame.table == nullptr ||
        (frame.flags & SoapFlags::ValueOpen) != 0) {
        return true;
    }
    const SoapParamEntry* rows = frame.table->entries;
    for (std::size_t i = 0; rows != nullptr && rows[i].nameHash != 0; ++i) {
        const SoapParamEntry& row = rows[i];
        if (!soap::TravelsIn(row.flags, m_clientMode) || frame.Seen(i) ||
            (row.flags & (SoapFlags::Nullable | SoapFlags::NotMarshalled)) != 0) {
            continue;
        }
        if (row.nestedMap != nullptr && (row.nestedMap->mapKind == SoapMapStructure ||
                                         row.nestedMap->mapKind == SoapMapEnumeration)) {
            continue;
        }
        return false;
    }
    return true;
}

void CSoapEnvelopeHandler::FreeOutputs() {
    if (m_outputsOwned) {
        const SoapFunctionMap* op = OperationTable();
        if (op != nullptr && m_record != nullptr) {
            FreeRows(*op, m_record, true);
        }
        m_outputsOwned = false;
    }
    FreeHeaderOutputs();
}

void CSoapEnvelopeHandler::FreeHeaderOutputs() {
    if (!m_headerOutputsOwned) {
        return;
    }
    m_headerOutputsOwned = false;
    const SoapFunctionMap* const* headers = GetHeaderTables();
    if (headers == nullptr || OperationTable() == nullptr) {
        return;
    }
    const SoapFunctionMap* headerSet = headers[m_operationIndex];
    if (headerSet != nullptr) {
        FreeRows(*headerSet, static_cast<std::uint8_t*>(GetHeaderRecord()), true);
    }
}

void CSoapEnvelopeHandler::FreeRows(const SoapFunctionMap& table, std::uint8_t* record,
                                    bool responseOnly) {
    if (record == nullptr || table.entries == nullptr) {
        return;
    }
    for (const SoapParamEntry* row = table.entries; row->nameHash != 0; ++row) {
        if (!responseOnly || soap::TravelsIn(row->flags, m_clientMode)) {
            FreeRow(*row, table, record);
        }
    }
}

void CSoapEnvelopeHandler::FreeRow(const SoapParamEntry& row, const SoapFunctionMap& table,
                                   std::uint8_t* record) {
    std::uint8_t* address = record + row.offset;
    if ((row.flags & SoapFlags::FixedArray) != 0) {
        const std::uint64_t count = soap::FixedCount(row.dimensions);
        const std::size_t size = soap::RowElementSize(row);
        for (std::uint64_t i = 0; i < count; ++i) {
            FreeElement(row, address + i * size);
        }
        return;
    }
    if ((row.flags & SoapFlags::DynamicArray) != 0) {
        void* block = nullptr;
        std::memcpy(&block, address, sizeof block);
        if (block == nullptr) {
            return;
        }
        std::int64_t count = 0;
        if (row.sizeIsIndex >= 0) {
            const SoapParamEntry& sizeRow = table.entries[row.sizeIsIndex];
            if (!soap::ReadInteger(record + sizeRow.offset, sizeRow.typeCode, count)) {
                count = 0;
            }
        }
        const std::size_t size = soap::RowElementSize(row);
        for (std::int64_t i = 0; i < count; ++i) {
            FreeElement(row,
                        static_cast<std::uint8_t*>(block) + static_cast<std::size_t>(i) * size);
        }
        std::free(block);
        block = nullptr;
        std::memcpy(address, &block, sizeof block);
        return;
    }
    FreeElement(row, address);
}

void CSoapEnvelopeHandler::FreeElement(const SoapParamEntry& row, std::uint8_t* address) {
    if (row.nestedMap != nullptr) {
        if (row.nestedMap->mapKind == SoapMapStructure) {
            FreeRows(*row.nestedMap, address, false);
        }
        return;
    }
    if (soap::IsTextType(row.typeCode)) {
        BSTR text = nullptr;
        std::memcpy(&text, address, sizeof text);
        SysFreeString(text);
        text = nullptr;
        std::memcpy(address, &text, sizeof text);
    } else if (soap::IsBlobType(row.typeCode)) {
        SoapBlob blob;
        std::memcpy(&blob, address, sizeof blob);
        std::free(blob.data);
        blob = SoapBlob{0, nullptr};
        std::memcpy(address, &blob, sizeof blob);
    }
}
