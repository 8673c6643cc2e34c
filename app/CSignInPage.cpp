#include "app/CSignInPage.h"

#include "app/CKeyringCredentials.h"
#include "app/CSavedCredentials.h"
#include "app/WindowTips.h"
#include "dialog/CDialogBuilder.h"
#include "res/DialogTemplates.h"
#include "res/Resource.h"
#include "res/StringTable.h"
#include "settings/CSettingsStore.h"
#include "text/Utf8.h"
#include "webservice/account/CAccountServiceT.h"

#include <QAbstractButton>

#include <cstdio>

namespace {

std::FILE* g_failureReport = nullptr;

void ReportFailure(const char* operation, const CAccountServiceT& proxy) {
    if (g_failureReport != nullptr) {
        std::fprintf(g_failureReport, "keldwick %s: %s\n", operation,
                     proxy.FailureReason().c_str());
        std::fflush(g_failureReport);
    }
}

constexpr const char* kSessionFailed = "Error occurred while creating a session: %d";
constexpr const char* kSignedIn = "You are signed in.\r\n";
constexpr const char* kNotSaved = "Your user id and password could not be saved.\r\n";
constexpr const char* kEmailRequestFailed =
    "Error occurred while asking the service to email your password: %d";
constexpr const char* kEmailSent =
    "No errors were reported emailing your user password to you.\r\n";
constexpr const char* kEmailRefused = "An error occurred.\r\n";

constexpr WindowTipTool kPageTools[] = {
    {res::IDC_USER_ID, res::IDS_TIP_USER_ID},
    {res::IDC_PASSWORD, res::IDS_TIP_PASSWORD},
    {res::IDC_STATUS, res::IDS_TIP_STATUS},
    {res::IDC_SIGN_IN, res::IDS_TIP_SIGN_IN},
    {res::IDC_EMAIL_PASSWORD, res::IDS_TIP_EMAIL_PASSWORD},
};

// The result code as the signed decimal that support staff quote (0x80004005 is -2147467259).
std::string FormatResult(const char* format, HRESULT result) {
    char text[128];
    std::snprintf(text, sizeof text, format, static_cast<int>(result));
    return text;
}

CBstr ToBstr(const std::string& narrow) {
    return CBstr(text::Utf8ToUtf16(narrow));
}

std::string ToNarrow(const CBstr& wide) {
    return text::Utf16ToUtf8(wide.View());
}

std::unique_ptr<ICredentialStore> UsersCredentials() {
    return std::make_unique<CKeyringCredentials>(
        CSavedCredentials(settings::CSettingsStore::ForCurrentUser(),
                          std::string(res::LoadString(res::IDS_SETTINGS_KEY))));
}

} // namespace

CSignInPage::CSignInPage(QWidget* parent) : CSignInPage(UsersCredentials(), parent) {}

CSignInPage::CSignInPage(std::unique_ptr<ICredentialStore> credentials, QWidget* parent)
    : dialog::CPropertyPage(res::SignInPageTemplate(), parent),
      m_pageTips(WindowTipSystem(), WindowTipServices()), m_credentials(std::move(credentials)) {
    const auto connectButton = [this](int id, void (CSignInPage::*handler)()) {
        if (auto* button = qobject_cast<QAbstractButton*>(Control(id))) {
            connect(button, &QAbstractButton::clicked, this, handler);
        }
    };
    connectButton(res::IDC_SIGN_IN, &CSignInPage::OnSignIn);
    connectButton(res::IDC_EMAIL_PASSWORD, &CSignInPage::OnEmailPassword);
}

CSignInPage::~CSignInPage() = default;

void CSignInPage::LoadCredentials(std::string& userId, std::string& password) {
    if (m_credentials) {
        m_credentials->LoadCredentials(userId, password);
    }
}

bool CSignInPage::SaveCredentials(const std::string& userId, const std::string& password) {
    return m_credentials && m_credentials->SaveCredentials(userId, password);
}

