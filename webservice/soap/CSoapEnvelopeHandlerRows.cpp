// The row side of the response parse: matching elements to table rows, nil values, structures,
// arrays, references, and converting element text into values in the caller's record.

#include "webservice/soap/CSoapEnvelopeHandler.h"

#include "com/Bstr.h"
#include "text/SameText.h"
#include "text/Utf8.h"
#include "webservice/soap/SoapValueText.h"

#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

namespace {

constexpr std::u16string_view kArrayType = u"arrayType";

// Reads an XML Schema boolean attribute value; false when it is not one.
bool ParseFlag(std::u16string_view text, bool& value) {
    return soap::ParseBoolean(text, value);
}

// The element count of "type[d1,d2]" as the product of its dimensions; false for "[]" or when the
// text holds no usable count.
bool ArrayTypeCount(std::u16string_view text, std::uint64_t& count) {
    const std::size_t open = text.rfind(u'[');
    const std::size_t close = text.rfind(u']');
    if (open == std::u16string_view::npos || close == std::u16string_view::npos || close < open) {
        return false;
    }
    std::u16string_view inner = text.substr(open + 1, close - open - 1);
    if (inner.empty()) {
        return false;
    }
    count = 1;
    while (true) {
        const std::size_t comma = inner.find(u',');
        std::int64_t dimension = 0;
        if (!soap::ParseSigned(inner.substr(0, comma), 0, std::numeric_limits<std::uint32_t>::max(),
                               dimension)) {
            return false;
        }
        const auto d = static_cast<std::uint64_t>(dimension);
        if (d != 0 && count > std::numeric_limits<std::uint32_t>::max() / d) {
            return false;
        }
        count *= d;
        if (comma == std::u16string_view::npos) {
            return true;
        }
        inner.remove_prefix(comma + 1);
    }
}

// An element is nil only when xsi:nil holds a boolean true; any other value leaves it an
// ordinary value.
bool IsNil(const sax::ISAXAttributes& attributes) {
    std::u16string_view nil;
    bool isNil = false;
    return attributes.GetValueFromName(soap::kSchemaInstanceNsW, u"nil", nil) &&
           ParseFlag(nil, isNil) && isNil;
}

template <typename T>
void Put(std::uint8_t* address, T value) {
    std::memcpy(address, &value, sizeof value);
}

} // namespace

HRESULT CSoapEnvelopeHandler::ProcessRow(std::u16string_view localName,
                                         const sax::ISAXAttributes& attributes) {
    ParseFrame& frame = m_stack[m_current];
    if (frame.isArray) {
        return ProcessArrayElement(attributes);
    }
    if (RpcEncoded() && !m_references.empty()) {
        bool resolved = false;
        const HRESULT hr = ResolveReference(attributes, resolved);
        if (Failed(hr) || resolved) {
            return hr;
        }
    }
    const SoapParamEntry* rows = frame.table != nullptr ? frame.table->entries : nullptr;
    const std::uint32_t hash = HashName(localName);
    for (std::size_t i = 0; rows != nullptr && rows[i].nameHash != 0; ++i) {
        const SoapParamEntry& row = rows[i];
        if (row.nameHash != hash || !soap::TravelsIn(row.flags, m_clientMode) ||
            static_cast<std::size_t>(row.nameLength) != localName.size() ||
            !text::SameText(localName, std::u16string_view(row.wideName, localName.size()))) {
            continue;
        }
        if (frame.Seen(i)) {
            return E_FAIL; // the same element twice
        }
        if (!frame.MarkSeen(i)) {
            return E_OUTOFMEMORY;
        }
        ++frame.found;
        return StartRowValue(row, *frame.table, frame.value, attributes);
    }
    return UnknownRow(localName, attributes);
}

HRESULT CSoapEnvelopeHandler::UnknownRow(std::u16string_view localName,
                                         const sax::ISAXAttributes& attributes) {
    if (m_state != InHeader) {
        return E_FAIL;
    }
    std::u16string_view mustUnderstand;
    if (attributes.GetValueFromName(soap::kEnvelopeNsW, u"mustUnderstand", mustUnderstand)) {
        bool must = true;
        if (!ParseFlag(mustUnderstand, must) || must) {
            return ReportMustUnderstand(localName);
        }
    }
    return SkipElement();
}

