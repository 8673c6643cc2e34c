#pragma once
// Keldwick's command line, read before the application object exists so that --help and --version
// need no display. Qt's own options (-platform, -style and the rest) are known here too, so that
// they may come in any order with ours; the application object takes them afterwards.

#include <QStringList>

struct StartOptions {
    bool verbose = false; // each call's exchange, and why a failed one failed, on standard error
};

// Reads `arguments` (the program's name first). Answers -1 to go on and open the window, or the
// exit code after --help or --version (0) or a usage error (2, with the message on standard
// error).
[[nodiscard]] int ReadStartOptions(const QStringList& arguments, StartOptions& options);
