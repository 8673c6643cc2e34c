// Keldwick: the desktop client. There is no command line beyond --version and --help; Qt's own
// options (-platform and the like) pass through to Qt.

#include "app/CDisplayGuard.h"
#include "app/CKeldwickApp.h"
#include "res/VersionText.h"

#include <cstdio>
#include <string_view>

int main(int argc, char** argv) {
    if (argc > 1) {
        const std::string_view option = argv[1];
        if (option == "--version") {
            std::fputs(res::VersionText().c_str(), stdout);
            return 0;
        }
        if (option == "--help" || option == "-h") {
            std::puts("usage: keldwick [--version | --help]\n\n"
                      "Opens the Keldwick window. The About box is in the window's context menu\n"
                      "(right-click an empty part of the window) and opens with Ctrl+Shift+A.");
            return 0;
        }
    }
    CDisplayGuard display;
    CKeldwickApp app(argc, argv);
    display.Started();
    return app.Run();
}
