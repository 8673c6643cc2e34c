#pragma once
// The static tables that describe an operation, a header set, a structure or an enumeration: where
// each value lives in a caller's record, its type and the direction it travels. The envelope writer
// and the response parser both walk them.

#include <cstddef>
#include <cstdint>
#include <string_view>

// Element names are matched by this hash before any text comparison: h = h * 33 + unit, from 0,
// modulo 2^32, over UTF-16 code units (bytes for narrow text).
[[nodiscard]] constexpr std::uint32_t HashName(std::string_view name) {
    std::uint32_t h = 0;
    for (const char c : name) {
        h = h * 33u + static_cast<unsigned char>(c);
    }
    return h;
}
[[nodiscard]] constexpr std::uint32_t HashName(std::u16string_view name) {
    std::uint32_t h = 0;
    for (const char16_t c : name) {
        h = h * 33u + c;
    }
    return h;
}

enum SoapMapKind : std::int32_t {
    SoapMapEnumeration = 1,
    SoapMapOperation = 2,
    SoapMapStructure = 3,
    SoapMapHeaderSet = 5,
};

// Row flags, operation call flags and parse-state bits.
struct SoapFlags {
    static constexpr std::uint32_t In = 0x1;
    static constexpr std::uint32_t Out = 0x2;
    static constexpr std::uint32_t ReturnValue = 0x4;
    static constexpr std::uint32_t DynamicArray = 0x8;
    static constexpr std::uint32_t FixedArray = 0x10;
    static constexpr std::uint32_t MustUnderstand = 0x20;
    static constexpr std::uint32_t UnknownSize = 0x40;
    static constexpr std::uint32_t ValueOpen = 0x80;
    static constexpr std::uint32_t NotMarshalled = 0x200;
    static constexpr std::uint32_t Nullable = 0x400;
    static constexpr std::uint32_t DocumentStyle = 0x800;
    static constexpr std::uint32_t RpcStyle = 0x1000;
    static constexpr std::uint32_t LiteralUse = 0x2000;
    static constexpr std::uint32_t EncodedUse = 0x4000;
    static constexpr std::uint32_t WrappedParams = 0x8000;
    static constexpr std::uint32_t BareParams = 0x10000;
    static constexpr std::uint32_t Chained = 0x20000;
    static constexpr std::uint32_t SizeIs = 0x40000;
    static constexpr std::uint32_t ArrayWrapper = 0x80000;
};

enum SoapTypeCode : std::int32_t {
    xsdString = 0,
    xsdBoolean,
    xsdFloat,
    xsdDouble,
    xsdDecimal,
    xsdDuration,
    xsdHexBinary,
    xsdBase64Binary,
    xsdAnyUri,
    xsdId,
    xsdIdRef,
    xsdEntity,
    xsdNotation,
    xsdQName,
    xsdNormalizedString,
    xsdToken,
    xsdLanguage,
    xsdIdRefs,
    xsdEntities,
    xsdNmToken,
    xsdNmTokens,
    xsdName,
    xsdNcName,
    xsdInteger,
    xsdNonPositiveInteger,
    xsdNegativeInteger,
    xsdLong,
    xsdInt,
    xsdShort,
    xsdByte,
    xsdNonNegativeInteger,
    xsdUnsignedLong,
    xsdUnsignedInt,
    xsdUnsignedShort,
    xsdUnsignedByte,
    xsdPositiveInteger,
    xsdDateTime,
    xsdTime,
    xsdDate,
    xsdGMonth,
    xsdGYearMonth,
    xsdGYear,
    xsdGMonthDay,
    xsdGDay,
    xsdUserBase = 4096,
    xsdUnknown = -1,
    xsdError = -2,
};

// A binary value inside a record: the byte count, then the bytes (null when absent).
struct SoapBlob {
    std::uint32_t size;
    std::uint8_t* data;
};

struct SoapFunctionMap;

