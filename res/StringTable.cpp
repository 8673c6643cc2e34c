#include "res/StringTable.h"

#include "res/Resource.h"

#include <array>

namespace res {

namespace {

struct StringEntry {
    int id;
    std::string_view text;
};

// Add a string by adding its row.
constexpr std::array kStrings{
    StringEntry{IDS_ABOUTBOX, "&About Keldwick..."},
    StringEntry{IDS_SETTINGS_KEY, "Software\\Nimbrel\\Keldwick"},
    StringEntry{IDS_STATUS_NAME, "Status"},
    StringEntry{IDS_COMPUTER_NAMES_NAME, "Computer names"},
};

} // namespace

std::string_view LoadString(int id) {
    for (const StringEntry& entry : kStrings) {
        if (entry.id == id) {
            return entry.text;
        }
    }
    return {};
}

} // namespace res
