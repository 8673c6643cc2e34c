#include "app/CKeyringCredentials.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QEventLoop>
#include <QTimer>

#include <qt6keychain/keychain.h>

#include <cstring>
#include <memory>

namespace {

// As in the settings file: a password of this size or more is not taken (no room for its end).
constexpr std::size_t kValueBufferBytes = 1000;

std::FILE* g_trace = nullptr;
// Which store is in use is said once per run, however many pages or saves there are.
bool g_storeAnnounced = false;

void Trace(const QString& line) {
    if (g_trace != nullptr) {
        std::fprintf(g_trace, "keldwick: %s\n", line.toUtf8().constData());
        std::fflush(g_trace);
    }
}

QString Quoted(const std::string& text) {
    return QLatin1Char('"') + QString::fromUtf8(text) + QLatin1Char('"');
}

QString JobFailure(const QKeychain::Job* job, std::chrono::milliseconds bound) {
    if (job == nullptr) {
        return QStringLiteral("no answer within %1 ms").arg(bound.count());
    }
    return job->errorString();
}

// Text that is valid UTF-8 goes in as text, which keyring tools show as it is; other bytes (an old
// file may hold any) go in as binary so that they come back exactly.
void SetSecret(QKeychain::WritePasswordJob& job, const std::string& password) {
    const QByteArray bytes(password.data(), static_cast<qsizetype>(password.size()));
    const QString text = QString::fromUtf8(bytes);
    if (text.toUtf8() == bytes) {
        job.setTextData(text);
    } else {
        job.setBinaryData(bytes);
    }
}

} // namespace

CKeyringCredentials::CKeyringCredentials(CSavedCredentials file, QString service,
                                         KeyringBounds bounds)
    : m_file(std::move(file)), m_service(std::move(service)), m_bounds(bounds) {}

CKeyringCredentials::~CKeyringCredentials() {
    // The window is closing while a save still waits for the keyring: its answer could no longer
    // arrive, and the accepted sign-in would be lost. The last one goes to the file, as when the
    // keyring does not answer within its bound; nobody is left to tell how it went.
    if (m_saves.empty()) {
        return;
    }
    const PendingSave& last = m_saves.back();
    Trace(QStringLiteral("the keyring had not answered when the window closed; the settings file "
                         "keeps the password"));
    if (!m_file.SaveCredentials(last.userId, last.password)) {
        Trace(QStringLiteral("the credentials could not be saved in %1")
                  .arg(QString::fromStdString(m_file.FilePath())));
    }
}

void CKeyringCredentials::SetTrace(std::FILE* trace) {
    g_trace = trace;
}

bool CKeyringCredentials::SessionBusReachable() {
    if (!m_sessionBus) {
        // Connecting is local and quick; without a bus no keyring call is ever made.
        const QDBusConnection bus = QDBusConnection::sessionBus();
        m_sessionBus = bus.isConnected();
        if (!*m_sessionBus) {
            m_noBusReason = QStringLiteral("no session bus (%1)").arg(bus.lastError().message());
        }
    }
    return *m_sessionBus;
}

void CKeyringCredentials::AnnounceStore(bool keyring, const QString& reason) {
    if (g_storeAnnounced) {
        return;
    }
    g_storeAnnounced = true;
    if (keyring) {
        Trace(QStringLiteral("the password is kept in the desktop keyring (service \"%1\")")
                  .arg(m_service));
    } else {
        Trace(QStringLiteral("the password is kept in the settings file %1: %2")
                  .arg(QString::fromStdString(m_file.FilePath()), reason));
    }
}

void CKeyringCredentials::RunBounded(QKeychain::Job* job, std::chrono::milliseconds bound,
                                     JobEnded ended) {
    // Whichever comes first, the answer or the bound, is taken; the other is ignored. The job has
    // no parent and deletes itself when it ends, so a late answer never reaches a freed object.
    auto settled = std::make_shared<bool>(false);
    auto once = std::make_shared<JobEnded>(std::move(ended));
    job->setAutoDelete(true);
    connect(job, &QKeychain::Job::finished, this, [settled, once](QKeychain::Job* done) {
        if (!std::exchange(*settled, true)) {
            (*once)(done);
        }
    });
    QTimer::singleShot(bound, this, [settled, once] {
        if (!std::exchange(*settled, true)) {
            (*once)(nullptr);
        }
    });
    job->start();
}

void CKeyringCredentials::LoadCredentials(std::string& userId, std::string& password) {
    m_loadFor.reset();
    if (m_file.LoadFromFile(userId, password)) {
        // Kept there before the keyring was used, or where there is none: it moves at the next
        // save.
        Trace(QStringLiteral("the password was read from the settings file %1")
                  .arg(QString::fromStdString(m_file.FilePath())));
        return;
    }
    if (userId.empty()) {
        return;
    }
    if (!SessionBusReachable()) {
        AnnounceStore(false, m_noBusReason);
        return;
    }
    m_loadFor = userId;
}

void CKeyringCredentials::LoadPasswordLater(PasswordArrived arrived) {
    if (!m_loadFor) {
        return;
    }
    auto* job = new QKeychain::ReadPasswordJob(m_service);
    job->setKey(QString::fromStdString(*m_loadFor));
    m_loadFor.reset();
    RunBounded(job, m_bounds.load, [this, arrived = std::move(arrived)](QKeychain::Job* done) {
        OnPasswordRead(done, arrived);
    });
}

