// The desktop program on a real Wayland compositor that takes pointer input: weston with its X11
// back end inside a private Xvfb, the X pointer moved by xdotool, which weston turns into Wayland
// pointer events. Weston's debug stream "scene-graph" tells where the program's window lies and
// whether a popup (the tip window) is up. Every wait is bounded.

#include <QDir>
#include <QFile>
#include <QLibraryInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Started programs, ended in reverse order, each given five seconds after SIGTERM.
class Programs {
public:
    ~Programs() {
        for (auto it = m_started.rbegin(); it != m_started.rend(); ++it) {
            (*it)->terminate();
            if (!(*it)->waitForFinished(5000)) {
                (*it)->kill();
                (*it)->waitForFinished(5000);
            }
        }
    }
    QProcess& Start(const QString& program, const QStringList& args,
                    const QProcessEnvironment& env) {
        auto process = std::make_unique<QProcess>();
        process->setProcessEnvironment(env);
        process->start(program, args);
        process->waitForStarted(5000);
        m_started.push_back(std::move(process));
        return *m_started.back();
    }

private:
    std::vector<std::unique_ptr<QProcess>> m_started;
};

// Runs a short command to its end (at most five seconds) and returns its standard output.
QString RunQuick(const QString& program, const QStringList& args, const QProcessEnvironment& env) {
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(program, args);
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(5000);
    }
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

// Asks again every 100 ms until `done` holds or `seconds` have passed.
bool WaitFor(int seconds, const std::function<bool()>& done) {
    const Clock::time_point end = Clock::now() + std::chrono::seconds(seconds);
    while (Clock::now() < end) {
        if (done()) {
            return true;
        }
        QThread::msleep(100);
    }
    return done();
}

TEST(WaylandTips, RestingOnTheStatusBoxShowsATipWindow) {
    QStringList missing;
    for (const char* tool : {"Xvfb", "weston", "weston-debug", "xdotool"}) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty()) {
            missing << QString::fromLatin1(tool);
        }
    }
    const QString plugins = QLibraryInfo::path(QLibraryInfo::PluginsPath);
    if (!QFile::exists(plugins + QStringLiteral("/platforms/libqwayland-generic.so"))) {
        missing << QStringLiteral("Qt's Wayland platform (qt6-wayland)");
    }
    if (!missing.isEmpty()) {
        GTEST_SKIP() << "needs " << missing.join(QStringLiteral(", ")).toStdString();
    }
    QTemporaryDir work;
    ASSERT_TRUE(work.isValid());
    const QString runtime = work.filePath(QStringLiteral("runtime"));
    ASSERT_TRUE(QDir().mkdir(runtime));
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    Programs programs;
    QProcessEnvironment base;
    base.insert(QStringLiteral("PATH"), qEnvironmentVariable("PATH"));
    base.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    // -displayfd 1: Xvfb picks a free display and writes its number on standard output.
    QProcess& xvfb = programs.Start(QStringLiteral("Xvfb"),
                                    {QStringLiteral("-displayfd"), QStringLiteral("1"),
                                     QStringLiteral("-screen"), QStringLiteral("0"),
                                     QStringLiteral("1024x768x24"), QStringLiteral("-nolisten"),
                                     QStringLiteral("tcp")},
                                    base);
    QString display;
    ASSERT_TRUE(WaitFor(20, [&] {
        xvfb.waitForReadyRead(100);
        display += QString::fromLatin1(xvfb.readAllStandardOutput());
        return display.endsWith(QLatin1Char('\n'));
    })) << "Xvfb did not start";
    QProcessEnvironment x11 = base;
    x11.insert(QStringLiteral("DISPLAY"), QLatin1Char(':') + display.trimmed());

    const QString socket = QStringLiteral("keldwick-test");
    programs.Start(QStringLiteral("weston"),
                   {QStringLiteral("--backend=x11-backend.so"),
                    QStringLiteral("--shell=kiosk-shell.so"), QStringLiteral("--socket=") + socket,
                    QStringLiteral("--width=800"), QStringLiteral("--height=600"),
                    QStringLiteral("--use-pixman"), QStringLiteral("--debug"),
                    QStringLiteral("--idle-time=0")},
                   x11);
    ASSERT_TRUE(WaitFor(20, [&] { return QFile::exists(runtime + QLatin1Char('/') + socket); }))
        << "weston did not start";
    QProcessEnvironment wayland = base;
    wayland.insert(QStringLiteral("WAYLAND_DISPLAY"), socket);
    const auto sceneGraph = [&] {
        return RunQuick(QStringLiteral("weston-debug"), {QStringLiteral("scene-graph")}, wayland);
    };

    QProcessEnvironment app = wayland;
    app.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
    app.insert(QStringLiteral("KELDWICK_ENDPOINT"), QStringLiteral("http://127.0.0.1:9/"));
    app.insert(QStringLiteral("XDG_CONFIG_HOME"), work.filePath(QStringLiteral("config")));
    programs.Start(QStringLiteral(KELDWICK_APP), {}, app);
    const QRegularExpression windowAt(
        QStringLiteral("top-level window 'Nimbrel FTP Server Keldwick'[^\\n]*\\n\\s*position: "
                       "\\((-?\\d+), (-?\\d+)\\) -> \\((-?\\d+), (-?\\d+)\\)"));
    QRegularExpressionMatch window;
    ASSERT_TRUE(WaitFor(30, [&] { return (window = windowAt.match(sceneGraph())).hasMatch(); }))
        << "the Keldwick window did not open";
    ASSERT_FALSE(sceneGraph().contains(QStringLiteral("role xdg_popup")));

    // The status box lies across the middle of the account page, in its lower third (the window
    // is 331 x 311 dialog units); weston's output fills its X window at the root's corner.
    const int left = window.captured(1).toInt();
    const int top = window.captured(2).toInt();
    const int width = window.captured(3).toInt() - left;
    const int height = window.captured(4).toInt() - top;
    const int x = left + width * 165 / 331;
    const int y = top + height * 228 / 311;
    RunQuick(QStringLiteral("xdotool"),
             {QStringLiteral("mousemove"), QString::number(x - 4), QString::number(y - 3)}, x11);
    QThread::msleep(200);
    RunQuick(QStringLiteral("xdotool"),
             {QStringLiteral("mousemove"), QString::number(x), QString::number(y)}, x11);
    EXPECT_TRUE(
        WaitFor(15, [&] { return sceneGraph().contains(QStringLiteral("role xdg_popup")); }))
        << "no tip window after resting on the status box at " << x << "," << y;
}

} // namespace
