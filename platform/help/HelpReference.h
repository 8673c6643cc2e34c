#pragma once
// Help topic references: "<help file>::/<topic>". The help file is a folder of HTML topics; topic
// paths may use '\' or '/' between their parts. The folder is looked for where the reference names
// it (beside the program, as in the build tree) and then where an installation puts it: for
// "<prefix>/bin/<folder>" that is "<prefix>/share/keldwick/<folder>".
//
// A topic is confined by where it really lies, not by its name: its canonical path (every link
// followed) must be inside the canonical help folder, so a link in the folder cannot lead out.

#include <filesystem>
#include <optional>
#include <string_view>

namespace help {

// The folder the topics of `named` are in, or nullopt when neither place holds it.
[[nodiscard]] std::optional<std::filesystem::path>
FindHelpFolder(const std::filesystem::path& named);

// The canonical path of the file a reference names, or nullopt when the reference is malformed,
// the topic lies outside the help folder, or it is not an existing regular file.
[[nodiscard]] std::optional<std::filesystem::path> ResolveHelpTopic(std::string_view reference);

// The canonical help folder of a reference, or nullopt when there is none.
[[nodiscard]] std::optional<std::filesystem::path> HelpFolderOf(std::string_view reference);

// The canonical path of `file` when it is a regular file inside the canonical folder `folder`.
[[nodiscard]] std::optional<std::filesystem::path> FileInside(const std::filesystem::path& folder,
                                                              const std::filesystem::path& file);

} // namespace help
