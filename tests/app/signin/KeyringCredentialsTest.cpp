// The sign-in page with the password in a real Secret Service (gnome-keyring-daemon on a private
// bus), the user id in the settings file beside it.

#include "CPrivateSecretService.h"
#include "SignInPageFixture.h"

#include "app/CKeyringCredentials.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>

#include <csignal>
#include <cstdio>

namespace {

using namespace signin_test;
using namespace std::chrono_literals;

class KeyringCredentialsTest : public SignInPageFixture {
protected:
    void SetUp() override {
        if (const std::string missing = CPrivateSecretService::MissingPrograms();
            !missing.empty()) {
            GTEST_SKIP() << "needs a Secret Service to test against; not installed: " << missing;
        }
        ASSERT_TRUE(m_keyring.Start(m_temp.Path()));
        SignInPageFixture::SetUp();
    }
    std::unique_ptr<ICredentialStore> MakeCredentials() override {
        return std::make_unique<CKeyringCredentials>(CSavedCredentials(m_store, kKey),
                                                     QStringLiteral("Keldwick"), m_bounds);
    }
    // Runs the event loop until `done` holds, at most `bound`; answers whether it held.
    static bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds bound = 5s) {
        const QDeadlineTimer deadline(bound);
        while (!done()) {
            if (deadline.hasExpired()) {
                return false;
            }
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        }
        return true;
    }
    // A save to the keyring has ended once the file names the user and holds no password.
    bool SavedToKeyring(const std::string& userId) {
        return WaitUntil([&] {
            return Stored("User Name") == userId && Stored("User Password") == "<missing>";
        });
    }

    static std::string ReadTrace(std::FILE* trace) {
        std::rewind(trace);
        std::string text(65536, '\0');
        text.resize(std::fread(text.data(), 1, text.size(), trace));
        std::fseek(trace, 0, SEEK_END); // the store writes on after what was read
        return text;
    }

    CPrivateSecretService m_keyring;
    KeyringBounds m_bounds;
};

TEST_F(KeyringCredentialsTest, TheKeyringKeepsThePasswordAndFillsTheBoxAtTheNextStart) {
    OpenPage();
    SignIn("demo", "demo");
    EXPECT_EQ(Status(), kSignedIn);
    ASSERT_TRUE(SavedToKeyring("demo"));
    EXPECT_EQ(CPrivateSecretService::Lookup("demo"), "demo");
    EXPECT_EQ(Status(), kSignedIn);

    OpenPage(); // the next start: the id at once, the password when the keyring answers
    EXPECT_EQ(Box(res::IDC_USER_ID), "demo");
    EXPECT_TRUE(WaitUntil([&] { return Box(res::IDC_PASSWORD) == "demo"; }));

    // A password typed before the keyring answered is not replaced.
    OpenPage();
    Type(res::IDC_PASSWORD, "typed");
    WaitUntil([] { return false; }, 500ms);
    EXPECT_EQ(Box(res::IDC_PASSWORD), "typed");
}

TEST_F(KeyringCredentialsTest, APasswordInTheFileMovesToTheKeyringOnlyWhenBothWritesLand) {
    Save("demo", "demo");
    // The file cannot be rewritten: the keyring took the password, but the old credentials stay
    // whole in the file and the status says they were not saved.
    m_store.SetWriteHookForTests([](std::size_t) { return false; });
    OpenPage();
    EXPECT_EQ(Box(res::IDC_PASSWORD), "demo"); // from the file, at once
    SignIn("renée", "crème <brûlée> & tea");
    EXPECT_TRUE(
        WaitUntil([&] { return Status().find("could not be saved") != std::string::npos; }));
    EXPECT_EQ(Stored("User Name"), "demo");
    EXPECT_EQ(Stored("User Password"), "demo");
    // The new entry, named by no file, is taken back.
    EXPECT_TRUE(WaitUntil([] { return !CPrivateSecretService::Lookup("renée"); }));

    m_store.SetWriteHookForTests(nullptr);
    OpenPage();
    SignIn("demo", "demo");
    ASSERT_TRUE(SavedToKeyring("demo"));
    EXPECT_EQ(CPrivateSecretService::Lookup("demo"), "demo");
    EXPECT_EQ(Status(), kSignedIn);
}