HRESULT CSoapEnvelopeHandler::StartRowValue(const SoapParamEntry& row, const SoapFunctionMap& table,
                                            std::uint8_t* record,
                                            const sax::ISAXAttributes& attributes) {
    const bool isArray = (row.flags & (SoapFlags::DynamicArray | SoapFlags::FixedArray)) != 0;
    const bool isStructure = row.nestedMap != nullptr && row.nestedMap->mapKind == SoapMapStructure;
    std::u16string_view href;
    if (RpcEncoded() && attributes.GetValueFromQName(u"href", href)) {
        if (!isArray && !isStructure) {
            return E_FAIL;
        }
        const HRESULT hr = AddReference(href, row, table, record);
        if (Failed(hr)) {
            return hr;
        }
        m_noChild = true;
        ParseFrame empty;
        empty.depth = m_depth;
        return PushFrame(std::move(empty));
    }
    if (isArray) {
        if (IsNil(attributes)) {
            return StartValue(row, record + row.offset, attributes);
        }
        return StartArray(row, table, record, attributes);
    }
    return StartValue(row, record + row.offset, attributes);
}

HRESULT CSoapEnvelopeHandler::StartValue(const SoapParamEntry& row, std::uint8_t* address,
                                         const sax::ISAXAttributes& attributes) {
    if (IsNil(attributes)) {
        if ((row.flags & SoapFlags::Nullable) == 0) {
            return E_FAIL;
        }
        m_noChild = true;
        ParseFrame empty;
        empty.depth = m_depth;
        return PushFrame(std::move(empty));
    }
    if (row.nestedMap != nullptr && row.nestedMap->mapKind == SoapMapStructure) {
        return StartStructure(row, address, attributes);
    }
    ParseFrame frame;
    frame.value = address;
    frame.flags = row.flags | SoapFlags::ValueOpen;
    frame.row = &row;
    frame.table = row.nestedMap;
    frame.depth = m_depth;
    m_noChild = true;
    if (row.nestedMap != nullptr) {
        if (row.nestedMap->mapKind != SoapMapEnumeration) {
            return E_FAIL;
        }
        m_textRequired = true;
        return PushFrame(std::move(frame));
    }
    if (soap::ElementSize(row.typeCode) == 0) {
        return E_FAIL;
    }
    if (row.typeCode == xsdString || row.typeCode == xsdBase64Binary) {
        HRESULT hr = PushFrame(std::move(frame));
        if (Succeeded(hr)) {
            hr = m_collector.Begin(m_reader, this);
        }
        return hr;
    }
    m_textRequired = true;
    return PushFrame(std::move(frame));
}

HRESULT CSoapEnvelopeHandler::StartStructure(const SoapParamEntry& row, std::uint8_t* address,
                                             const sax::ISAXAttributes& attributes) {
    ParseFrame frame;
    frame.value = address;
    frame.flags = row.flags;
    frame.table = row.nestedMap;
    frame.row = &row;
    frame.expected = row.nestedMap->expectedCount;
    frame.depth = m_depth;
    HRESULT hr = PushFrame(std::move(frame));
    if (Failed(hr) || (row.flags & SoapFlags::ArrayWrapper) == 0) {
        return hr;
    }
    // The structure's single array row: its elements stand directly inside this element.
    const SoapParamEntry* inner = row.nestedMap->entries;
    if (inner == nullptr || inner->nameHash == 0 ||
        (inner->flags & (SoapFlags::DynamicArray | SoapFlags::FixedArray)) == 0) {
        return E_FAIL;
    }
    ParseFrame& structure = m_stack.back();
    if (!structure.MarkSeen(0)) {
        return E_OUTOFMEMORY;
    }
    ++structure.found;
    return StartArray(*inner, *row.nestedMap, address, attributes);
}

