#include "webservice/soap/CBodyWriter.h"

#include "com/Bstr.h"
#include "webservice/soap/SoapValueText.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace {

constexpr std::string_view kEnvelopeStart =
    "<soap:Envelope"
    " xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\""
    " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\""
    " xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\""
    " xmlns:soapenc=\"http://schemas.xmlsoap.org/soap/encoding/\">";
static_assert(kEnvelopeStart.size() == 227);

constexpr std::uint32_t kRpcEncoded = SoapFlags::RpcStyle | SoapFlags::EncodedUse;

template <typename T>
T Load(const void* address) {
    T value;
    std::memcpy(&value, address, sizeof value);
    return value;
}

bool IsArrayRow(const SoapParamEntry& row) {
    return (row.flags & (SoapFlags::DynamicArray | SoapFlags::FixedArray)) != 0;
}

std::string_view RowName(const SoapParamEntry& row) {
    return (row.flags & SoapFlags::ReturnValue) != 0 ? std::string_view("return")
                                                     : std::string_view(row.name);
}

// The namespace a prefixed row declares: its structure's when that has one, else its own.
const char* RowNamespace(const SoapParamEntry& row) {
    if (row.nestedMap != nullptr && row.nestedMap->namespaceUri != nullptr) {
        return row.nestedMap->namespaceUri;
    }
    return row.namespaceUri;
}

template <typename T>
void AppendDecimal(std::string& out, T value) {
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, static_cast<std::size_t>(result.ptr - digits));
}

} // namespace

HRESULT CSoapEnvelopeHandler::CBodyWriter::PutPastBlock(std::string_view text) {
    // The block is filled and handed on whole.
    const std::size_t room = sizeof m_block - m_used;
    std::memcpy(m_block + m_used, text.data(), room);
    m_used += room;
    text.remove_prefix(room);
    const HRESULT hr = Flush();
    if (Failed(hr)) {
        return hr;
    }
    // What is left goes straight on when it would fill a block itself, else starts the next.
    if (text.size() >= sizeof m_block) {
        return WriteToSink(text);
    }
    std::memcpy(m_block, text.data(), text.size());
    m_used = text.size();
    return S_OK;
}

HRESULT CSoapEnvelopeHandler::CBodyWriter::WriteToSink(std::string_view text) {
    // The sink takes 32-bit lengths; a longer text goes in slices.
    constexpr std::size_t kSlice = std::size_t{1} << 30;
    while (!text.empty()) {
        const std::size_t piece = std::min(text.size(), kSlice);
        std::uint32_t written = 0;
        const HRESULT hr = m_sink.Write(text.data(), static_cast<std::int32_t>(piece), &written);
        if (Failed(hr)) {
            return hr;
        }
        if (written != piece) {
            return E_FAIL;
        }
        text.remove_prefix(piece);
    }
    return S_OK;
}

HRESULT CSoapEnvelopeHandler::CBodyWriter::Flush() {
    const std::string_view held(m_block, m_used);
    m_used = 0;
    return WriteToSink(held);
}

HRESULT CSoapEnvelopeHandler::CBodyWriter::StartBody() {
    return Put("<soap:Body>");
}

HRESULT CSoapEnvelopeHandler::CBodyWriter::StartRow(const SoapFunctionMap&,
                                                    const SoapParamEntry& row, bool prefixed) {
    HRESULT hr = Put(prefixed ? "<snp:" : "<");
    if (Succeeded(hr)) {
        hr = Put(RowName(row));
    }
    const char* ns = RowNamespace(row);
    if (Succeeded(hr) && prefixed && ns != nullptr) {
        hr = Put(" xmlns:snp=\"");
        if (Succeeded(hr)) {
            hr = Put(ns);
        }
        if (Succeeded(hr)) {
            hr = Put("\"");
        }
    }
    if (Succeeded(hr) && (row.flags & SoapFlags::MustUnderstand) != 0) {
        hr = Put(" soap:mustUnderstand=\"1\"");
    }
    return hr;
}

