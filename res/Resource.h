#pragma once
// Identifiers of the program's resources: dialogs, strings, icons and controls.

namespace res {

// Dialog templates.
inline constexpr int IDD_ABOUTBOX = 100;
inline constexpr int IDD_KELDWICK_DIALOG = 102;
inline constexpr int IDD_SIGNIN_PAGE = 103;
inline constexpr int IDD_NAMEINFO = 134;

// Strings.
inline constexpr int IDS_ABOUTBOX = 101;
inline constexpr int IDS_SETTINGS_KEY = 102;
// Accessible names of controls that have neither text of their own nor a label before them.
inline constexpr int IDS_STATUS_NAME = 130;
inline constexpr int IDS_COMPUTER_NAMES_NAME = 131;
// The tips of the controls (tip markup).
inline constexpr int IDS_TIP_SHOW_COMPUTER_INFO = 103;
inline constexpr int IDS_TIP_SHOW_TUTORIAL = 104;
inline constexpr int IDS_TIP_SHOW_TROUBLESHOOTING = 105;
inline constexpr int IDS_TIP_USER_ID = 106;
inline constexpr int IDS_TIP_PASSWORD = 107;
inline constexpr int IDS_TIP_SIGN_IN = 110;
inline constexpr int IDS_TIP_EMAIL_PASSWORD = 114;
inline constexpr int IDS_TIP_STATUS = 119;

// Icons.
inline constexpr int IDR_MAINFRAME = 128;

// Controls.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDC_USER_ID = 1000;
inline constexpr int IDC_SIGN_IN = 1001;
inline constexpr int IDC_STATUS = 1005;
inline constexpr int IDC_SHEET_PLACEHOLDER = 1008;
inline constexpr int IDC_PASSWORD = 1020;
inline constexpr int IDC_EMAIL_PASSWORD = 1021;
inline constexpr int IDC_NAME_INFO = 1025;
inline constexpr int IDC_SHOW_COMPUTER_INFO = 1027;
inline constexpr int IDC_SHOW_TUTORIAL = 1028;
inline constexpr int IDC_SHOW_TROUBLESHOOTING = 1029;

// The window-menu command that opens the About box.
inline constexpr unsigned IDM_ABOUTBOX = 0x0010;

} // namespace res