void CSignInPage::OnInitDialog() {
    SetUpWindowTips(
        m_pageTips, *this, [this](int id) { return Control(id); }, kPageTools);
    LoadCredentials(m_userId, m_password);
    DoDataExchange(false);
    if (m_credentials) {
        m_credentials->LoadPasswordLater([this, userId = m_userId](const std::string& password) {
            OnPasswordLoaded(userId, password);
        });
    }
}

void CSignInPage::OnPasswordLoaded(const std::string& userId, const std::string& password) {
    QWidget* userIdBox = Control(res::IDC_USER_ID);
    QWidget* passwordBox = Control(res::IDC_PASSWORD);
    // Only into an empty box beside the user id it belongs to: what was typed meanwhile stays.
    if (userIdBox == nullptr || passwordBox == nullptr ||
        dialog::ControlText(*userIdBox) != userId || !dialog::ControlText(*passwordBox).empty()) {
        return;
    }
    m_password = password;
    dialog::SetControlText(*passwordBox, password);
}

void CSignInPage::OnSaveFinished(unsigned statusWrite, bool saved) {
    // Added to the sign-in's status unless another press has written the status box since.
    if (saved || statusWrite != m_statusWrites) {
        return;
    }
    m_statusText += kNotSaved;
    if (QWidget* status = Control(res::IDC_STATUS)) {
        dialog::SetControlText(*status, m_statusText);
    }
}

void CSignInPage::DoDataExchange(bool save) {
    const std::pair<int, std::string*> bindings[] = {
        {res::IDC_USER_ID, &m_userId},
        {res::IDC_STATUS, &m_statusText},
        {res::IDC_PASSWORD, &m_password},
    };
    for (const auto& [id, member] : bindings) {
        QWidget* control = Control(id);
        if (control == nullptr) {
            continue;
        }
        if (save) {
            *member = dialog::ControlText(*control);
        } else {
            dialog::SetControlText(*control, *member);
        }
    }
}

void CSignInPage::ReportFailuresTo(std::FILE* out) {
    g_failureReport = out;
}

void CSignInPage::OnSignIn() {
    DoDataExchange(true);
    const unsigned statusWrite = ++m_statusWrites;
    CAccountServiceT proxy;
    const CBstr userId = ToBstr(m_userId);
    const CBstr password = ToBstr(m_password);
    int errorCode = 0;
    // Receive forgets the session held so far: a failed call leaves none.
    const HRESULT result =
        proxy.CreateSession(userId.Get(), password.Get(), m_sessionId.Receive(), &errorCode);
    if (Failed(result)) {
        ReportFailure("create-session", proxy);
        m_statusText = FormatResult(kSessionFailed, result);
    } else if (errorCode != 0) {
        CBstr message;
        (void)proxy.GetErrorMessage(m_sessionId.Get(), errorCode, message.Receive());
        m_statusText = ToNarrow(message);
    } else {
        m_statusText = kSignedIn;
        // A keyring may answer later; a store that answers at once has already ended here.
        if (m_credentials) {
            m_credentials->SaveCredentialsLater(
                m_userId, m_password,
                [this, statusWrite](bool saved) { OnSaveFinished(statusWrite, saved); });
        } else {
            OnSaveFinished(statusWrite, false);
        }
    }
    DoDataExchange(false);
}

void CSignInPage::OnEmailPassword() {
    // The boxes are not read: the request is for the user id last transferred from its box.
    ++m_statusWrites;
    CAccountServiceT proxy;
    const CBstr userId = ToBstr(m_userId);
    int errorCode = 0;
    const HRESULT result = proxy.EmailUserPassword(userId.Get(), &errorCode);
    if (Failed(result)) {
        ReportFailure("email-password", proxy);
        m_statusText = FormatResult(kEmailRequestFailed, result);
    } else if (errorCode == 0) {
        m_statusText = kEmailSent;
    } else {
        CBstr message;
        (void)proxy.GetErrorMessage(m_sessionId.Get(), errorCode, message.Receive());
        m_statusText = kEmailRefused + ToNarrow(message);
    }
    DoDataExchange(false);
}
