#include "help/HelpReference.h"

#include <algorithm>
#include <string>

namespace help {

namespace {

constexpr std::string_view kTopicSeparator = "::/";

// Where an installation puts the program's data, relative to the folder of the program.
constexpr std::string_view kInstalledDataFolder = "../share/keldwick";

} // namespace

std::optional<std::filesystem::path> FindHelpFolder(const std::filesystem::path& named) {
    std::error_code error;
    if (std::filesystem::is_directory(named, error)) {
        return named;
    }
    // Only a folder with a known place has an installed counterpart; never one relative to the
    // current folder.
    if (!named.has_parent_path() || !named.has_filename()) {
        return std::nullopt;
    }
    const std::filesystem::path installed =
        (named.parent_path() / kInstalledDataFolder / named.filename()).lexically_normal();
    if (std::filesystem::is_directory(installed, error)) {
        return installed;
    }
    return std::nullopt;
}

std::optional<std::filesystem::path> HelpFolderOf(std::string_view reference) {
    const std::size_t separator = reference.rfind(kTopicSeparator);
    if (separator == std::string_view::npos || separator == 0) {
        return std::nullopt;
    }
    const auto named = FindHelpFolder(std::string(reference.substr(0, separator)));
    if (!named) {
        return std::nullopt;
    }
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::canonical(*named, error);
    if (error || !std::filesystem::is_directory(folder, error)) {
        return std::nullopt;
    }
    return folder;
}

std::optional<std::filesystem::path> FileInside(const std::filesystem::path& folder,
                                                const std::filesystem::path& file) {
    std::error_code error;
    const std::filesystem::path real = std::filesystem::canonical(file, error);
    if (error || !std::filesystem::is_regular_file(real, error)) {
        return std::nullopt;
    }
    // Inside means below the folder, part by part: "/help-other" is not inside "/help".
    const auto [folderEnd, realAt] =
        std::mismatch(folder.begin(), folder.end(), real.begin(), real.end());
    if (folderEnd != folder.end() || realAt == real.end()) {
        return std::nullopt;
    }
    return real;
}

std::optional<std::filesystem::path> ResolveHelpTopic(std::string_view reference) {
    const std::optional<std::filesystem::path> folder = HelpFolderOf(reference);
    if (!folder) {
        return std::nullopt;
    }
    std::string topic(reference.substr(reference.rfind(kTopicSeparator) + kTopicSeparator.size()));
    std::replace(topic.begin(), topic.end(), '\\', '/');
    const std::filesystem::path relative(topic);
    if (topic.empty() || relative.is_absolute()) {
        return std::nullopt;
    }
    return FileInside(*folder, *folder / relative);
}

} // namespace help
