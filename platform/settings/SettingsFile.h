#pragma once
// The on-disk form of one key: its named values, each with a type and bytes kept exactly.
//
//   file   = magic record*
//   magic  = "KeldwickSettings 1" LF
//   record = name-length SP type SP data-length LF name-bytes data-bytes LF
//
// The three numbers are unsigned decimals without leading zeros; names and data are raw bytes, so a
// value may hold any byte including zero and line feeds. Values are unique by name.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace settings {

struct SettingsValue {
    std::string name;
    std::uint32_t type = 0;
    std::string data;
};

// A settings file may not grow past this; a longer one is treated as damaged.
inline constexpr std::size_t kMaxSettingsFileBytes = 1u << 20;

// The values of a file, or nothing when the text is not a well-formed settings file.
[[nodiscard]] std::optional<std::vector<SettingsValue>> ParseSettingsFile(std::string_view text);
[[nodiscard]] std::string WriteSettingsFile(const std::vector<SettingsValue>& values);

} // namespace settings