HRESULT CSoapEnvelopeHandler::StartArray(const SoapParamEntry& row, const SoapFunctionMap& table,
                                         std::uint8_t* record,
                                         const sax::ISAXAttributes& attributes) {
    const std::size_t elementSize = soap::RowElementSize(row);
    if (elementSize == 0) {
        return E_FAIL;
    }
    std::u16string_view arrayType;
    std::uint64_t count = 0;
    const bool known = attributes.GetValueFromName(soap::kEncodingNsW, kArrayType, arrayType) &&
                       ArrayTypeCount(arrayType, count);
    ParseFrame frame;
    frame.flags = row.flags;
    frame.row = &row;
    frame.table = row.nestedMap;
    frame.depth = m_depth;
    frame.isArray = true;
    frame.pointerSlot = record + row.offset;
    if ((row.flags & SoapFlags::FixedArray) != 0) {
        // Fixed arrays live inline in the record: their shape is the table's.
        const std::uint64_t fixed = soap::FixedCount(row.dimensions);
        if (fixed == 0 || (known && count != fixed)) {
            return E_FAIL;
        }
        frame.value = record + row.offset;
        frame.allocated = frame.expected = static_cast<std::uint32_t>(fixed);
        return PushFrame(std::move(frame));
    }
    if (row.sizeIsIndex < 0 || table.entries == nullptr) {
        return E_FAIL; // nowhere to keep the count, so the block could not be released
    }
    const SoapParamEntry& sizeRow = table.entries[row.sizeIsIndex];
    frame.countValue = record + sizeRow.offset;
    frame.countType = sizeRow.typeCode;
    if (!known) {
        if (RpcEncoded()) {
            return E_FAIL;
        }
        frame.flags |= SoapFlags::UnknownSize;
        count = 0;
    }
    if (count * elementSize > kMaxArrayBytes) {
        return E_OUTOFMEMORY;
    }
    if (!soap::WriteInteger(frame.countValue, frame.countType, count)) {
        return E_FAIL;
    }
    frame.expected = static_cast<std::uint32_t>(count);
    const std::uint64_t slots = known ? count : 10;
    if (slots > 0) {
        void* block = std::calloc(static_cast<std::size_t>(slots), elementSize);
        if (block == nullptr) {
            return E_OUTOFMEMORY;
        }
        std::memcpy(frame.pointerSlot, &block, sizeof block);
        frame.value = static_cast<std::uint8_t*>(block);
        frame.allocated = static_cast<std::uint32_t>(slots);
    }
    return PushFrame(std::move(frame));
}

HRESULT CSoapEnvelopeHandler::GrowArray(ParseFrame& frame) {
    const std::size_t elementSize = soap::RowElementSize(*frame.row);
    const std::uint64_t slots = std::max<std::uint64_t>(std::uint64_t{frame.allocated} * 2, 10);
    if (slots * elementSize > kMaxArrayBytes) {
        return E_OUTOFMEMORY;
    }
    void* block = std::realloc(frame.value, static_cast<std::size_t>(slots) * elementSize);
    if (block == nullptr) {
        return E_OUTOFMEMORY; // the old block stays in the record and is released with it
    }
    auto* bytes = static_cast<std::uint8_t*>(block);
    std::memset(bytes + std::size_t{frame.allocated} * elementSize, 0,
                static_cast<std::size_t>(slots - frame.allocated) * elementSize);
    std::memcpy(frame.pointerSlot, &block, sizeof block);
    frame.value = bytes;
    frame.allocated = static_cast<std::uint32_t>(slots);
    return S_OK;
}

HRESULT CSoapEnvelopeHandler::ProcessArrayElement(const sax::ISAXAttributes& attributes) {
    ParseFrame& frame = m_stack[m_current];
    if (frame.found == frame.allocated) {
        if ((frame.flags & SoapFlags::UnknownSize) == 0) {
            return E_FAIL; // more elements than the array declared
        }
        const HRESULT hr = GrowArray(frame);
        if (Failed(hr)) {
            return hr;
        }
    }
    std::uint8_t* slot = frame.value + std::size_t{frame.found} * soap::RowElementSize(*frame.row);
    ++frame.found;
    if ((frame.flags & SoapFlags::UnknownSize) != 0) {
        ++frame.expected;
        if (!soap::WriteInteger(frame.countValue, frame.countType, frame.found)) {
            return E_FAIL;
        }
    }
    return StartValue(*frame.row, slot, attributes);
}