struct SoapParamEntry {
    std::uint32_t nameHash;
    const char* name;
    const char16_t* wideName;
    std::int32_t nameLength;
    std::int32_t typeCode;
    std::uint32_t flags;
    std::uint32_t offset;
    const std::int32_t* dimensions;
    const SoapFunctionMap* nestedMap;
    std::int32_t sizeIsIndex;
    std::uint32_t namespaceHash;
    const char* namespaceUri;
    const char16_t* wideNamespaceUri;
    std::int32_t namespaceLength;
};

struct SoapFunctionMap {
    std::uint32_t nameHash;
    const char* name;
    const char16_t* matchName;
    std::int32_t nameLength;
    std::int32_t matchNameLength;
    std::int32_t mapKind;
    const SoapParamEntry* entries;
    std::uint32_t recordSize;
    std::uint32_t expectedCount;
    std::int32_t returnIndex;
    std::uint32_t callFlags;
    std::uint32_t namespaceHash;
    const char* namespaceUri;
    const char16_t* wideNamespaceUri;
    std::int32_t namespaceLength;
};

namespace soap {

// The SOAP 1.1 envelope and encoding namespaces and the XML Schema namespaces of 2001.
inline constexpr std::string_view kEnvelopeNs = "http://schemas.xmlsoap.org/soap/envelope/";
inline constexpr std::u16string_view kEnvelopeNsW = u"http://schemas.xmlsoap.org/soap/envelope/";
inline constexpr std::string_view kEncodingNs = "http://schemas.xmlsoap.org/soap/encoding/";
inline constexpr std::u16string_view kEncodingNsW = u"http://schemas.xmlsoap.org/soap/encoding/";
inline constexpr std::string_view kSchemaInstanceNs = "http://www.w3.org/2001/XMLSchema-instance";
inline constexpr std::u16string_view kSchemaInstanceNsW =
    u"http://www.w3.org/2001/XMLSchema-instance";
inline constexpr std::string_view kSchemaNs = "http://www.w3.org/2001/XMLSchema";

// Bytes one value of the type takes in a record or array block; 0 for the codes that cannot be
// written or read. Texts are pointers and blobs a count and a pointer, so their sizes follow the
// platform's pointer size.
[[nodiscard]] std::size_t ElementSize(std::int32_t typeCode);
// The XML Schema name of a type ("string", "int", ...); empty for the codes without one.
[[nodiscard]] std::string_view XsdName(std::int32_t typeCode);

// Whether the value is kept as an automation string, a blob, an integer, a float.
[[nodiscard]] bool IsTextType(std::int32_t typeCode);
[[nodiscard]] bool IsBlobType(std::int32_t typeCode);
[[nodiscard]] bool IsIntegerType(std::int32_t typeCode);

// Reads an integer-coded value (codes 23-35) as 64 bits; false for other codes.
[[nodiscard]] bool ReadInteger(const void* value, std::int32_t typeCode, std::int64_t& out);
// Stores a count into an integer-coded value; false for other codes or when it does not fit.
[[nodiscard]] bool WriteInteger(void* value, std::int32_t typeCode, std::uint64_t count);

// Rows of a table, up to the row that ends it.
[[nodiscard]] std::size_t RowCount(const SoapFunctionMap& map);
// Element count of a fixed array: the product of its dimensions (0 when they are unusable).
[[nodiscard]] std::uint64_t FixedCount(const std::int32_t* dimensions);
// Bytes of one element of an array row: its type's size or its structure's record size.
[[nodiscard]] std::size_t RowElementSize(const SoapParamEntry& row);

// Whether a row travels in the direction being read (client: Out or not In) or written.
[[nodiscard]] inline bool TravelsIn(std::uint32_t flags, bool clientMode) {
    return clientMode ? ((flags & SoapFlags::Out) != 0 || (flags & SoapFlags::In) == 0)
                      : ((flags & SoapFlags::In) != 0 || (flags & SoapFlags::Out) == 0);
}
[[nodiscard]] inline bool TravelsOut(std::uint32_t flags, bool clientMode) {
    return TravelsIn(flags, !clientMode);
}

} // namespace soap
