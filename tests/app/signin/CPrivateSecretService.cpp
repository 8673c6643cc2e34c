#include "CPrivateSecretService.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDeadlineTimer>
#include <QStandardPaths>
#include <QThread>

#include <csignal>
#include <filesystem>
#include <fstream>

namespace {

constexpr int kWaitMs = 10000;

// A session bus that activates no service: a keyring daemon that is gone stays gone.
constexpr const char* kBusConfig = R"(<!DOCTYPE busconfig PUBLIC
 "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:tmpdir=/tmp</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
)";

// Starts the bus once and answers its address. The process object is never destroyed, on purpose:
// the bus ends when this process does and so closes the bus's standard input.
std::string SharedBusAddress(const std::string& folder) {
    static std::string address;
    static QProcess* bus = nullptr;
    if (bus != nullptr) {
        return address;
    }
    const std::string config = folder + "/bus.conf";
    std::ofstream(config) << kBusConfig;
    bus = new QProcess;
    bus->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    bus->start(QStringLiteral("dbus-run-session"),
               {QStringLiteral("--config-file=") + QString::fromStdString(config),
                QStringLiteral("--"), QStringLiteral("sh"), QStringLiteral("-c"),
                QStringLiteral("echo \"$DBUS_SESSION_BUS_ADDRESS\"; exec cat")});
    if (!bus->waitForStarted(kWaitMs) || !bus->waitForReadyRead(kWaitMs)) {
        return {};
    }
    address = bus->readLine().trimmed().toStdString();
    return address;
}

bool SecretServiceOwned() {
    QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
    return bus != nullptr && bus->isServiceRegistered(QStringLiteral("org.freedesktop.secrets"));
}

} // namespace

CPrivateSecretService::~CPrivateSecretService() {
    Signal(SIGKILL);
    m_daemon.waitForFinished(kWaitMs);
}

std::string CPrivateSecretService::MissingPrograms() {
    std::string missing;
    for (const char* program : {"dbus-run-session", "gnome-keyring-daemon", "secret-tool"}) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(program)).isEmpty()) {
            missing += std::string(missing.empty() ? "" : ", ") + program;
        }
    }
    return missing;
}

bool CPrivateSecretService::Start(const std::string& folder) {
    const std::string address = SharedBusAddress(folder);
    if (address.empty()) {
        return false;
    }
    qputenv("DBUS_SESSION_BUS_ADDRESS", QByteArray::fromStdString(address));
    const std::string runtime = folder + "/run";
    std::filesystem::create_directories(runtime);
    std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), QString::fromStdString(runtime));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), QString::fromStdString(folder + "/data"));
    m_daemon.setProcessEnvironment(environment);
    m_daemon.setProcessChannelMode(QProcess::ForwardedChannels);
    m_daemon.start(QStringLiteral("gnome-keyring-daemon"),
                   {QStringLiteral("--foreground"), QStringLiteral("--unlock"),
                    QStringLiteral("--components=secrets")});
    if (!m_daemon.waitForStarted(kWaitMs)) {
        return false;
    }
    // The login keyring's password, on standard input; it is created unlocked.
    m_daemon.write("test keyring password\n");
    m_daemon.waitForBytesWritten(kWaitMs);
    m_daemon.closeWriteChannel();
    const QDeadlineTimer deadline(kWaitMs);
    while (!SecretServiceOwned()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QThread::msleep(20);
    }
    return true;
}

void CPrivateSecretService::Signal(int signal) {
    if (m_daemon.state() != QProcess::NotRunning) {
        ::kill(static_cast<pid_t>(m_daemon.processId()), signal);
    }
}

std::optional<std::string> CPrivateSecretService::Lookup(const std::string& userId) {
    QProcess tool;
    tool.start(QStringLiteral("secret-tool"),
               {QStringLiteral("lookup"), QStringLiteral("server"), QStringLiteral("Keldwick"),
                QStringLiteral("user"), QString::fromStdString(userId)});
    if (!tool.waitForFinished(kWaitMs) || tool.exitCode() != 0) {
        return std::nullopt;
    }
    return tool.readAllStandardOutput().toStdString();
}
