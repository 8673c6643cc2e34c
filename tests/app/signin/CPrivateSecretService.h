#pragma once
// A Secret Service of a test's own: a private D-Bus session (dbus-run-session, with a bus that
// starts nothing on demand) and gnome-keyring-daemon on it, started unlocked, its keyrings in a
// folder of the test. The process is pointed at the bus before anything in it connects to one.

#include <QProcess>

#include <optional>
#include <string>

class CPrivateSecretService {
public:
    CPrivateSecretService() = default;
    CPrivateSecretService(const CPrivateSecretService&) = delete;
    CPrivateSecretService& operator=(const CPrivateSecretService&) = delete;
    ~CPrivateSecretService();

    // The programs this needs that are not installed, empty when all are (the test skips).
    [[nodiscard]] static std::string MissingPrograms();

    // Starts the bus (once per process: it lives until the process ends, since the keyring
    // library ends a process whose bus goes away) and the daemon in `folder`; waits at most 10 s.
    [[nodiscard]] bool Start(const std::string& folder);
    // Sends `signal` to the daemon (SIGSTOP: it stops answering; SIGKILL: it is gone).
    void Signal(int signal);

    // What secret-tool finds for the user id under the service "Keldwick" (nothing if none).
    [[nodiscard]] static std::optional<std::string> Lookup(const std::string& userId);

private:
    QProcess m_daemon;
};
