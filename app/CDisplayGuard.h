#pragma once
// Keldwick needs a display. Without one Qt's start-up ends in a fatal message and an abort (a core
// dump for a user who only forgot to start a desktop). Made before the application object and
// told when it exists, the guard turns that into one line on standard error and exit status 1;
// messages Qt logs on the way are held back and passed on once start-up has succeeded.

#include <QtGlobal>

class CDisplayGuard {
public:
    CDisplayGuard();
    CDisplayGuard(const CDisplayGuard&) = delete;
    CDisplayGuard& operator=(const CDisplayGuard&) = delete;
    ~CDisplayGuard();

    // The application object exists: messages go where they went before, held ones first.
    void Started();

    // The line printed when no display can be opened.
    static constexpr const char* kNoDisplay =
        "keldwick: no display could be opened: Keldwick needs a graphical desktop (DISPLAY or "
        "WAYLAND_DISPLAY); keldwick-cli needs none\n";

private:
    static void Handle(QtMsgType type, const QMessageLogContext& context, const QString& message);
};