HRESULT CSoapEnvelopeHandler::AddReference(std::u16string_view href, const SoapParamEntry& row,
                                           const SoapFunctionMap& table, std::uint8_t* record) {
    if (!href.empty() && href.front() == u'#') {
        href.remove_prefix(1);
    }
    for (const Reference& reference : m_references) {
        if (reference.id == href) {
            return E_FAIL; // two values cannot share one target
        }
    }
    try {
        m_references.push_back(Reference{std::u16string(href), &row, &table, record});
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

HRESULT CSoapEnvelopeHandler::ResolveReference(const sax::ISAXAttributes& attributes,
                                               bool& resolved) {
    resolved = false;
    std::u16string_view id;
    if (!attributes.GetValueFromQName(u"id", id)) {
        return S_OK;
    }
    for (std::size_t i = 0; i < m_references.size(); ++i) {
        if (m_references[i].id != id) {
            continue;
        }
        const Reference target = m_references[i];
        m_references.erase(m_references.begin() + static_cast<std::ptrdiff_t>(i));
        resolved = true;
        const SoapParamEntry& row = *target.row;
        if ((row.flags & (SoapFlags::DynamicArray | SoapFlags::FixedArray)) != 0) {
            return StartArray(row, *target.table, target.record, attributes);
        }
        return StartStructure(row, target.record + row.offset, attributes);
    }
    return S_OK;
}

HRESULT CSoapEnvelopeHandler::Characters(std::u16string_view text) {
    m_textRequired = false;
    if (m_stack.empty()) {
        return S_OK;
    }
    ParseFrame& frame = m_stack[m_current];
    if ((frame.flags & SoapFlags::ValueOpen) == 0 || (frame.flags & SoapFlags::SizeIs) != 0) {
        return S_OK; // white space between elements, or a count that the array decides
    }
    if (frame.valueTaken) {
        return E_FAIL; // a value's text split by markup is not a value
    }
    frame.valueTaken = true;
    if (frame.table != nullptr) {
        return StoreEnumeration(frame, text);
    }
    return StoreText(frame, text);
}

HRESULT CSoapEnvelopeHandler::StoreEnumeration(ParseFrame& frame, std::u16string_view text) {
    const std::uint32_t hash = HashName(text);
    for (const SoapParamEntry* row = frame.table->entries; row != nullptr && row->nameHash != 0;
         ++row) {
        if (row->nameHash == hash && static_cast<std::size_t>(row->nameLength) == text.size() &&
            text == std::u16string_view(row->wideName, text.size())) {
            Put<std::int32_t>(frame.value, row->typeCode);
            return S_OK;
        }
    }
    return E_FAIL;
}

namespace {

HRESULT StoreSigned(std::uint8_t* address, std::u16string_view text, std::int32_t type) {
    std::int64_t value = 0;
    switch (type) {
    case xsdInt:
        if (!soap::ParseSigned(text, std::numeric_limits<std::int32_t>::min(),
                               std::numeric_limits<std::int32_t>::max(), value)) {
            return E_FAIL;
        }
        Put(address, static_cast<std::int32_t>(value));
        return S_OK;
    case xsdShort:
        if (!soap::ParseSigned(text, std::numeric_limits<std::int16_t>::min(),
                               std::numeric_limits<std::int16_t>::max(), value)) {
            return E_FAIL;
        }
        Put(address, static_cast<std::int16_t>(value));
        return S_OK;
    case xsdByte:
        if (!soap::ParseSigned(text, std::numeric_limits<std::int8_t>::min(),
                               std::numeric_limits<std::int8_t>::max(), value)) {
            return E_FAIL;
        }
        Put(address, static_cast<std::int8_t>(value));
        return S_OK;
    default:
        if (!soap::ParseSigned(text, std::numeric_limits<std::int64_t>::min(),
                               std::numeric_limits<std::int64_t>::max(), value)) {
            return E_FAIL;
        }
        Put(address, value);
        return S_OK;
    }
}

HRESULT StoreUnsigned(std::uint8_t* address, std::u16string_view text, std::int32_t type) {
    std::uint64_t value = 0;
    const std::uint64_t maximum = type == xsdUnsignedInt     ? 0xFFFFFFFFu
                                  : type == xsdUnsignedShort ? 0xFFFFu
                                  : type == xsdUnsignedByte  ? 0xFFu
                                                             : ~std::uint64_t{0};
    if (!soap::ParseUnsigned(text, maximum, value)) {
        return E_FAIL;
    }
    switch (type) {
    case xsdUnsignedInt:
        Put(address, static_cast<std::uint32_t>(value));
        break;
    case xsdUnsignedShort:
        Put(address, static_cast<std::uint16_t>(value));
        break;
    case xsdUnsignedByte:
        Put(address, static_cast<std::uint8_t>(value));
        break;
    default:
        Put(address, value);
        break;
    }
    return S_OK;
}

HRESULT StoreBlob(std::uint8_t* address, std::u16string_view text, std::int32_t type) {
    SoapBlob blob;
    std::memcpy(&blob, address, sizeof blob);
    if (blob.data != nullptr) {
        return E_FAIL;
    }
    std::vector<std::uint8_t> bytes;
    try {
        const std::string narrow = text::Utf16ToUtf8(text);
        const bool decoded = type == xsdHexBinary ? soap::DecodeHex(narrow, bytes)
                                                  : soap::DecodeBase64(narrow, bytes);
        if (!decoded || bytes.empty()) {
            return S_OK; // an empty or undecodable text leaves the blob empty
        }
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    auto* data = static_cast<std::uint8_t*>(std::malloc(bytes.size()));
    if (data == nullptr) {
        return E_OUTOFMEMORY;
    }
    std::memcpy(data, bytes.data(), bytes.size());
    blob = SoapBlob{static_cast<std::uint32_t>(bytes.size()), data};
    std::memcpy(address, &blob, sizeof blob);
    return S_OK;
}

// Stores a string the record takes over, releasing any it held.
HRESULT PutString(std::uint8_t* address, BSTR value) {
    BSTR old = nullptr;
    std::memcpy(&old, address, sizeof old);
    SysFreeString(old);
    std::memcpy(address, &value, sizeof value);
    return S_OK;
}

HRESULT StoreString(std::uint8_t* address, std::u16string_view text) {
    BSTR value = SysAllocStringLen(text.data(), static_cast<std::uint32_t>(text.size()));
    return value == nullptr ? E_OUTOFMEMORY : PutString(address, value);
}

} // namespace

HRESULT CSoapEnvelopeHandler::StoreText(ParseFrame& frame, std::u16string_view text) {
    const std::int32_t type = frame.row->typeCode;
    std::uint8_t* address = frame.value;
    switch (type) {
    case xsdBoolean: {
        bool value = false;
        if (!soap::ParseBoolean(text, value)) {
            return E_FAIL;
        }
        Put<std::uint8_t>(address, value ? 1 : 0);
        return S_OK;
    }
    case xsdFloat: {
        float value = 0;
        if (!soap::ParseFloat(text, value)) {
            return E_FAIL;
        }
        Put(address, value);
        return S_OK;
    }
    case xsdDouble:
    case xsdDecimal: {
        double value = 0;
        if (!soap::ParseDouble(text, value)) {
            return E_FAIL;
        }
        Put(address, value);
        return S_OK;
    }
    case xsdHexBinary:
    case xsdBase64Binary:
        return StoreBlob(address, text, type);
    default:
        break;
    }
    if (type >= xsdInteger && type <= xsdByte) {
        return StoreSigned(address, text, type);
    }
    if (soap::IsIntegerType(type)) {
        return StoreUnsigned(address, text, type);
    }
    if (soap::IsTextType(type)) {
        // Text the string builder collected is taken over whole instead of copied.
        if (BSTR taken = m_collector.TakeText(text)) {
            return PutString(address, taken);
        }
        return StoreString(address, text);
    }
    return E_FAIL;
}
