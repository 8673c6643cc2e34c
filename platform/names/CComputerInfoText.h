#pragma once
// The text that lists every name the computer reports, one "label: value" line each, lines ending
// in CR LF: nine name queries, then the workstation record (four lines, or one line saying that
// the query failed). Shared by the computer information dialog and `keldwick-cli names`.

#include "names/IComputerNames.h"

#include <cstdint>
#include <string>

class CComputerInfoText {
public:
    // The size each name query starts from. Names are not cut to it: it only has to be non-zero,
    // so that a query that fails without touching it shows an empty value.
    static constexpr std::uint32_t kNameRoom = 1024;
    static constexpr const char* kDoesNotExist = "<does not exist>";
    static constexpr const char* kNoString = "(null)";

    [[nodiscard]] static std::string Gather(names::IComputerNames& names);

private:
    static void AppendNames(names::IComputerNames& names, std::string& text);
    static void AppendWorkstation(names::IComputerNames& names, std::string& text);
};