void CKeyringCredentials::OnPasswordRead(QKeychain::Job* job, const PasswordArrived& arrived) {
    if (job != nullptr &&
        (job->error() == QKeychain::NoError || job->error() == QKeychain::EntryNotFound)) {
        AnnounceStore(true);
    }
    if (job == nullptr || job->error() != QKeychain::NoError) {
        Trace(QStringLiteral("the password could not be read from the keyring: %1")
                  .arg(JobFailure(job, m_bounds.load)));
        return;
    }
    const QByteArray secret = static_cast<QKeychain::ReadPasswordJob*>(job)->binaryData();
    if (static_cast<std::size_t>(secret.size()) >= kValueBufferBytes) {
        Trace(QStringLiteral("the password in the keyring is too long to be ours; it is ignored"));
        return;
    }
    // As from the file: the text ends at its first zero byte.
    arrived(std::string(secret.constData(), ::strnlen(secret.constData(), secret.size())));
}

void CKeyringCredentials::SaveCredentialsLater(std::string_view userId, std::string_view password,
                                               SaveFinished finished) {
    // One save at a time, in order, so that the last accepted sign-in is the one that stays.
    m_saves.push_back({std::string(userId), std::string(password), std::move(finished), {}});
    if (!m_saving) {
        StartNextSave();
    }
}

void CKeyringCredentials::StartNextSave() {
    m_saving = !m_saves.empty();
    if (!m_saving) {
        return;
    }
    PendingSave& save = m_saves.front();
    std::string oldUserId;
    std::string oldPassword;
    (void)m_file.LoadFromFile(oldUserId, oldPassword);
    save.fileNamesUser = oldUserId == save.userId;
    if (!oldUserId.empty() && !save.fileNamesUser) {
        save.oldUserId = oldUserId;
    }
    if (!SessionBusReachable()) {
        AnnounceStore(false, m_noBusReason);
        FinishSave(m_file.SaveCredentials(save.userId, save.password));
        return;
    }
    auto* job = new QKeychain::WritePasswordJob(m_service);
    job->setKey(QString::fromStdString(save.userId));
    SetSecret(*job, save.password);
    RunBounded(job, m_bounds.save, [this](QKeychain::Job* done) { OnKeyringWritten(done); });
}

void CKeyringCredentials::OnKeyringWritten(QKeychain::Job* job) {
    const PendingSave& save = m_saves.front();
    if (job != nullptr && job->error() == QKeychain::NoError) {
        AnnounceStore(true);
        // Only now may a password still in the file leave it, in the rewrite that saves the id.
        if (m_file.SaveUserIdOnly(save.userId)) {
            FinishSave(true);
            return;
        }
        Trace(QStringLiteral("the user id could not be saved in %1; the previous credentials stay")
                  .arg(QString::fromStdString(m_file.FilePath())));
        if (!save.fileNamesUser) {
            // The file names another user id (or none): the new entry would stay behind unseen.
            ForgetInKeyring(save.userId);
        }
        FinishSave(false);
        return;
    }
    const QString reason = JobFailure(job, m_bounds.save);
    AnnounceStore(false, reason);
    Trace(QStringLiteral("the keyring did not take the password (%1); the settings file does")
              .arg(reason));
    FinishSave(m_file.SaveCredentials(save.userId, save.password));
}

void CKeyringCredentials::FinishSave(bool saved) {
    PendingSave save = std::move(m_saves.front());
    m_saves.pop_front();
    if (saved && save.oldUserId && SessionBusReachable()) {
        // A new user id replaces the entry: no password of the old one stays behind.
        ForgetInKeyring(*save.oldUserId);
    }
    save.finished(saved);
    StartNextSave();
}

void CKeyringCredentials::ForgetInKeyring(const std::string& userId) {
    auto* job = new QKeychain::DeletePasswordJob(m_service);
    job->setKey(QString::fromStdString(userId));
    RunBounded(job, m_bounds.save, [this, userId](QKeychain::Job* done) {
        if (done == nullptr ||
            (done->error() != QKeychain::NoError && done->error() != QKeychain::EntryNotFound)) {
            Trace(QStringLiteral("the keyring entry of %1 could not be removed: %2")
                      .arg(Quoted(userId), JobFailure(done, m_bounds.save)));
        }
    });
}

bool CKeyringCredentials::SaveCredentials(std::string_view userId, std::string_view password) {
    struct Wait {
        std::optional<bool> saved;
        QEventLoop* loop = nullptr;
    };
    // Shared: an answer after the wait has ended must not reach this frame.
    auto wait = std::make_shared<Wait>();
    const auto bound =
        m_bounds.save * static_cast<int>(m_saves.size() + 1) + std::chrono::seconds(1);
    SaveCredentialsLater(userId, password, [wait](bool saved) {
        wait->saved = saved;
        if (wait->loop != nullptr) {
            wait->loop->quit();
        }
    });
    if (!wait->saved) {
        QEventLoop loop;
        wait->loop = &loop;
        QTimer::singleShot(bound, &loop, &QEventLoop::quit);
        loop.exec();
        wait->loop = nullptr;
    }
    return wait->saved.value_or(false);
}
