#pragma once
// What the commands that make calls share: their common options, the proxy they build, and the
// lines that report how a call ended.

#include "cli/CliCommand.h"
#include "com/CBstr.h"
#include "webservice/account/CAccountServiceT.h"

#include <optional>
#include <string>
#include <string_view>

namespace cli {

// The options every command that makes a call takes. An option for all such commands is added
// here and in AddCallOptions, and nowhere else.
struct CallOptions {
    int verbosity = 0;    // -v: the exchange on standard error; -vv (or -v twice) adds bodies
    std::string endpoint; // account commands only; empty: the built-in or KELDWICK_ENDPOINT one
    std::string caFile;   // a private CA trusted beside the system's store; empty: none named
};

// Declares the shared options on `command`; `withEndpoint` for the account service commands.
void AddCallOptions(CLI::App& command, CallOptions& options, bool withEndpoint);

// The trace for -v (1) or -vv (2) on standard error, passwords masked; null for 0.
IHttpTrace* TraceFor(int verbosity);

// Has this process's https connections trust the CA file of `options`, when one is named.
void TrustCaFile(const CallOptions& options);

// The proxy for the endpoint of `options`, with the trace of its verbosity and trusting its CA.
std::optional<CAccountServiceT> MakeProxy(const CallOptions& options);

CBstr ToBstr(std::string_view utf8);
// A printable form of an output string: the text, or "(null)".
std::string Printable(BSTR text);

// On failure first the reason in words on standard error; then the HRESULT, the status and any
// fault; returns the exit code (0 success, 1 failure).
int ReportCall(std::string_view command, const CAccountServiceT& proxy, HRESULT hr);

} // namespace cli
