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

// Options of one subcommand: each "--name value" pair. Returns false (after a message) for an
// option not in `allowed`, one given twice, or one without its value.
bool ParseOptions(std::string_view command, Arguments args,
                  std::initializer_list<std::string_view> allowed,
                  std::map<std::string, std::string>& options);

// The proxy for --endpoint when given, else the built-in (or KELDWICK_ENDPOINT) endpoint.
std::optional<CAccountServiceT> MakeProxy(const std::map<std::string, std::string>& options);

CBstr ToBstr(std::string_view utf8);
// A printable form of an output string: the text, or "(null)".
std::string Printable(BSTR text);

// Prints the HRESULT, the status and any fault; returns the exit code (0 success, 1 failure).
int ReportCall(const CAccountServiceT& proxy, HRESULT hr);

} // namespace cli
