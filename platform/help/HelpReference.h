#pragma once
// Help topic references: "<help file>::/<topic>". The help file is a folder of HTML topics; topic
// paths may use '\' or '/' between their parts. The folder is looked for where the reference names
// it (beside the program, as in the build tree) and then where an installation puts it: for
// "<prefix>/bin/<folder>" that is "<prefix>/share/keldwick/<folder>".

#include <filesystem>
#include <optional>
#include <string_view>

namespace help {

// The folder the topics of `named` are in, or nullopt when neither place holds it.
[[nodiscard]] std::optional<std::filesystem::path>
FindHelpFolder(const std::filesystem::path& named);

// The file a reference names, or nullopt when the reference is malformed, the topic would lead
// outside the help folder, or the file does not exist.
[[nodiscard]] std::optional<std::filesystem::path> ResolveHelpTopic(std::string_view reference);

} // namespace help
