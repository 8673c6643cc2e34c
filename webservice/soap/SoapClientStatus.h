#pragma once
// The outcome of the last call on a proxy, left in its m_status.

#include <cstdint>
#include <string_view>

enum SoapClientStatus : std::int32_t {
    StatusOk = 0,
    StatusInitFailed = 1,      // creating the XML reader or attaching the handler failed
    StatusOutOfMemory = 2,     // binding the call failed, or its header set is missing
    StatusWriteFailed = 3,     // writing the envelope failed
    StatusConnectFailed = 4,   // never set: connection failures give StatusSendFailed
    StatusSendFailed = 5,      // the exchange failed and the status is not 500
    StatusServerError = 6,     // the exchange succeeded with a status other than 200 and 202
    StatusSoapFault = 7,       // the exchange failed with status 500
    StatusFaultUnreadable = 8, // after status 500, the fault could not be parsed
    StatusReadFailed = 9,      // status 200 with an empty body
    StatusParseFailed = 10,    // parsing the response envelope failed
};

// "StatusOk" ... "StatusParseFailed"; "unknown" for any other value.
[[nodiscard]] constexpr std::string_view SoapClientStatusName(std::int32_t status) {
    constexpr std::string_view kNames[] = {
        "StatusOk",          "StatusInitFailed",    "StatusOutOfMemory",
        "StatusWriteFailed", "StatusConnectFailed", "StatusSendFailed",
        "StatusServerError", "StatusSoapFault",     "StatusFaultUnreadable",
        "StatusReadFailed",  "StatusParseFailed",
    };
    return status >= 0 && status <= 10 ? kNames[status] : std::string_view("unknown");
}
