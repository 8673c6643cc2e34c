// URL escaping, splitting and joining on arbitrary text. Checks that escaping stays in its bound
// and that a joined URL splits and joins back to itself.

#include "webservice/http/UrlParts.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

std::string Join(const UrlParts& url) {
    char buffer[8192];
    std::uint32_t size = sizeof buffer;
    if (!url.JoinUrl(buffer, size)) {
        std::abort(); // every split URL fits in this buffer
    }
    return std::string(buffer, size);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    char escaped[kMaxUrlLength + 1];
    if (EscapeUrl(text, escaped, sizeof escaped)) {
        const std::size_t length = std::strlen(escaped);
        if (length > kMaxUrlLength || length < std::min(text.size(), text.find('\0'))) {
            std::abort();
        }
    }

    UrlParts first;
    if (!first.SplitUrl(text)) {
        if (first.Scheme() != UrlSchemeUnknown || !first.HostName().empty()) {
            std::abort(); // a failed split leaves the record cleared
        }
        return 0;
    }
    const std::string joined = Join(first);
    UrlParts second;
    // A host that holds an "@" reads back as a user name, so no text can carry it round.
    const bool ambiguous = first.HostName().find('@') != std::string_view::npos;
    if (!ambiguous && second.SplitUrl(joined)) {
        // The first join may drop what it cannot write (a password without a user name), so
        // the parts can move once; after that the text is stable.
        if (Join(second) != joined || second.ExtraInfo() != first.ExtraInfo()) {
            std::abort();
        }
    }
    // A join into a buffer one byte short of the text and its terminator fails cleanly.
    char small[8192];
    std::uint32_t room = static_cast<std::uint32_t>(joined.size());
    if (first.JoinUrl(small, room)) {
        std::abort();
    }
    return 0;
}
