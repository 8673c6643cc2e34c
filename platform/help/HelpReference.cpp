#include "help/HelpReference.h"

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

std::optional<std::filesystem::path> ResolveHelpTopic(std::string_view reference) {
    const std::size_t separator = reference.rfind(kTopicSeparator);
    if (separator == std::string_view::npos || separator == 0) {
        return std::nullopt;
    }
    const auto folder = FindHelpFolder(std::string(reference.substr(0, separator)));
    if (!folder) {
        return std::nullopt;
    }
    std::string topic(reference.substr(separator + kTopicSeparator.size()));
    for (char& c : topic) {
        if (c == '\\') {
            c = '/';
        }
    }
    const std::filesystem::path relative(topic);
    if (topic.empty() || relative.is_absolute()) {
        return std::nullopt;
    }
    for (const auto& part : relative) {
        if (part == "..") {
            return std::nullopt;
        }
    }
    const std::filesystem::path file = *folder / relative;
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error)) {
        return std::nullopt;
    }
    return file;
}

} // namespace help
