#pragma once
// The sign-in page of the main window's sheet: user id and password boxes, the sign-in and
// e-mail-password buttons and the status box. Its controls are found by identifier (Control).
//
// Each button press builds a proxy of the account service, calls one operation (and, after an
// error the service reports, the message lookup), writes the outcome into the status box and
// destroys the proxy. The last accepted user id and password are kept through an ICredentialStore;
// a password that the store finds later (the desktop's keyring) fills the box when it comes.

#include "app/ICredentialStore.h"
#include "com/CBstr.h"
#include "dialog/CPropertyPage.h"
#include "tooltip/window/CTipWindow.h"

#include <cstdio>
#include <memory>
#include <string>

class CSignInPage : public dialog::CPropertyPage {
    Q_OBJECT
public:
    // Keeps the credentials in the current user's settings store.
    explicit CSignInPage(QWidget* parent = nullptr);
    // Keeps them in `credentials` (tests pass a store in a temporary folder).
    explicit CSignInPage(std::unique_ptr<ICredentialStore> credentials, QWidget* parent = nullptr);
    ~CSignInPage() override;

    void LoadCredentials(std::string& userId, std::string& password);
    [[nodiscard]] bool SaveCredentials(const std::string& userId, const std::string& password);

    // The session id of the last accepted sign-in, empty when there is none.
    [[nodiscard]] std::u16string SessionId() const { return std::u16string(m_sessionId.View()); }
    [[nodiscard]] bool HasSession() const { return !m_sessionId.IsNull(); }
    [[nodiscard]] tooltip::CTipWindow& PageTips() { return m_pageTips; }

    // Where the reason of each failed call goes, in the words keldwick-cli uses ("keldwick
    // create-session: connecting to 127.0.0.1:9 failed: Connection refused"); null (the default)
    // for nowhere. The status box shows only the result code.
    static void ReportFailuresTo(std::FILE* out);

protected:
    void OnInitDialog() override;

private:
    // Copies the boxes into the members (save) or the members into the boxes.
    void DoDataExchange(bool save);
    void OnSignIn();
    void OnEmailPassword();
    // A password the store found after the page opened.
    void OnPasswordLoaded(const std::string& userId, const std::string& password);
    // The end of the save that the sign-in press numbered `statusWrite` started.
    void OnSaveFinished(unsigned statusWrite, bool saved);

    // First among the members: made before the page's strings, destroyed last.
    tooltip::CTipWindow m_pageTips;
    std::string m_userId;
    std::string m_statusText;
    CBstr m_sessionId;
    std::string m_password;
    std::unique_ptr<ICredentialStore> m_credentials;
    // Counts the presses that write the status box, so a late save result finds its own status.
    unsigned m_statusWrites = 0;
};
