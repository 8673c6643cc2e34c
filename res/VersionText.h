#pragma once
// What `--version` prints, the same for every program of the project.

#include "res/Version.h"

#include <string>

namespace res {

[[nodiscard]] inline std::string VersionText() {
    return std::string(kProductName) + " " + kFileVersion + "\ninternal name: " + kInternalName +
           "\n";
}

} // namespace res
