#pragma once
// Which link targets may be handed to the desktop's opener. A target reaches a program as one
// argument, but that program may still read it as an option ("--gpu-launcher=...") or run it, so
// only what a user expects a link to open passes: web and mail links (http, https, ftp, mailto)
// and existing regular files that are not executable.

#include <string>
#include <string_view>

namespace opener {

struct LinkTargetCheck {
    bool allowed = false;
    // What goes to the opener: the link as written, or a file's absolute path.
    std::string target;
    // Why the target is refused, for the message on standard error.
    std::string reason;
};

[[nodiscard]] LinkTargetCheck CheckLinkTarget(std::string_view target);

} // namespace opener
