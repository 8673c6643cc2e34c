// The sign-in page against the reference account service, driven as a person drives it: typing into
// the boxes and clicking the buttons.

#include "SignInPageFixture.h"
#include "support/CTlsTestSites.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>

namespace {

using namespace signin_test;

using SignInPageTest = SignInPageFixture;

// Over HTTPS through a TLS front, trusting its private CA through KELDWICK_CA_FILE: the status
// texts are the same as over plain HTTP.
TEST_F(SignInPageTest, SignsInOverHttpsWithTheCaFromTheEnvironment) {
    CTlsTestSites sites;
    if (!sites.Available()) {
        GTEST_SKIP() << sites.Missing();
    }
    const std::string plain = m_service.Endpoint();
    const std::size_t pathAt = plain.find('/', plain.find("//") + 2);
    const std::uint16_t port =
        sites.AddSite("good", "location / { proxy_pass " + plain.substr(0, pathAt) + "; }");
    ASSERT_TRUE(sites.Start());
    const std::string endpoint = "https://127.0.0.1:" + std::to_string(port) + plain.substr(pathAt);
    ::setenv("KELDWICK_ENDPOINT", endpoint.c_str(), 1);
    ::setenv("KELDWICK_CA_FILE", sites.CaFile().c_str(), 1);
    OpenPage();
    SignIn("demo", "demo");
    EXPECT_EQ(Status(), kSignedIn);
    ::unsetenv("KELDWICK_CA_FILE");
}

TEST_F(SignInPageTest, FirstStartShowsEmptyBoxesAndTheNextStartShowsTheSavedOnes) {
    OpenPage();
    EXPECT_EQ(Box(res::IDC_USER_ID), "");
    EXPECT_EQ(Box(res::IDC_PASSWORD), "");
    EXPECT_EQ(Status(), "");
    SignIn("demo", "demo");
    ASSERT_EQ(Status(), kSignedIn);

    OpenPage(); // the next start
    EXPECT_EQ(Box(res::IDC_USER_ID), "demo");
    EXPECT_EQ(Box(res::IDC_PASSWORD), "demo");
    EXPECT_FALSE(m_page->HasSession());
}

TEST_F(SignInPageTest, AcceptedSignInSavesExactlyTheTypedTextsAndKeepsTheSession) {
    OpenPage();
    SignIn(QString::fromUtf8("ren\u00e9e"),
           QString::fromUtf8("cr\u00e8me <br\u00fbl\u00e9e> & tea"));
    EXPECT_EQ(Status(), kSignedIn);
    EXPECT_EQ(Stored("User Name"), "ren\u00e9e");
    EXPECT_EQ(Stored("User Password"), "cr\u00e8me <br\u00fbl\u00e9e> & tea");
    ASSERT_TRUE(m_page->HasSession());
    EXPECT_EQ(m_page->SessionId().size(), 32u);
    // The boxes show what was typed.
    EXPECT_EQ(Box(res::IDC_USER_ID), "ren\u00e9e");
}

TEST_F(SignInPageTest, CredentialsThatCannotBeSavedSafelyAreNotSavedAndTheStatusSaysSo) {
    // The key folder is a link to a folder another program chose: the password never goes there.
    const std::string elsewhere = m_temp.Path() + "/elsewhere";
    std::filesystem::create_directories(elsewhere);
    std::filesystem::create_directories(m_temp.Path() + "/config/Nimbrel");
    std::filesystem::create_directory_symlink(elsewhere,
                                              m_temp.Path() + "/config/Nimbrel/Keldwick");
    OpenPage();
    SignIn("demo", "demo");
    EXPECT_EQ(Status(),
              std::string(kSignedIn) + "Your user id and password could not be saved.\r\n");
    EXPECT_TRUE(m_page->HasSession());
    EXPECT_TRUE(std::filesystem::is_empty(elsewhere));
}

TEST_F(SignInPageTest, AnEmptyPasswordIsSavedAsEmpty) {
    Save("demo", "demo");
    OpenPage();
    SignIn("nopass", "");
    EXPECT_EQ(Status(), kSignedIn);
    EXPECT_EQ(Stored("User Name"), "nopass");
    EXPECT_EQ(Stored("User Password"), "");
}

TEST_F(SignInPageTest, RefusedSignInShowsTheServiceMessageAloneAndSavesNothing) {
    Save("old", "oldpw");
    OpenPage();
    SignIn("demo", "wrong");
    EXPECT_EQ(Status(), kWrongPassword);
    EXPECT_FALSE(m_page->HasSession());
    SignIn("nobody", "x");
    EXPECT_EQ(Status(), kUnknownUser);
    SignIn("", "");
    EXPECT_EQ(Status(), "Please enter your user id.");
    EXPECT_EQ(Stored("User Name"), "old");
    EXPECT_EQ(Stored("User Password"), "oldpw");
    // The typed texts stay in the boxes.
    EXPECT_EQ(Box(res::IDC_USER_ID), "");
}

TEST_F(SignInPageTest, SigningInTwiceKeepsOnlyTheSecondSession) {
    OpenPage();
    SignIn("demo", "demo");
    ASSERT_TRUE(m_page->HasSession());
    const std::u16string first = m_page->SessionId();
    Click(res::IDC_SIGN_IN);
    ASSERT_TRUE(m_page->HasSession());
    EXPECT_NE(m_page->SessionId(), first);
    // A refused attempt forgets the session too.
    SignIn("demo", "wrong");
    EXPECT_FALSE(m_page->HasSession());
}

TEST_F(SignInPageTest, EmailUsesTheUserIdLastTransferredNotTheOneTypedSince) {
    Save("ren\u00e9e", "whatever");
    OpenPage();
    Type(res::IDC_USER_ID, "demo");
    Click(res::IDC_EMAIL_PASSWORD);
    EXPECT_EQ(Status(), kEmailSent);
    const auto messages = m_service.OutboxMessages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("To: renee@customer.example"), std::string::npos);
    // The box shows the id the request used again.
    EXPECT_EQ(Box(res::IDC_USER_ID), "ren\u00e9e");

