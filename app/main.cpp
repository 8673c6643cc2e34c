// Keldwick: the desktop client. Its own options are --help, --version and --verbose; Qt's own
// options (-platform and the like) may come in any order with them and pass through to Qt.

#include "app/CDisplayGuard.h"
#include "app/CKeldwickApp.h"
#include "app/CKeyringCredentials.h"
#include "app/CSignInPage.h"
#include "app/StartOptions.h"
#include "webservice/account/CAccountServiceT.h"
#include "webservice/soap/CTraceWriter.h"

#include <cstdio>

int main(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments.append(QString::fromLocal8Bit(argv[i]));
    }
    StartOptions options;
    if (const int exitCode = ReadStartOptions(arguments, options); exitCode >= 0) {
        return exitCode;
    }
    if (options.verbose) {
        // Every service call's exchange, passwords masked, and the reason of each failed call.
        static CTraceWriter trace(stderr, 1, account::kSecretElements);
        CAccountServiceT::SetProcessTrace(&trace);
        CSignInPage::ReportFailuresTo(stderr);
        CKeyringCredentials::SetTrace(stderr);
    }
    CDisplayGuard display;
    CKeldwickApp app(argc, argv);
    display.Started();
    return app.Run();
}
