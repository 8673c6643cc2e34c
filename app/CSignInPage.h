#pragma once
// The sign-in page of the main window's sheet: user id and password boxes, the sign-in and
// e-mail-password buttons and the status box. Its controls are found by identifier (Control).

#include "com/CBstr.h"
#include "dialog/CPropertyPage.h"

#include <string>

class CSignInPage : public dialog::CPropertyPage {
    Q_OBJECT
public:
    explicit CSignInPage(QWidget* parent = nullptr);

private:
    // The page's tooltip window joins here, first among the members.
    std::string m_userId;
    std::string m_statusText;
    CBstr m_sessionId;
    std::string m_password;
};
