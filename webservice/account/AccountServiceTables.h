#pragma once
// The account service's operations: parameter records and their tables, in operation order
// GetErrorMessage (0), CreateSession (1), EmailUserPassword (2).

#include "com/Bstr.h"
#include "webservice/soap/SoapTables.h"

#include <cstdint>
#include <string_view>

struct GetErrorMessageRecord {
    BSTR strSessionID;
    std::int32_t nErrorCode;
    BSTR GetErrorMessageResult;
};

struct CreateSessionRecord {
    BSTR strUserID;
    BSTR strUserPassword;
    BSTR CreateSessionResult;
    std::int32_t nErrorCode;
};

struct EmailUserPasswordRecord {
    BSTR strUserID;
    std::int32_t EmailUserPasswordResult;
};

namespace account {

inline constexpr std::string_view kTargetNamespace = "http://services.nimbrel.example/keldwick/";
inline constexpr std::u16string_view kTargetNamespaceW =
    u"http://services.nimbrel.example/keldwick/";
inline constexpr std::string_view kEndpoint =
    "http://services.nimbrel.example/keldwick/AccountService.asmx";

// Elements whose text a trace must never show.
inline constexpr std::string_view kSecretElements[] = {"strUserPassword"};

enum OperationIndex : int {
    kGetErrorMessage = 0,
    kCreateSession = 1,
    kEmailUserPassword = 2,
};

extern const SoapFunctionMap kGetErrorMessageMap;
extern const SoapFunctionMap kCreateSessionMap;
extern const SoapFunctionMap kEmailUserPasswordMap;

// Both lists end with a null entry.
extern const SoapFunctionMap* const kOperationTables[4];
extern const SoapFunctionMap* const kHeaderTables[4];

} // namespace account
