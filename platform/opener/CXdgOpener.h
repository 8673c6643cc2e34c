#pragma once
// Opens targets with the desktop's own opener (xdg-open); when that fails, with the desktop's
// default handler for HTML documents, whose command line is read from its desktop entry.

#include "opener/ILinkOpener.h"

#include <chrono>
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
};

class CXdgOpener : public ILinkOpener {
public:
    explicit CXdgOpener(XdgOpenerConfig config = {});
    [[nodiscard]] bool Open(std::string_view target) override;

private:
    [[nodiscard]] bool OpenWithHtmlHandler(std::string_view target);
    [[nodiscard]] std::vector<std::string> DataDirs() const;

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