TEST_F(KeyringCredentialsTest, ANewUserIdReplacesTheEntryAndARefusedSignInSavesNothing) {
    OpenPage();
    SignIn("demo", "demo");
    ASSERT_TRUE(SavedToKeyring("demo"));
    SignIn("demo", "wrong");
    SignIn("nobody", "x");
    WaitUntil([] { return false; }, 300ms);
    EXPECT_EQ(CPrivateSecretService::Lookup("demo"), "demo");
    EXPECT_FALSE(CPrivateSecretService::Lookup("nobody"));
    EXPECT_EQ(Stored("User Name"), "demo");

    SignIn("renée", "crème <brûlée> & tea");
    ASSERT_TRUE(SavedToKeyring("renée"));
    EXPECT_EQ(CPrivateSecretService::Lookup("renée"), "crème <brûlée> & tea");
    EXPECT_TRUE(WaitUntil([] { return !CPrivateSecretService::Lookup("demo"); }));
}

TEST_F(KeyringCredentialsTest, AKeyringThatStopsAnsweringNeitherBlocksNorLosesTheSave) {
    OpenPage();
    SignIn("demo", "demo");
    ASSERT_TRUE(SavedToKeyring("demo"));
    std::FILE* trace = std::tmpfile();
    CKeyringCredentials::SetTrace(trace);

    m_keyring.Signal(SIGSTOP);
    m_bounds = {.load = 1000ms, .save = 1000ms};
    QElapsedTimer opening;
    opening.start();
    OpenPage();
    EXPECT_LT(opening.elapsed(), m_bounds.load.count()); // the page did not wait for the keyring
    // The window answers while the keyring does not: typing reaches the box.
    Type(res::IDC_USER_ID, "someone");
    EXPECT_EQ(Box(res::IDC_USER_ID), "someone");
    Type(res::IDC_USER_ID, "demo");
    EXPECT_TRUE(WaitUntil(
        [&] { return ReadTrace(trace).find("no answer within 1000 ms") != std::string::npos; }));
    EXPECT_EQ(Box(res::IDC_PASSWORD), "");

    // The next start's load waits behind the first; the daemon dies during it.
    m_bounds = {.load = 3000ms, .save = 1000ms};
    OpenPage();
    WaitUntil([] { return false; }, 300ms);
    m_keyring.Signal(SIGKILL);
    EXPECT_TRUE(WaitUntil([&] {
        return ReadTrace(trace).find("could not be read from the keyring: The name") !=
               std::string::npos;
    }));
    EXPECT_EQ(Box(res::IDC_PASSWORD), "");

    // The save goes to the file instead, and says nothing of the keyring to the user.
    SignIn("demo", "demo");
    EXPECT_TRUE(WaitUntil([&] { return Stored("User Password") == "demo"; }));
    EXPECT_EQ(Status(), kSignedIn);
    const std::string said = ReadTrace(trace);
    EXPECT_NE(said.find("the settings file does"), std::string::npos) << said;
    CKeyringCredentials::SetTrace(nullptr);
    std::fclose(trace);
}

TEST_F(KeyringCredentialsTest, ClosingWhileTheKeyringIsSilentKeepsTheAcceptedSignIn) {
    m_keyring.Signal(SIGSTOP);
    OpenPage();
    SignIn("renée", "crème <brûlée> & tea");
    EXPECT_EQ(Status(), kSignedIn);
    m_page.reset(); // the window closes before the keyring's bound has run out
    EXPECT_EQ(Stored("User Name"), "renée");
    EXPECT_EQ(Stored("User Password"), "crème <brûlée> & tea");
    m_keyring.Signal(SIGCONT);
}

} // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
