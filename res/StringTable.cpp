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
    StringEntry{IDS_TIP_SHOW_COMPUTER_INFO,
                "Click here to see every name this computer reports, ready to quote to Nimbrel "
                "support."},
    StringEntry{IDS_TIP_SHOW_TUTORIAL, "Click here to display the Keldwick tutorial."},
    StringEntry{IDS_TIP_SHOW_TROUBLESHOOTING,
                "Click on this button for troubleshooting instructions."},
    StringEntry{IDS_TIP_USER_ID, "Enter your user id in this box."},
    StringEntry{IDS_TIP_PASSWORD, "Enter your user password in this box."},
    StringEntry{IDS_TIP_SIGN_IN,
                "Click here to sign in to your Nimbrel account with the user id and password "
                "typed in the boxes to the left."},
    StringEntry{IDS_TIP_EMAIL_PASSWORD,
                "If you cannot remember your password, click on this button to have it emailed to "
                "you. You must know your user id for this to work."},
    StringEntry{IDS_TIP_STATUS,
                "Status messages are displayed here.<br><br>If you receive an error, please click "
                "on the <b>help me with this</b> button for troubleshooting instructions."},
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
