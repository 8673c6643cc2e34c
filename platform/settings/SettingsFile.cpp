#include "settings/SettingsFile.h"

#include <charconv>

namespace settings {

namespace {

constexpr std::string_view kMagic = "KeldwickSettings 1\n";

// Reads an unsigned decimal ended by `end`; fails on leading zeros, overflow or a missing end.
bool ReadNumber(std::string_view text, std::size_t& pos, char end, std::uint64_t& value) {
    const char* first = text.data() + pos;
    const char* last = text.data() + text.size();
    auto [stop, error] = std::from_chars(first, last, value);
    if (error != std::errc() || stop == last || *stop != end) {
        return false;
    }
    if (stop - first > 1 && *first == '0') {
        return false;
    }
    pos = static_cast<std::size_t>(stop - text.data()) + 1;
    return true;
}

bool ReadRecord(std::string_view text, std::size_t& pos, SettingsValue& value) {
    std::uint64_t nameLength = 0;
    std::uint64_t type = 0;
    std::uint64_t dataLength = 0;
    if (!ReadNumber(text, pos, ' ', nameLength) || !ReadNumber(text, pos, ' ', type) ||
        !ReadNumber(text, pos, '\n', dataLength) || type > UINT32_MAX) {
        return false;
    }
    const std::size_t left = text.size() - pos;
    // Compared one by one so that no sum of outside numbers can wrap.
    if (nameLength > left || dataLength > left - nameLength || left - nameLength - dataLength < 1) {
        return false;
    }
    value.name.assign(text.substr(pos, nameLength));
    value.type = static_cast<std::uint32_t>(type);
    value.data.assign(text.substr(pos + nameLength, dataLength));
    pos += nameLength + dataLength;
    return text[pos++] == '\n';
}

} // namespace

std::optional<std::vector<SettingsValue>> ParseSettingsFile(std::string_view text) {
    if (text.size() > kMaxSettingsFileBytes || !text.starts_with(kMagic)) {
        return std::nullopt;
    }
    std::vector<SettingsValue> values;
    std::size_t pos = kMagic.size();
    while (pos < text.size()) {
        SettingsValue value;
        if (!ReadRecord(text, pos, value)) {
            return std::nullopt;
        }
        for (const auto& earlier : values) {
            if (earlier.name == value.name) {
                return std::nullopt;
            }
        }
        values.push_back(std::move(value));
    }
    return values;
}

std::string WriteSettingsFile(const std::vector<SettingsValue>& values) {
    std::string text(kMagic);
    for (const auto& value : values) {
        text += std::to_string(value.name.size());
        text += ' ';
        text += std::to_string(value.type);
        text += ' ';
        text += std::to_string(value.data.size());
        text += '\n';
        text += value.name;
        text += value.data;
        text += '\n';
    }
    return text;
}

} // namespace settings