HRESULT CSoapEnvelopeHandler::CBodyWriter::WriteHeaders(const SoapFunctionMap& headerSet,
                                                        const void* record) {
    bool any = false;
    for (const SoapParamEntry* row = headerSet.entries; row != nullptr && row->nameHash != 0;
         ++row) {
        any = any || soap::TravelsOut(row->flags, m_clientMode);
    }
    if (!any) {
        return S_OK;
    }
    HRESULT hr = Put("<soap:Header");
    if (Succeeded(hr)) {
        if ((headerSet.callFlags & kRpcEncoded) == kRpcEncoded) {
            hr = Put(">");
        } else {
            hr = Put(" xmlns=\"");
            if (Succeeded(hr) && headerSet.namespaceUri != nullptr) {
                hr = Put(headerSet.namespaceUri);
            }
            if (Succeeded(hr)) {
                hr = Put("\">");
            }
        }
    }
    if (Succeeded(hr)) {
        hr = WriteRows(headerSet, record, true);
    }
    return Succeeded(hr) ? Put("</soap:Header>") : hr;
}

HRESULT CSoapEnvelopeHandler::CBodyWriter::WriteTable(const SoapFunctionMap& table,
                                                      const void* record) {
    const bool element = (table.callFlags & SoapFlags::BareParams) == 0;
    HRESULT hr = element ? StartTable(table) : S_OK;
    if (Succeeded(hr)) {
        hr = WriteRows(table, record, false);
    }
    if (Succeeded(hr) && element) {
        hr = EndTable(table);
    }
    return hr;
}

HRESULT CSoapEnvelopeHandler::CBodyWriter::WriteRows(const SoapFunctionMap& table,
                                                     const void* record, bool headerSet) {
    for (const SoapParamEntry* row = table.entries; row != nullptr && row->nameHash != 0; ++row) {
        if (!soap::TravelsOut(row->flags, m_clientMode) ||
            (row->flags & SoapFlags::NotMarshalled) != 0) {
            continue;
        }
        const HRESULT hr = WriteRow(table, *row, record, headerSet);
        if (Failed(hr)) {
            return hr;
        }
    }
    return S_OK;
}

HRESULT CSoapEnvelopeHandler::CBodyWriter::WriteRow(const SoapFunctionMap& table,
                                                    const SoapParamEntry& row, const void* record,
                                                    bool headerSet) {
    const auto* value = static_cast<const std::uint8_t*>(record) + row.offset;
    const bool prefixed = row.namespaceUri != nullptr || (headerSet && row.nestedMap != nullptr &&
                                                          row.nestedMap->namespaceUri != nullptr);
    HRESULT hr = StartRow(table, row, prefixed);
    if (Failed(hr)) {
        return hr;
    }
    bool nil = false;
    std::uint64_t count = 0;
    const void* elements = value;
    if (IsArrayRow(row)) {
        if ((row.flags & SoapFlags::DynamicArray) != 0) {
            elements = Load<const void*>(value);
            nil = elements == nullptr;
        }
        if (!nil) {
            hr = ArrayCount(table, row, record, count);
            if (Succeeded(hr)) {
                hr = WriteArrayType(row, count);
            }
        }
    } else if (row.nestedMap == nullptr) {
        nil = (row.typeCode == xsdString && Load<BSTR>(value) == nullptr) ||
              (soap::IsBlobType(row.typeCode) && Load<SoapBlob>(value).data == nullptr);
    }
    if (Failed(hr) || nil) {
        return Failed(hr) ? hr : Put(" xsi:nil=\"1\"/>");
    }
    hr = Put(">");
    if (Succeeded(hr)) {
        hr = IsArrayRow(row) ? WriteArray(row, elements, count) : WriteValue(row, value);
    }
    if (Succeeded(hr)) {
        hr = Put(prefixed ? "</snp:" : "</");
    }
    if (Succeeded(hr)) {
        hr = Put(RowName(row));
    }
    return Succeeded(hr) ? Put(">") : hr;
}

