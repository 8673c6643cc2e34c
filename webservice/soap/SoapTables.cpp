#include "webservice/soap/SoapTables.h"

#include "com/Bstr.h"

#include <array>
#include <cstring>
#include <limits>

namespace soap {

namespace {

constexpr std::array<std::string_view, 44> kXsdNames{
    "string",
    "boolean",
    "float",
    "double",
    "decimal",
    "duration",
    "hexBinary",
    "base64Binary",
    "anyURI",
    "ID",
    "IDREF",
    "ENTITY",
    "NOTATION",
    "QName",
    "normalizedString",
    "token",
    "language",
    "IDREFS",
    "ENTITIES",
    "NMTOKEN",
    "NMTOKENS",
    "Name",
    "NCName",
    "integer",
    "nonPositiveInteger",
    "negativeInteger",
    "long",
    "int",
    "short",
    "byte",
    "nonNegativeInteger",
    "unsignedLong",
    "unsignedInt",
    "unsignedShort",
    "unsignedByte",
    "positiveInteger",
    "dateTime",
    "time",
    "date",
    "gMonth",
    "gYearMonth",
    "gYear",
    "gMonthDay",
    "gDay",
};

bool Known(std::int32_t typeCode) {
    return typeCode >= xsdString && typeCode <= xsdGDay;
}

template <typename T>
T Load(const void* value) {
    T out;
    std::memcpy(&out, value, sizeof out);
    return out;
}

template <typename T>
bool Store(void* value, std::uint64_t count) {
    if (count > static_cast<std::uint64_t>(std::numeric_limits<T>::max())) {
        return false;
    }
    const T narrowed = static_cast<T>(count);
    std::memcpy(value, &narrowed, sizeof narrowed);
    return true;
}

} // namespace

std::string_view XsdName(std::int32_t typeCode) {
    return Known(typeCode) ? kXsdNames[static_cast<std::size_t>(typeCode)] : std::string_view();
}

bool IsTextType(std::int32_t typeCode) {
    return typeCode == xsdString || typeCode == xsdDuration ||
           (typeCode >= xsdAnyUri && typeCode <= xsdNcName) ||
           (typeCode >= xsdDateTime && typeCode <= xsdGDay);
}

bool IsBlobType(std::int32_t typeCode) {
    return typeCode == xsdHexBinary || typeCode == xsdBase64Binary;
}

bool IsIntegerType(std::int32_t typeCode) {
    return typeCode >= xsdInteger && typeCode <= xsdPositiveInteger;
}

std::size_t ElementSize(std::int32_t typeCode) {
    switch (typeCode) {
    case xsdBoolean:
    case xsdByte:
    case xsdUnsignedByte:
        return 1;
    case xsdShort:
    case xsdUnsignedShort:
        return 2;
    case xsdFloat:
    case xsdInt:
    case xsdUnsignedInt:
        return 4;
    case xsdDouble:
    case xsdDecimal:
    case xsdInteger:
    case xsdNonPositiveInteger:
    case xsdNegativeInteger:
    case xsdLong:
    case xsdNonNegativeInteger:
    case xsdUnsignedLong:
    case xsdPositiveInteger:
        return 8;
    case xsdHexBinary:
    case xsdBase64Binary:
        return sizeof(SoapBlob);
    default:
        return IsTextType(typeCode) ? sizeof(BSTR) : 0;
    }
}

bool ReadInteger(const void* value, std::int32_t typeCode, std::int64_t& out) {
    switch (typeCode) {
    case xsdInteger:
    case xsdNonPositiveInteger:
    case xsdNegativeInteger:
    case xsdLong:
        out = Load<std::int64_t>(value);
        return true;
    case xsdInt:
        out = Load<std::int32_t>(value);
        return true;
    case xsdShort:
        out = Load<std::int16_t>(value);
        return true;
    case xsdByte:
        out = Load<std::int8_t>(value);
        return true;
    case xsdNonNegativeInteger:
    case xsdUnsignedLong:
    case xsdPositiveInteger: {
        const auto u = Load<std::uint64_t>(value);
        // A count past the signed range is no usable count.
        out = u > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())
                  ? -1
                  : static_cast<std::int64_t>(u);
        return true;
    }
    case xsdUnsignedInt:
        out = Load<std::uint32_t>(value);
        return true;
    case xsdUnsignedShort:
        out = Load<std::uint16_t>(value);
        return true;
    case xsdUnsignedByte:
        out = Load<std::uint8_t>(value);
        return true;
    default:
        return false;
    }
}

bool WriteInteger(void* value, std::int32_t typeCode, std::uint64_t count) {
    switch (typeCode) {
    case xsdInteger:
    case xsdNonPositiveInteger:
    case xsdNegativeInteger:
    case xsdLong:
        return Store<std::int64_t>(value, count);
    case xsdInt:
        return Store<std::int32_t>(value, count);
    case xsdShort:
        return Store<std::int16_t>(value, count);
    case xsdByte:
        return Store<std::int8_t>(value, count);
    case xsdNonNegativeInteger:
    case xsdUnsignedLong:
    case xsdPositiveInteger:
        return Store<std::uint64_t>(value, count);
    case xsdUnsignedInt:
        return Store<std::uint32_t>(value, count);
    case xsdUnsignedShort:
        return Store<std::uint16_t>(value, count);
    case xsdUnsignedByte:
        return Store<std::uint8_t>(value, count);
    default:
        return false;
    }
}

std::size_t RowCount(const SoapFunctionMap& map) {
    std::size_t count = 0;
    if (map.entries != nullptr) {
        while (map.entries[count].nameHash != 0) {
            ++count;
        }
    }
    return count;
}

std::uint64_t FixedCount(const std::int32_t* dimensions) {
    if (dimensions == nullptr || dimensions[0] <= 0) {
        return 0;
    }
    std::uint64_t count = 1;
    for (std::int32_t i = 1; i <= dimensions[0]; ++i) {
        if (dimensions[i] < 0 ||
            (dimensions[i] > 0 && count > std::numeric_limits<std::uint32_t>::max() /
                                              static_cast<std::uint64_t>(dimensions[i]))) {
            return 0;
        }
        count *= static_cast<std::uint64_t>(dimensions[i]);
    }
    return count;
}

std::size_t RowElementSize(const SoapParamEntry& row) {
    if (row.nestedMap != nullptr) {
        return row.nestedMap->mapKind == SoapMapEnumeration ? sizeof(std::int32_t)
                                                            : row.nestedMap->recordSize;
    }
    return ElementSize(row.typeCode);
}

} // namespace soap
