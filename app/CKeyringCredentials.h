#pragma once
// The saved credentials with the password in the desktop's keyring: the Secret Service (GNOME
// Keyring, KWallet, KeePassXC) through QtKeychain, under the service "Keldwick" with the user id as
// key. The user id stays in the settings file, which then holds no password.
//
// Without a session bus (a bare server, CI) the password stays in the private settings file as it
// always did, and where the keyring refuses a save the file takes it instead. A password found in
// the file moves to the keyring at the next save: it leaves the file in the rewrite that saves the
// user id, only after the keyring confirmed the write.
//
// The keyring answers asynchronously (it may first ask the user to unlock it), so reads and writes
// never block the window; each gives up after its bound. Failures say nothing to the user beyond
// the page's "could not be saved"; --verbose (SetTrace) tells which store is in use, once, and the
// reason of every failure.

#include "app/CSavedCredentials.h"
#include "app/ICredentialStore.h"

#include <QObject>
#include <QString>

#include <chrono>
#include <cstdio>
#include <deque>
#include <functional>
#include <optional>
#include <string>

namespace QKeychain {
class Job;
}

// How long the keyring may take to answer.
struct KeyringBounds {
    // A load that outlasts this leaves the password box empty.
    std::chrono::milliseconds load{10000};
    // A write that outlasts this goes to the file instead (an unlock prompt may be open).
    std::chrono::milliseconds save{30000};
};

class CKeyringCredentials final : public QObject, public ICredentialStore {
    Q_OBJECT
public:
    explicit CKeyringCredentials(CSavedCredentials file,
                                 QString service = QStringLiteral("Keldwick"),
                                 KeyringBounds bounds = {});
    ~CKeyringCredentials() override;

    // Where --verbose writes (null: nowhere, the default).
    static void SetTrace(std::FILE* trace);

    void LoadCredentials(std::string& userId, std::string& password) override;
    void LoadPasswordLater(PasswordArrived arrived) override;
    void SaveCredentialsLater(std::string_view userId, std::string_view password,
                              SaveFinished finished) override;
    // Waits for SaveCredentialsLater, at most as long as the saves before it and its own bound.
    [[nodiscard]] bool SaveCredentials(std::string_view userId, std::string_view password) override;

private:
    struct PendingSave {
        std::string userId;
        std::string password;
        SaveFinished finished;
        // The user id the file named before, when it was another one; whether it was this one.
        std::optional<std::string> oldUserId;
        bool fileNamesUser = false;
    };
    // The job's outcome, or null when it gave no answer within the bound.
    using JobEnded = std::function<void(QKeychain::Job* job)>;

    [[nodiscard]] bool SessionBusReachable();
    void RunBounded(QKeychain::Job* job, std::chrono::milliseconds bound, JobEnded ended);
    void OnPasswordRead(QKeychain::Job* job, const PasswordArrived& arrived);
    void StartNextSave();
    void OnKeyringWritten(QKeychain::Job* job);
    void FinishSave(bool saved);
    void ForgetInKeyring(const std::string& userId);
    void AnnounceStore(bool keyring, const QString& reason = {});

    CSavedCredentials m_file;
    QString m_service;
    KeyringBounds m_bounds;
    std::optional<bool> m_sessionBus;
    QString m_noBusReason;
    // The user id whose password the keyring is asked for after the load.
    std::optional<std::string> m_loadFor;
    std::deque<PendingSave> m_saves;
    bool m_saving = false;
};
