#pragma once
// Opens targets with the desktop's own opener (xdg-open); when that fails, with the desktop's
// default handler for HTML documents, whose command line is read from its desktop entry. Only
// targets that LinkTarget.h lets through are opened; the others are refused with a line on standard
// error. Open returns at once: a worker thread waits for the opener and tries the fallback.

#include "opener/ILinkOpener.h"

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace opener {

struct XdgOpenerConfig {
    std::string openProgram = "xdg-open";
    // Prints the desktop entry of the default HTML handler ("xdg-mime query default text/html").
    std::vector<std::string> queryHtmlHandler = {"xdg-mime", "query", "default", "text/html"};
    // Folders searched for desktop entries; empty means $XDG_DATA_HOME and $XDG_DATA_DIRS.
    std::vector<std::string> dataDirs;
    // How long a started opener may run before it counts as having started its handler.
    std::chrono::milliseconds exitWait{3000};
    // Called on the worker thread once opening has ended, with the target as opened and whether a
    // program took it. Tests wait on it; the program leaves it empty.
    std::function<void(const std::string& target, bool opened)> finished;
};

class CXdgOpener : public ILinkOpener {
public:
    explicit CXdgOpener(XdgOpenerConfig config = {});
    // False when the target is refused; true when opening has begun.
    [[nodiscard]] bool Open(std::string_view target) override;

private:
    // Run on a worker thread with copies of what they need: they outlive nothing of the opener.
    static void OpenAndWait(const XdgOpenerConfig& config, const std::string& target);
    [[nodiscard]] static bool OpenWithHtmlHandler(const XdgOpenerConfig& config,
                                                  std::string_view target);
    [[nodiscard]] static std::vector<std::string> DataDirs(const XdgOpenerConfig& config);

    XdgOpenerConfig m_config;
};

// The argument list of a desktop entry's Exec line with the target in place of its file or URL
// field code (%f, %F, %u, %U), as one argument; other field codes are dropped, and the target is
// appended when the line has no field code for it. Empty when the line cannot be read.
[[nodiscard]] std::vector<std::string> ExecArguments(std::string_view exec,
                                                     std::string_view target);

// The Exec value of the [Desktop Entry] group of a desktop entry file's text, if any.
[[nodiscard]] std::optional<std::string> DesktopEntryExec(std::string_view fileText);

} // namespace opener
