#pragma once
// The sign-in page against the reference account service, driven as a person drives it: typing into
// the boxes and clicking the buttons. The credentials go to a settings store in a temporary folder.

#include "app/CSavedCredentials.h"
#include "app/CSignInPage.h"
#include "dialog/CDialogBuilder.h"
#include "res/Resource.h"
#include "support/CReferenceService.h"
#include "support/TempFolder.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <memory>

namespace signin_test {

using settings::CSettingsKey;
using settings::CSettingsStore;
using settings::SettingsStatus;

constexpr const char* kKey = "Software\\Nimbrel\\Keldwick";
constexpr const char* kSignedIn = "You are signed in.\r\n";
constexpr const char* kEmailSent =
    "No errors were reported emailing your user password to you.\r\n";
constexpr const char* kWrongPassword = "The password is not correct for this user id.";
constexpr const char* kUnknownUser = "The user id is not known to the account service.";

class SignInPageFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_service.Start(m_temp.Path() + "/outbox", {"--users", UsersFile()}));
        ::setenv("KELDWICK_ENDPOINT", m_service.Endpoint().c_str(), 1);
    }
    void TearDown() override { ::unsetenv("KELDWICK_ENDPOINT"); }

    std::string UsersFile() {
        const std::string path = m_temp.Path() + "/users.json";
        std::ofstream(path) << R"({"users": [
            {"userId": "demo", "password": "demo", "email": "demo@customer.example"},
            {"userId": "ren\u00e9e", "password": "cr\u00e8me <br\u00fbl\u00e9e> & tea",
             "email": "renee@customer.example"},
            {"userId": "nopass", "password": "", "email": "nopass@customer.example"},
            {"userId": "noemail", "password": "secret"}]})";
        return path;
    }

    virtual std::unique_ptr<ICredentialStore> MakeCredentials() {
        return std::make_unique<CSavedCredentials>(m_store, kKey);
    }

    // Opens the page as the main window does at start-up: built, then initialised once.
    CSignInPage& OpenPage() {
        m_page = std::make_unique<CSignInPage>(MakeCredentials());
        m_page->EnsureInitialised();
        m_page->show();
        return *m_page;
    }

    // Replaces the box's text by typing, as a person does: select everything, then type.
    void Type(int id, const QString& text) {
        auto* edit = qobject_cast<QLineEdit*>(m_page->Control(id));
        ASSERT_NE(edit, nullptr);
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(edit, Qt::Key_Delete);
        for (const QChar ch : text) {
            if (ch.unicode() < 128) {
                QTest::keyClick(edit, static_cast<char>(ch.unicode()));
            } else {
                // No key of the test keyboard makes it: the key event carries the character.
                QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(ch),
                                    Qt::NoModifier);
            }
        }
    }
    void Click(int id) {
        auto* button = qobject_cast<QPushButton*>(m_page->Control(id));
        ASSERT_NE(button, nullptr);
        QTest::mouseClick(button, Qt::LeftButton);
    }
    void SignIn(const QString& userId, const QString& password) {
        Type(res::IDC_USER_ID, userId);
        Type(res::IDC_PASSWORD, password);
        Click(res::IDC_SIGN_IN);
    }
    std::string Box(int id) const { return dialog::ControlText(*m_page->Control(id)); }
    std::string Status() const { return Box(res::IDC_STATUS); }

    std::string Stored(const char* name) {
        CSettingsKey key;
        EXPECT_EQ(m_store.CreateKey(kKey, key), SettingsStatus::Ok);
        std::uint32_t size = 0;
        if (key.QueryValue(name, nullptr, nullptr, size) != SettingsStatus::Ok) {
            return "<missing>";
        }
        std::string data(size, '\0');
        EXPECT_EQ(key.QueryValue(name, nullptr, data.data(), size), SettingsStatus::Ok);
        return data;
    }
    void Save(const std::string& userId, const std::string& password) {
        ASSERT_TRUE(CSavedCredentials(m_store, kKey).SaveCredentials(userId, password));
    }

    CTempFolder m_temp;
    CSettingsStore m_store{m_temp.Path() + "/config"};
    CReferenceService m_service;
    std::unique_ptr<CSignInPage> m_page;
};

} // namespace signin_test
