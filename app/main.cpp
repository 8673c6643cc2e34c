// Keldwick: the desktop client. There is no command line beyond --version, --help and --verbose;
// Qt's own options (-platform and the like) pass through to Qt.

#include "app/CDisplayGuard.h"
#include "app/CKeldwickApp.h"
#include "app/CKeyringCredentials.h"
#include "res/VersionText.h"
#include "webservice/account/CAccountServiceT.h"
#include "webservice/soap/CTraceWriter.h"

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
            std::puts("usage: keldwick [--version | --help | --verbose]\n\n"
                      "--verbose writes each call to the account service to standard error.\n"
                      "Opens the Keldwick window. The About box is in the window's context menu\n"
                      "(right-click an empty part of the window) and opens with Ctrl+Shift+A.");
            return 0;
        }
    }
    // --verbose: every service call's exchange on standard error, passwords masked.
    static CTraceWriter trace(stderr, 1, account::kSecretElements);
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) == "--verbose") {
            CAccountServiceT::SetProcessTrace(&trace);
            CKeyringCredentials::SetTrace(stderr);
        }
    }
    CDisplayGuard display;
    CKeldwickApp app(argc, argv);
    display.Started();
    return app.Run();
}
