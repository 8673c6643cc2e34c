#include "opener/LinkTarget.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>

namespace opener {

namespace {

// Schemes that the user's browser or mail program open without running anything of the link's.
constexpr std::array<std::string_view, 4> kOpenSchemes{"http", "https", "ftp", "mailto"};

LinkTargetCheck Refuse(std::string reason) {
    return LinkTargetCheck{false, {}, std::move(reason)};
}

bool IsAsciiAlpha(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// The scheme of "scheme:rest" in lower case, or empty when the text does not start with one.
std::string SchemeOf(std::string_view target) {
    if (target.empty() || !IsAsciiAlpha(target[0])) {
        return {};
    }
    const std::size_t colon = target.find(':');
    if (colon == std::string_view::npos) {
        return {};
    }
    std::string scheme;
    for (const char c : target.substr(0, colon)) {
        const bool allowed =
            IsAsciiAlpha(c) || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
        if (!allowed) {
            return {};
        }
        scheme += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return scheme;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

// The local path of a file URL ("file:///p" or "file://localhost/p"), percent-decoded; empty when
// the URL names another host or decodes to something that is not a path.
std::string FileUrlPath(std::string_view url) {
    std::string_view rest = url.substr(5); // after "file:"
    if (rest.starts_with("//")) {
        rest.remove_prefix(2);
        const std::size_t slash = rest.find('/');
        const std::string_view host = rest.substr(0, slash);
        if (slash == std::string_view::npos || (!host.empty() && host != "localhost")) {
            return {};
        }
        rest.remove_prefix(slash);
    }
    rest = rest.substr(0, rest.find_first_of("?#"));
    std::string path;
    for (std::size_t i = 0; i < rest.size(); ++i) {
        if (rest[i] != '%') {
            path += rest[i];
            continue;
        }
        if (i + 2 >= rest.size() || HexValue(rest[i + 1]) < 0 || HexValue(rest[i + 2]) < 0) {
            return {};
        }
        path += static_cast<char>(HexValue(rest[i + 1]) * 16 + HexValue(rest[i + 2]));
        i += 2;
    }
    if (path.find('\0') != std::string::npos || !path.starts_with('/')) {
        return {};
    }
    return path;
}

std::string Absolute(const std::string& path) {
    if (path.starts_with('/')) {
        return path;
    }
    std::array<char, 4096> cwd{};
    if (::getcwd(cwd.data(), cwd.size()) == nullptr) {
        return {};
    }
    return std::string(cwd.data()) + "/" + path;
}

// A file passes when it exists, is a regular file (links followed) and nobody may run it.
LinkTargetCheck CheckFile(const std::string& path) {
    const std::string absolute = Absolute(path);
    struct stat info {};
    if (absolute.empty() || ::stat(absolute.c_str(), &info) != 0) {
        return Refuse("no such file");
    }
    if (!S_ISREG(info.st_mode)) {
        return Refuse("not a regular file");
    }
    if ((info.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH)) != 0) {
        return Refuse("an executable file is never opened from a link");
    }
    return LinkTargetCheck{true, absolute, {}};
}

} // namespace

LinkTargetCheck CheckLinkTarget(std::string_view target) {
    if (target.empty()) {
        return Refuse("the link has no target");
    }
    const bool control = std::any_of(target.begin(), target.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x20 || c == 0x7f;
    });
    if (control) {
        return Refuse("the target holds control characters");
    }
    if (target.front() == '-') {
        return Refuse("a target starting with '-' would be read as an option");
    }
    const std::string scheme = SchemeOf(target);
    if (scheme.empty()) {
        return CheckFile(std::string(target));
    }
    if (std::find(kOpenSchemes.begin(), kOpenSchemes.end(), scheme) != kOpenSchemes.end()) {
        return LinkTargetCheck{true, std::string(target), {}};
    }
    if (scheme == "file") {
        const std::string path = FileUrlPath(target);
        return path.empty() ? Refuse("not a local file") : CheckFile(path);
    }
    return Refuse("links of the kind '" + scheme + ":' are not opened");
}

} // namespace opener
