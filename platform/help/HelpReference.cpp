#include "help/HelpReference.h"

#include <string>

namespace help {

namespace {

constexpr std::string_view kTopicSeparator = "::/";

} // namespace

std::optional<std::filesystem::path> ResolveHelpTopic(std::string_view reference) {
    const std::size_t separator = reference.rfind(kTopicSeparator);
    if (separator == std::string_view::npos || separator == 0) {
        return std::nullopt;
    }
    const std::filesystem::path folder(std::string(reference.substr(0, separator)));
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
    const std::filesystem::path file = folder / relative;
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error) ||
        !std::filesystem::is_regular_file(file, error)) {
        return std::nullopt;
    }
    return file;
}

} // namespace help
