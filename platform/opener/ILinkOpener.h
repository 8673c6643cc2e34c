#pragma once
// Opening a link's target (a URL or a file) with the user's default handler.

#include <string_view>

namespace opener {

class ILinkOpener {
public:
    virtual ~ILinkOpener() = default;
    // True when the target was accepted and its opening has begun; never waits for the handler.
    // The target always reaches the handler as one argument; it is never read by a shell.
    [[nodiscard]] virtual bool Open(std::string_view target) = 0;
};

} // namespace opener
