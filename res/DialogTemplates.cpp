#include "res/DialogTemplates.h"

#include "res/Resource.h"

#include <array>

namespace res {

namespace {

using namespace dialog;
using enum ControlKind;

constexpr std::string_view kDialogFont = "MS Shell Dlg";
constexpr std::uint32_t kPopupDialog = kCaption | kSystemMenu | kModalFrame;

constexpr std::array kAboutControls{
    ControlTemplate{kNoId, Icon, "", 11, 17, 20, 20, 0, IDR_MAINFRAME},
    ControlTemplate{kNoId, Static, "Keldwick Version 1.0", 40, 10, 119, 8, kNoPrefix},
    ControlTemplate{kNoId, Static, "Release 3.1.6.1735", 40, 25, 119, 8, 0},
    ControlTemplate{IDOK, PushButton, "OK", 178, 7, 50, 16, kTabStop | kDefault},
};

constexpr std::array kMainControls{
    ControlTemplate{IDC_SHEET_PLACEHOLDER, Frame, "", 3, 3, 318, 255, kHidden},
    ControlTemplate{kNoId, EtchedHorizontal, "", 3, 285, 324, 1, 0},
    ControlTemplate{IDC_SHOW_COMPUTER_INFO, PushButton, "Show My Computer Name Info", 210, 291, 113,
                    14, kTabStop},
    ControlTemplate{IDC_SHOW_TUTORIAL, PushButton, "Keldwick Tutorial", 6, 291, 93, 14, kTabStop},
    ControlTemplate{IDC_SHOW_TROUBLESHOOTING, PushButton, "I need help with this", 108, 291, 96, 14,
                    kTabStop},
};

constexpr std::uint32_t kLineEdit = kBorder | kTabStop | kAutoHScroll;

constexpr std::array kSignInControls{
    ControlTemplate{kNoId, Static, "User id:", 20, 9, 26, 8, 0},
    ControlTemplate{IDC_USER_ID, Edit, "", 48, 6, 165, 14, kLineEdit},
    ControlTemplate{IDC_SIGN_IN, PushButton, "Sign In", 219, 6, 93, 14, kTabStop},
    ControlTemplate{kNoId, Static, "password:", 12, 27, 34, 8, 0},
    ControlTemplate{IDC_PASSWORD, Edit, "", 48, 24, 165, 14, kLineEdit},
    ControlTemplate{IDC_EMAIL_PASSWORD, PushButton, "Email My Password", 219, 24, 93, 14, kTabStop},
    ControlTemplate{kNoId, EtchedHorizontal, "", 12, 42, 299, 1, 0},
    ControlTemplate{kNoId, EtchedHorizontal, "", 12, 171, 298, 1, 0},
    ControlTemplate{IDC_STATUS, Edit, "", 12, 174, 297, 75,
                    kMultiLine | kReadOnly | kVScroll | kTabStop, 0, IDS_STATUS_NAME},
};

constexpr std::array kNameInfoControls{
    ControlTemplate{IDOK, PushButton, "OK", 183, 129, 50, 14, kTabStop | kDefault},
    ControlTemplate{IDC_NAME_INFO, Edit, "", 6, 12, 225, 111,
                    kMultiLine | kBorder | kVScroll | kHScroll | kAutoHScroll | kTabStop, 0,
                    IDS_COMPUTER_NAMES_NAME},
    ControlTemplate{kNoId, Static, "Computer Name Information", 6, 3, 92, 8, 0},
};

constexpr DialogTemplate kAboutBox{IDD_ABOUTBOX, "About Keldwick", 235, 55, kDialogFont, 8,
                                   kPopupDialog, kAboutControls};
constexpr DialogTemplate kMainDialog{IDD_KELDWICK_DIALOG,
                                     "Nimbrel FTP Server Keldwick",
                                     331,
                                     311,
                                     kDialogFont,
                                     8,
                                     kPopupDialog | kMinimizeBox | kAppWindow,
                                     kMainControls};
// The page is as large as the placeholder it is shown in.
constexpr DialogTemplate kSignInPage{IDD_SIGNIN_PAGE, "Account", 318,    255,
                                     kDialogFont,     8,         kChild, kSignInControls};
constexpr DialogTemplate kNameInfo{IDD_NAMEINFO, "Computer Information", 238, 149, kDialogFont, 8,
                                   kPopupDialog, kNameInfoControls};

constexpr std::array kTemplates{&kAboutBox, &kMainDialog, &kSignInPage, &kNameInfo};

} // namespace

const DialogTemplate* FindDialogTemplate(int id) {
    for (const DialogTemplate* each : kTemplates) {
        if (each->id == id) {
            return each;
        }
    }
    return nullptr;
}

const DialogTemplate& AboutBoxTemplate() {
    return kAboutBox;
}
const DialogTemplate& MainDialogTemplate() {
    return kMainDialog;
}
const DialogTemplate& SignInPageTemplate() {
    return kSignInPage;
}
const DialogTemplate& NameInfoTemplate() {
    return kNameInfo;
}

} // namespace res
