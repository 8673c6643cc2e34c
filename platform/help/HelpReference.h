#pragma once
// Help topic references: "<help file>::/<topic>". The help file is a folder of HTML topics shipped
// beside the program; topic paths may use '\' or '/' between their parts.

#include <filesystem>
#include <optional>
#include <string_view>

namespace help {

// The file a reference names, or nullopt when the reference is malformed, the topic would lead
// outside the help folder, or the file does not exist.
[[nodiscard]] std::optional<std::filesystem::path> ResolveHelpTopic(std::string_view reference);

} // namespace help
