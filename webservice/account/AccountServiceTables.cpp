#include "webservice/account/AccountServiceTables.h"

#include <cstddef>

namespace account {

namespace {

constexpr std::uint32_t kStyle =
    SoapFlags::DocumentStyle | SoapFlags::LiteralUse | SoapFlags::WrappedParams;
constexpr std::uint32_t kInput = kStyle | SoapFlags::In | SoapFlags::Nullable;
constexpr std::uint32_t kStringOutput = kStyle | SoapFlags::Out | SoapFlags::Nullable;
constexpr std::uint32_t kIntInput = kStyle | SoapFlags::In;
constexpr std::uint32_t kIntOutput = kStyle | SoapFlags::Out;
static_assert(kInput == 0xAC01 && kStringOutput == 0xAC02 && kIntInput == 0xA801 &&
              kIntOutput == 0xA802);

constexpr std::uint32_t kNamespaceHash = HashName(kTargetNamespace);
constexpr auto kNamespaceLength = static_cast<std::int32_t>(kTargetNamespace.size());

constexpr SoapParamEntry Row(std::string_view name, const char16_t* wideName, std::int32_t typeCode,
                             std::uint32_t flags, std::size_t offset) {
    return SoapParamEntry{HashName(name),
                          name.data(),
                          wideName,
                          static_cast<std::int32_t>(name.size()),
                          typeCode,
                          flags,
                          static_cast<std::uint32_t>(offset),
                          nullptr,
                          nullptr,
                          -1,
                          0,
                          nullptr,
                          nullptr,
                          0};
}

constexpr SoapParamEntry kEnd{};

constexpr SoapParamEntry kGetErrorMessageRows[] = {
    Row("strSessionID", u"strSessionID", xsdString, kInput,
        offsetof(GetErrorMessageRecord, strSessionID)),
    Row("nErrorCode", u"nErrorCode", xsdInt, kIntInput,
        offsetof(GetErrorMessageRecord, nErrorCode)),
    Row("GetErrorMessageResult", u"GetErrorMessageResult", xsdString, kStringOutput,
        offsetof(GetErrorMessageRecord, GetErrorMessageResult)),
    kEnd,
};

constexpr SoapParamEntry kCreateSessionRows[] = {
    Row("strUserID", u"strUserID", xsdString, kInput, offsetof(CreateSessionRecord, strUserID)),
    Row("strUserPassword", u"strUserPassword", xsdString, kInput,
        offsetof(CreateSessionRecord, strUserPassword)),
    Row("CreateSessionResult", u"CreateSessionResult", xsdString, kStringOutput,
        offsetof(CreateSessionRecord, CreateSessionResult)),
    Row("nErrorCode", u"nErrorCode", xsdInt, kIntOutput, offsetof(CreateSessionRecord, nErrorCode)),
    kEnd,
};

constexpr SoapParamEntry kEmailUserPasswordRows[] = {
    Row("strUserID", u"strUserID", xsdString, kInput, offsetof(EmailUserPasswordRecord, strUserID)),
    Row("EmailUserPasswordResult", u"EmailUserPasswordResult", xsdInt, kIntOutput,
        offsetof(EmailUserPasswordRecord, EmailUserPasswordResult)),
    kEnd,
};

static_assert(kGetErrorMessageRows[0].nameHash == 0xDAB0A86A);
static_assert(kGetErrorMessageRows[1].nameHash == 0xA9F6D5B3);
static_assert(kGetErrorMessageRows[2].nameHash == 0x984790AE);
static_assert(kCreateSessionRows[0].nameHash == 0x77CB17A5);
static_assert(kCreateSessionRows[1].nameHash == 0x3F949E0B);
static_assert(kCreateSessionRows[2].nameHash == 0x12D1FC77);
static_assert(kEmailUserPasswordRows[1].nameHash == 0x51980839);

// The header sets have no rows: no SOAP header is sent or accepted.
constexpr SoapParamEntry kNoHeaders[] = {kEnd};

constexpr SoapFunctionMap Map(std::string_view name, std::u16string_view matchName,
                              std::int32_t kind, const SoapParamEntry* rows,
                              std::uint32_t recordSize, std::uint32_t expected) {
    return SoapFunctionMap{HashName(matchName),
                           name.data(),
                           matchName.data(),
                           static_cast<std::int32_t>(name.size()),
                           static_cast<std::int32_t>(matchName.size()),
                           kind,
                           rows,
                           recordSize,
                           expected,
                           -1,
                           kStyle,
                           kNamespaceHash,
                           kTargetNamespace.data(),
                           kTargetNamespaceW.data(),
                           kNamespaceLength};
}

constexpr SoapFunctionMap kGetErrorMessageHeaders =
    Map("GetErrorMessage", u"GetErrorMessageResponse", SoapMapHeaderSet, kNoHeaders, 0, 0);
constexpr SoapFunctionMap kCreateSessionHeaders =
    Map("CreateSession", u"CreateSessionResponse", SoapMapHeaderSet, kNoHeaders, 0, 0);
constexpr SoapFunctionMap kEmailUserPasswordHeaders =
    Map("EmailUserPassword", u"EmailUserPasswordResponse", SoapMapHeaderSet, kNoHeaders, 0, 0);

} // namespace

constexpr SoapFunctionMap kGetErrorMessageMap =
    Map("GetErrorMessage", u"GetErrorMessageResponse", SoapMapOperation, kGetErrorMessageRows,
        sizeof(GetErrorMessageRecord), 1);
constexpr SoapFunctionMap kCreateSessionMap =
    Map("CreateSession", u"CreateSessionResponse", SoapMapOperation, kCreateSessionRows,
        sizeof(CreateSessionRecord), 2);
constexpr SoapFunctionMap kEmailUserPasswordMap =
    Map("EmailUserPassword", u"EmailUserPasswordResponse", SoapMapOperation, kEmailUserPasswordRows,
        sizeof(EmailUserPasswordRecord), 1);

static_assert(kGetErrorMessageMap.nameHash == 0xC815947E);
static_assert(kCreateSessionMap.nameHash == 0x0EEA1687);
static_assert(kEmailUserPasswordMap.nameHash == 0x17621AC9);
static_assert(kCreateSessionMap.nameLength == 13 && kCreateSessionMap.matchNameLength == 21);

const SoapFunctionMap* const kOperationTables[4] = {&kGetErrorMessageMap, &kCreateSessionMap,
                                                    &kEmailUserPasswordMap, nullptr};
const SoapFunctionMap* const kHeaderTables[4] = {&kGetErrorMessageHeaders, &kCreateSessionHeaders,
                                                 &kEmailUserPasswordHeaders, nullptr};

} // namespace account
