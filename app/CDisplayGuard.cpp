#include "app/CDisplayGuard.h"

#include <QString>

#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

namespace {

struct HeldMessage {
    QtMsgType type;
    QString message;
};

QtMessageHandler g_previous = nullptr;
bool g_starting = false;
std::vector<HeldMessage>& Held() {
    static std::vector<HeldMessage> held;
    return held;
}

bool IsSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

// A platform that draws on a desktop is asked for (or left to Qt's choice) and none is there.
bool NoDesktopAtAll() {
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    const std::string_view chosen = platform != nullptr ? platform : "";
    const bool desktopPlatform =
        chosen.empty() || chosen.starts_with("xcb") || chosen.starts_with("wayland");
    return desktopPlatform && !IsSet("DISPLAY") && !IsSet("WAYLAND_DISPLAY");
}

[[noreturn]] void ExitWithoutDisplay() {
    std::fputs(CDisplayGuard::kNoDisplay, stderr);
    std::fflush(stderr);
    std::_Exit(1);
}

} // namespace

CDisplayGuard::CDisplayGuard() {
    if (NoDesktopAtAll()) {
        ExitWithoutDisplay();
    }
    g_starting = true;
    g_previous = qInstallMessageHandler(&CDisplayGuard::Handle);
}

CDisplayGuard::~CDisplayGuard() {
    Started();
}

void CDisplayGuard::Started() {
    if (!g_starting) {
        return;
    }
    g_starting = false;
    qInstallMessageHandler(g_previous);
    for (const HeldMessage& held : Held()) {
        // Replayed without their source position, which the held copy did not keep.
        const QMessageLogContext context;
        if (g_previous != nullptr) {
            g_previous(held.type, context, held.message);
        } else {
            std::fprintf(stderr, "%s\n", qPrintable(held.message));
        }
    }
    Held().clear();
}

void CDisplayGuard::Handle(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtFatalMsg) {
        // The only fatal message of the application object's construction is the platform's:
        // no display could be opened.
        ExitWithoutDisplay();
    }
    Held().push_back(HeldMessage{type, message});
}