    // After a sign-in press the id typed for it is the one used, even when the sign-in failed.
    SignIn("demo", "wrong");
    Type(res::IDC_USER_ID, "noemail");
    Click(res::IDC_EMAIL_PASSWORD);
    EXPECT_EQ(Status(), kEmailSent);
    ASSERT_EQ(m_service.OutboxMessages().size(), 2u);
    EXPECT_EQ(Box(res::IDC_USER_ID), "demo");
}

TEST_F(SignInPageTest, EmailErrorsShowTheServiceMessageWithAndWithoutASession) {
    OpenPage();
    SignIn("nobody", "x"); // refused: no session
    Click(res::IDC_EMAIL_PASSWORD);
    EXPECT_EQ(Status(), std::string("An error occurred.\r\n") + kUnknownUser);

    SignIn("noemail", "secret"); // accepted: a session
    ASSERT_TRUE(m_page->HasSession());
    Click(res::IDC_EMAIL_PASSWORD);
    EXPECT_EQ(Status(), "An error occurred.\r\nNo e-mail address is on file for this user id.");
    EXPECT_TRUE(m_service.OutboxMessages().empty());
}

TEST_F(SignInPageTest, AStoppedServiceGivesTheResultCodeAndLeavesNoSession) {
    Save("old", "oldpw");
    OpenPage();
    SignIn("demo", "demo");
    ASSERT_TRUE(m_page->HasSession());
    m_service.Stop();

    SignIn("renée", "x");
    EXPECT_EQ(Status(), "Error occurred while creating a session: -2147467259");
    EXPECT_FALSE(m_page->HasSession());
    EXPECT_EQ(Stored("User Name"), "demo");

    Click(res::IDC_EMAIL_PASSWORD);
    EXPECT_EQ(Status(),
              "Error occurred while asking the service to email your password: -2147467259");
}

// keldwick --verbose: a failed call says why, in the line keldwick-cli writes for it.
TEST_F(SignInPageTest, FailedCallsReportTheirReasonWhenAsked) {
    std::FILE* report = std::tmpfile();
    ASSERT_NE(report, nullptr);
    CSignInPage::ReportFailuresTo(report);
    OpenPage();
    const std::string endpoint = m_service.Endpoint();
    const std::size_t hostStart = endpoint.find("//") + 2;
    const std::string where = endpoint.substr(hostStart, endpoint.find('/', hostStart) - hostStart);
    m_service.Stop();
    SignIn("demo", "demo");
    Click(res::IDC_EMAIL_PASSWORD);
    CSignInPage::ReportFailuresTo(nullptr);

    std::string text(4096, '\0');
    std::rewind(report);
    text.resize(std::fread(text.data(), 1, text.size(), report));
    std::fclose(report);
    const std::string reason = ": connecting to " + where + " failed: Connection refused\n";
    EXPECT_EQ(text, "keldwick create-session" + reason + "keldwick email-password" + reason);
}

TEST_F(SignInPageTest, TheDefaultStoreIsTheUsersPrivateConfiguration) {
    const char* old = std::getenv("XDG_CONFIG_HOME");
    const std::string saved = old != nullptr ? old : "";
    const std::string config = m_temp.Path() + "/xdg";
    ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    m_page = std::make_unique<CSignInPage>();
    m_page->EnsureInitialised();
    SignIn("demo", "demo");
    EXPECT_EQ(Status(), kSignedIn);
    old != nullptr ? ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1) : ::unsetenv("XDG_CONFIG_HOME");

    struct stat info {};
    ASSERT_EQ(::stat((config + "/Nimbrel/Keldwick/values").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    ASSERT_EQ(::stat((config + "/Nimbrel/Keldwick").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    // No session bus (main points the process at none): the password stays in the file.
    std::string userId;
    std::string password;
    EXPECT_TRUE(CSavedCredentials(CSettingsStore(config), kKey).LoadFromFile(userId, password));
    EXPECT_EQ(password, "demo");
}

} // namespace

int main(int argc, char** argv) {
    // Also when the test list is read without the test environment.
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // No session bus, whatever the desktop running the tests has: no keyring is ever touched.
    ::setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/keldwick-test-bus", 1);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
