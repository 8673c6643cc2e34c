#pragma once
// A file path split into drive, directory (with its trailing separator), file name and extension
// (with its dot). Paths here have no drive, so that part is always empty. The parts are as long as
// the path needs: no part is cut short.

#include <string>
#include <string_view>

namespace help {

struct PathParts {
    std::string drive;
    std::string directory;
    std::string fileName;
    std::string extension;
};

[[nodiscard]] PathParts SplitPath(std::string_view path);

// The full path of the running program; empty if it cannot be read.
[[nodiscard]] std::string ExecutablePath();

} // namespace help