HRESULT CSoapEnvelopeHandler::CBodyWriter::WriteValue(const SoapParamEntry& row,
                                                      const void* value) {
    if (row.nestedMap == nullptr) {
        return WriteSimple(row.typeCode, value);
    }
    if (row.nestedMap->mapKind == SoapMapStructure) {
        return WriteRows(*row.nestedMap, value, false);
    }
    if (row.nestedMap->mapKind == SoapMapEnumeration) {
        return WriteEnumerator(*row.nestedMap, value);
    }
    return E_FAIL;
}

HRESULT CSoapEnvelopeHandler::CBodyWriter::WriteEnumerator(const SoapFunctionMap& enumeration,
                                                           const void* value) {
    const auto stored = Load<std::int32_t>(value);
    for (const SoapParamEntry* row = enumeration.entries; row != nullptr && row->nameHash != 0;
         ++row) {
        if (row->typeCode == stored) {
            return Put(row->name);
        }
    }
    return E_FAIL;
}

HRESULT CSoapEnvelopeHandler::CBodyWriter::WriteSimple(std::int32_t typeCode, const void* value) {
    std::string text;
    try {
        if (soap::IsTextType(typeCode)) {
            const std::u16string_view view = BstrView(Load<BSTR>(value));
            // A reference to such a character is malformed XML the service must refuse.
            if (!soap::XmlCanCarry(view)) {
                return E_INVALIDARG;
            }
            // Most texts need no escaping: measure first and copy only when it changes them.
            if (soap::EscapedLength(view) == view.size()) {
                text.reserve(view.size());
                for (const char16_t c : view) {
                    text.push_back(static_cast<char>(c));
                }
            } else {
                soap::AppendEscaped(text, view);
            }
        } else if (soap::IsBlobType(typeCode)) {
            const auto blob = Load<SoapBlob>(value);
            if (blob.data != nullptr) {
                (typeCode == xsdHexBinary ? soap::AppendHex : soap::AppendBase64)(text, blob.data,
                                                                                  blob.size);
            }
        } else if (typeCode == xsdBoolean) {
            text = Load<std::uint8_t>(value) == 1 ? "true" : "false";
        } else if (typeCode == xsdFloat) {
            soap::AppendDouble(text, static_cast<double>(Load<float>(value)));
        } else if (typeCode == xsdDouble || typeCode == xsdDecimal) {
            soap::AppendDouble(text, Load<double>(value));
        } else if (typeCode == xsdNonNegativeInteger || typeCode == xsdUnsignedLong ||
                   typeCode == xsdPositiveInteger) {
            AppendDecimal(text, Load<std::uint64_t>(value));
        } else {
            std::int64_t number = 0;
            if (!soap::ReadInteger(value, typeCode, number)) {
                return E_FAIL; // 4096, -1, -2 and anything unknown cannot be written
            }
            AppendDecimal(text, number);
        }
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return Put(text);
}

HRESULT CSoapEnvelopeHandler::CBodyWriter::ArrayCount(const SoapFunctionMap& table,
                                                      const SoapParamEntry& row, const void* record,
                                                      std::uint64_t& count) const {
    if ((row.flags & SoapFlags::FixedArray) != 0) {
        count = soap::FixedCount(row.dimensions);
        return count > 0 ? S_OK : E_FAIL;
    }
    if (row.sizeIsIndex < 0 || static_cast<std::size_t>(row.sizeIsIndex) >= soap::RowCount(table)) {
        return E_FAIL;
    }
    const SoapParamEntry& sizeRow = table.entries[row.sizeIsIndex];
    std::int64_t value = 0;
    if (!soap::ReadInteger(static_cast<const std::uint8_t*>(record) + sizeRow.offset,
                           sizeRow.typeCode, value) ||
        value <= 0) {
        return E_FAIL;
    }
    count = static_cast<std::uint64_t>(value);
    return S_OK;
}

HRESULT CSoapEnvelopeHandler::CBodyWriter::WriteArrayType(const SoapParamEntry& row,
                                                          std::uint64_t count) {
    std::string text;
    try {
        if (row.nestedMap != nullptr) {
            const char* ns = row.nestedMap->namespaceUri;
            text = " xmlns:q1=\"";
            text += ns != nullptr ? std::string_view(ns) : m_serviceNamespace;
            text += "\" soapenc:arrayType=\"q1:";
            text += row.nestedMap->name;
        } else {
            const std::string_view name = soap::XsdName(row.typeCode);
            if (name.empty()) {
                return E_FAIL;
            }
            text = " soapenc:arrayType=\"xsd:";
            text += name;
        }
        text += "[";
        if ((row.flags & SoapFlags::FixedArray) != 0) {
            for (std::int32_t i = 1; i <= row.dimensions[0]; ++i) {
                if (i > 1) {
                    text += ", ";
                }
                AppendDecimal(text, row.dimensions[i]);
            }
        } else {
            AppendDecimal(text, count);
        }
        text += "]\"";
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return Put(text);
}

HRESULT CSoapEnvelopeHandler::CBodyWriter::WriteArray(const SoapParamEntry& row,
                                                      const void* elements, std::uint64_t count) {
    const std::size_t size = soap::RowElementSize(row);
    if (size == 0) {
        return E_FAIL;
    }
    for (std::uint64_t i = 0; i < count; ++i) {
        const HRESULT hr =
            WriteArrayElement(row, static_cast<const std::uint8_t*>(elements) + i * size);
        if (Failed(hr)) {
            return hr;
        }
    }
    return S_OK;
}

HRESULT CSoapEnvelopeHandler::CBodyWriter::WriteArrayElement(const SoapParamEntry& row,
                                                             const void* element) {
    if (row.nestedMap != nullptr && row.nestedMap->mapKind == SoapMapStructure) {
        return WriteTable(*row.nestedMap, element);
    }
    const std::string_view name = row.nestedMap != nullptr ? std::string_view(row.nestedMap->name)
                                                           : soap::XsdName(row.typeCode);
    if (name.empty()) {
        return E_FAIL;
    }
    const bool nil = row.nestedMap == nullptr &&
                     ((row.typeCode == xsdString && Load<BSTR>(element) == nullptr) ||
                      (soap::IsBlobType(row.typeCode) && Load<SoapBlob>(element).data == nullptr));
    HRESULT hr = Put("<");
    if (Succeeded(hr)) {
        hr = Put(name);
    }
    if (Succeeded(hr)) {
        hr = Put(nil ? " xsi:nil=\"1\">" : ">");
    }
    if (Succeeded(hr) && !nil) {
        hr = row.nestedMap != nullptr ? WriteEnumerator(*row.nestedMap, element)
                                      : WriteSimple(row.typeCode, element);
    }
    if (Succeeded(hr)) {
        hr = Put("</");
    }
    if (Succeeded(hr)) {
        hr = Put(name);
    }
    return Succeeded(hr) ? Put(">") : hr;
}

HRESULT CSoapEnvelopeHandler::CRpcEncodedWriter::StartBody() {
    return Put("<soap:Body soap:encodingStyle=\"http://schemas.xmlsoap.org/soap/encoding/\">");
}

HRESULT CSoapEnvelopeHandler::CRpcEncodedWriter::StartTable(const SoapFunctionMap& table) {
    HRESULT hr = Put("<snp:");
    if (Succeeded(hr)) {
        hr = Put(table.name);
    }
    if (Succeeded(hr) && IsServer() && table.mapKind == SoapMapOperation) {
        hr = Put("Response");
    }
    if (Succeeded(hr) && table.mapKind == SoapMapOperation) {
        hr = Put(" xmlns:snp=\"");
        if (Succeeded(hr) && table.namespaceUri != nullptr) {
            hr = Put(table.namespaceUri);
        }
        if (Succeeded(hr)) {
            hr = Put("\"");
        }
    }
    return Succeeded(hr) ? Put(">") : hr;
}

HRESULT CSoapEnvelopeHandler::CRpcEncodedWriter::EndTable(const SoapFunctionMap& table) {
    HRESULT hr = Put("</snp:");
    if (Succeeded(hr)) {
        hr = Put(table.name);
    }
    if (Succeeded(hr) && IsServer() && table.mapKind == SoapMapOperation) {
        hr = Put("Response");
    }
    return Succeeded(hr) ? Put(">") : hr;
}

HRESULT CSoapEnvelopeHandler::CDocLiteralWriter::StartTable(const SoapFunctionMap& table) {
    HRESULT hr = Put("<");
    if (Succeeded(hr)) {
        hr = Put(table.name);
    }
    if (Succeeded(hr) && IsServer() && table.mapKind == SoapMapOperation) {
        hr = Put("Response");
    }
    if (Succeeded(hr) && table.mapKind == SoapMapOperation) {
        hr = Put(" xmlns=\"");
        if (Succeeded(hr) && table.namespaceUri != nullptr) {
            hr = Put(table.namespaceUri);
        }
        if (Succeeded(hr)) {
            hr = Put("\"");
        }
    }
    return Succeeded(hr) ? Put(">") : hr;
}

HRESULT CSoapEnvelopeHandler::CDocLiteralWriter::EndTable(const SoapFunctionMap& table) {
    HRESULT hr = Put("</");
    if (Succeeded(hr)) {
        hr = Put(table.name);
    }
    if (Succeeded(hr) && IsServer() && table.mapKind == SoapMapOperation) {
        hr = Put("Response");
    }
    return Succeeded(hr) ? Put(">") : hr;
}

HRESULT CSoapEnvelopeHandler::CBareParamsWriter::StartRow(const SoapFunctionMap& table,
                                                          const SoapParamEntry& row,
                                                          bool prefixed) {
    HRESULT hr = CBodyWriter::StartRow(table, row, prefixed);
    if (Succeeded(hr) && (table.callFlags & SoapFlags::BareParams) != 0) {
        hr = Put(" xmlns=\"");
        if (Succeeded(hr) && table.namespaceUri != nullptr) {
            hr = Put(table.namespaceUri);
        }
        if (Succeeded(hr)) {
            hr = Put("\"");
        }
    }
    return hr;
}

namespace {

// The whole envelope through one writer, which lives on the stack for the call.
template <typename Writer>
HRESULT WriteWith(Writer&& writer, const SoapFunctionMap& headerSet, const void* headerRecord,
                  const SoapFunctionMap& op, const void* record) {
    HRESULT hr = writer.Put(kEnvelopeStart);
    if (Succeeded(hr)) {
        hr = writer.WriteHeaders(headerSet, headerRecord);
    }
    if (Succeeded(hr)) {
        hr = writer.StartBody();
    }
    if (Succeeded(hr)) {
        hr = writer.WriteTable(op, record);
    }
    if (Succeeded(hr)) {
        hr = writer.Put("</soap:Body></soap:Envelope>");
    }
    return Succeeded(hr) ? writer.Flush() : hr;
}

} // namespace

HRESULT CSoapEnvelopeHandler::WriteEnvelope(IByteSink* stream) {
    if (stream == nullptr || m_stack.empty()) {
        return E_POINTER;
    }
    const SoapFunctionMap* op = OperationTable();
    const SoapFunctionMap* headerSet = m_stack.front().table;
    if (op == nullptr || headerSet == nullptr) {
        return E_FAIL;
    }
    const std::string_view ns = GetTargetNamespaceA();
    const void* headers = GetHeaderRecord();
    if ((op->callFlags & kRpcEncoded) == kRpcEncoded) {
        return WriteWith(CRpcEncodedWriter(*stream, ns, m_clientMode), *headerSet, headers, *op,
                         m_record);
    }
    if ((op->callFlags & SoapFlags::WrappedParams) != 0) {
        return WriteWith(CWrappedParamsWriter(*stream, ns, m_clientMode), *headerSet, headers, *op,
                         m_record);
    }
    return WriteWith(CBareParamsWriter(*stream, ns, m_clientMode), *headerSet, headers, *op,
                     m_record);
}
