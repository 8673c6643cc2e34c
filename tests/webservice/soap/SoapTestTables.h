#pragma once
// Tables of a made-up operation that carries every kind of value: the account service's operations
// only carry strings and ints.

#include "com/Bstr.h"
#include "webservice/soap/SoapTables.h"

#include <cstddef>
#include <cstdint>

namespace soaptest {

struct Point {
    std::int32_t x;
    std::int32_t y;
};

struct MixedRecord {
    std::uint8_t flag;
    float single;
    double wide;
    SoapBlob hex;
    SoapBlob base64;
    std::int32_t color;
    Point point;
    std::int32_t grid[2][3];
    std::int32_t nameCount;
    BSTR* names;
    std::int32_t pointCount;
    Point* points;
    std::int64_t big;
    std::uint64_t huge;
    std::int16_t small;
    std::int8_t tiny;
    BSTR own;
    std::int32_t result;
};

constexpr SoapParamEntry Row(const char* name, const char16_t* wide, std::int32_t type,
                             std::uint32_t flags, std::size_t offset,
                             const SoapFunctionMap* nested = nullptr,
                             const std::int32_t* dims = nullptr, std::int32_t sizeIs = -1,
                             const char* ns = nullptr) {
    std::int32_t length = 0;
    while (name[length] != 0) {
        ++length;
    }
    return SoapParamEntry{HashName(std::string_view(name)),
                          name,
                          wide,
                          length,
                          type,
                          flags,
                          static_cast<std::uint32_t>(offset),
                          dims,
                          nested,
                          sizeIs,
                          ns != nullptr ? HashName(std::string_view(ns)) : 0,
                          ns,
                          nullptr,
                          0};
}

constexpr SoapFunctionMap Map(const char* name, const char16_t* match, std::int32_t kind,
                              const SoapParamEntry* rows, std::uint32_t size,
                              std::uint32_t expected, std::uint32_t flags,
                              const char* ns = "urn:test/") {
    std::int32_t length = 0;
    while (name[length] != 0) {
        ++length;
    }
    std::int32_t matchLength = 0;
    while (match[matchLength] != 0) {
        ++matchLength;
    }
    return SoapFunctionMap{HashName(std::u16string_view(match)),
                           name,
                           match,
                           length,
                           matchLength,
                           kind,
                           rows,
                           size,
                           expected,
                           -1,
                           flags,
                           ns != nullptr ? HashName(std::string_view(ns)) : 0,
                           ns,
                           nullptr,
                           0};
}

constexpr std::uint32_t kDocLiteral =
    SoapFlags::DocumentStyle | SoapFlags::LiteralUse | SoapFlags::WrappedParams;
constexpr std::uint32_t kIn = SoapFlags::In;
constexpr std::uint32_t kOut = SoapFlags::Out;

inline constexpr SoapParamEntry kColorRows[] = {
    Row("Red", u"Red", 1, 0, 0),
    Row("Green", u"Green", 2, 0, 0),
    Row("Blue", u"Blue", 7, 0, 0),
    SoapParamEntry{},
};
inline constexpr SoapFunctionMap kColorMap =
    Map("Color", u"Color", SoapMapEnumeration, kColorRows, 4, 0, 0);

inline constexpr SoapParamEntry kPointRows[] = {
    Row("x", u"x", xsdInt, 0, offsetof(Point, x)),
    Row("y", u"y", xsdInt, 0, offsetof(Point, y)),
    SoapParamEntry{},
};
inline constexpr SoapFunctionMap kPointMap =
    Map("Point", u"Point", SoapMapStructure, kPointRows, sizeof(Point), 2, 0, nullptr);

inline constexpr std::int32_t kGridDims[] = {2, 2, 3};

// Rows 8 and 10 hold the counts of the dynamic arrays in rows 9 and 11.
inline constexpr std::uint32_t kBoth = kIn | kOut;
inline constexpr SoapParamEntry kMixedRows[] = {
    Row("flag", u"flag", xsdBoolean, kBoth, offsetof(MixedRecord, flag)),
    Row("single", u"single", xsdFloat, kBoth, offsetof(MixedRecord, single)),
    Row("wide", u"wide", xsdDouble, kBoth, offsetof(MixedRecord, wide)),
    Row("hex", u"hex", xsdHexBinary, kBoth | SoapFlags::Nullable, offsetof(MixedRecord, hex)),
    Row("base64", u"base64", xsdBase64Binary, kBoth | SoapFlags::Nullable,
        offsetof(MixedRecord, base64)),
    Row("color", u"color", -1, kBoth, offsetof(MixedRecord, color), &kColorMap),
    Row("point", u"point", -1, kBoth, offsetof(MixedRecord, point), &kPointMap),
    Row("grid", u"grid", xsdInt, kBoth | SoapFlags::FixedArray, offsetof(MixedRecord, grid),
        nullptr, kGridDims),
    Row("nameCount", u"nameCount", xsdInt, kBoth | SoapFlags::SizeIs | SoapFlags::Nullable,
        offsetof(MixedRecord, nameCount)),
    Row("names", u"names", xsdString, kBoth | SoapFlags::DynamicArray | SoapFlags::Nullable,
        offsetof(MixedRecord, names), nullptr, nullptr, 8),
    Row("pointCount", u"pointCount", xsdInt, kBoth | SoapFlags::SizeIs | SoapFlags::Nullable,
        offsetof(MixedRecord, pointCount)),
    Row("points", u"points", -1, kBoth | SoapFlags::DynamicArray | SoapFlags::Nullable,
        offsetof(MixedRecord, points), &kPointMap, nullptr, 10),
    Row("big", u"big", xsdLong, kBoth | SoapFlags::Nullable, offsetof(MixedRecord, big)),
    Row("huge", u"huge", xsdUnsignedLong, kBoth | SoapFlags::Nullable, offsetof(MixedRecord, huge)),
    Row("small", u"small", xsdShort, kBoth | SoapFlags::Nullable, offsetof(MixedRecord, small)),
    Row("tiny", u"tiny", xsdByte, kBoth | SoapFlags::Nullable, offsetof(MixedRecord, tiny)),
    Row("own", u"own", xsdString, kBoth | SoapFlags::Nullable, offsetof(MixedRecord, own), nullptr,
        nullptr, -1, "urn:own"),
    Row("result", u"result", xsdInt, kOut | SoapFlags::ReturnValue | SoapFlags::Nullable,
        offsetof(MixedRecord, result)),
    SoapParamEntry{},
};
inline constexpr SoapFunctionMap kMixedMap = Map("Mixed", u"MixedResponse", SoapMapOperation,
                                                 kMixedRows, sizeof(MixedRecord), 18, kDocLiteral);

// A header record with one header that must be understood and one the client only receives.
struct Headers {
    BSTR token;
    BSTR note;
};
inline constexpr SoapParamEntry kHeaderRows[] = {
    Row("Token", u"Token", xsdString, kIn | SoapFlags::MustUnderstand, offsetof(Headers, token)),
    Row("Note", u"Note", xsdString, kOut | SoapFlags::Nullable, offsetof(Headers, note)),
    SoapParamEntry{},
};
inline constexpr SoapFunctionMap kMixedHeaders =
    Map("Mixed", u"MixedResponse", SoapMapHeaderSet, kHeaderRows, sizeof(Headers), 1, kDocLiteral);
inline constexpr SoapParamEntry kNoRows[] = {SoapParamEntry{}};
inline constexpr SoapFunctionMap kNoHeaders =
    Map("Mixed", u"MixedResponse", SoapMapHeaderSet, kNoRows, 0, 0, kDocLiteral);

inline const SoapFunctionMap* const kMixedOperations[] = {&kMixedMap, nullptr};
inline const SoapFunctionMap* const kMixedHeaderSets[] = {&kMixedHeaders, nullptr};
inline const SoapFunctionMap* const kMixedNoHeaderSets[] = {&kNoHeaders, nullptr};

} // namespace soaptest
