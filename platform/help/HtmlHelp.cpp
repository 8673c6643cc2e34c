#include "help/HtmlHelp.h"

#include "help/CHelpWindow.h"
#include "help/HelpReference.h"

#include <QPointer>

namespace help {

namespace {

QPointer<CHelpWindow>& Viewer() {
    static QPointer<CHelpWindow> viewer;
    return viewer;
}

} // namespace

QWidget* HtmlHelp(QWidget* caller, std::string_view file, HelpCommand command, std::uintptr_t) {
    QPointer<CHelpWindow>& viewer = Viewer();
    if (command == kHhCloseAll) {
        // Closed before the application object goes, so no window outlives it.
        delete viewer.data();
        return nullptr;
    }
    if (command != kHhDisplayTopic) {
        return nullptr;
    }
    const auto topic = ResolveHelpTopic(file);
    const auto folder = HelpFolderOf(file);
    if (!topic || !folder) {
        return nullptr;
    }
    if (viewer.isNull()) {
        viewer = new CHelpWindow;
        viewer->setAttribute(Qt::WA_DeleteOnClose);
        // Without a window manager's placement it would open over the main window.
        if (caller != nullptr) {
            viewer->MoveBeside(*caller);
        }
    }
    viewer->ShowTopic(*folder, *topic);
    return viewer.data();
}

} // namespace help
