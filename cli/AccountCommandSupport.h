#pragma once
// What the account service subcommands share: their options, the proxy they build, and the lines
// that report how a call ended.

#include "cli/CliCommand.h"
#include "com/CBstr.h"
#include "webservice/account/CAccountServiceT.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace cli {

// The exit statuses every command shares, for --help.
inline constexpr std::string_view kExitStatusHelp =
    "exit status: 0 success; 1 the call failed (network, HTTP, parse or SOAP fault), with the "
    "reason\n"
    "on the first line of standard error; 2 usage error\n";

// Options of one subcommand: each "--name value" pair, and the flags -v / --verbose (the exchange
// on standard error; twice, or -vv, with the bodies) and --help. Returns -1 to go on, 0 after
// printing the help, 2 (after a message) for an option not in `allowed`, one given twice, or one
// without its value.
int ParseOptions(std::string_view command, Arguments args,
                 std::initializer_list<std::string_view> allowed,
                 std::map<std::string, std::string>& options, int& verbosity);

// Prints "usage: keldwick-cli <the command's usage>", what -v does and the exit statuses.
void PrintCommandHelp(std::string_view command);

// The trace for -v (1) or -vv (2) on standard error, passwords masked; null for 0.
IHttpTrace* TraceFor(int verbosity);

// The proxy for --endpoint when given, else the built-in (or KELDWICK_ENDPOINT) endpoint, with the
// trace of `verbosity`.
std::optional<CAccountServiceT> MakeProxy(const std::map<std::string, std::string>& options,
                                          int verbosity);

CBstr ToBstr(std::string_view utf8);
// A printable form of an output string: the text, or "(null)".
std::string Printable(BSTR text);

// On failure first the reason in words on standard error; then the HRESULT, the status and any
// fault; returns the exit code (0 success, 1 failure).
int ReportCall(std::string_view command, const CAccountServiceT& proxy, HRESULT hr);

} // namespace cli
