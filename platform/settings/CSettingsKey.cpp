#include "settings/CSettingsKey.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>

namespace settings {

void CSettingsKey::Close() {
    m_file.clear();
    m_values.clear();
    m_hook = nullptr;
}

SettingsStatus CSettingsKey::Load() {
    std::string text;
    switch (ReadWholeFile(m_file, kMaxSettingsFileBytes, text)) {
    case SettingsStatus::Ok:
        break;
    case SettingsStatus::NotFound:
        // A new key: written now so that the key exists from its first opening on.
        m_values.clear();
        return ReplaceFile(m_file, WriteSettingsFile(m_values), m_hook);
    case SettingsStatus::MoreData:
    case SettingsStatus::Unsafe:
        // Too long to be ours, or not a file of ours at all (a link, a pipe, another user's
        // file): handled as damaged below. Renaming moves the link itself, never its target.
        text.clear();
        break;
    default:
        return SettingsStatus::IoError;
    }
    if (auto values = ParseSettingsFile(text)) {
        m_values = std::move(*values);
        return SettingsStatus::Ok;
    }
    // A damaged file is kept aside for whoever wants to look at it, and the key starts empty, so
    // that one bad file does not stop every later save.
    const std::string aside = m_file + ".damaged";
    if (std::rename(m_file.c_str(), aside.c_str()) != 0) {
        return SettingsStatus::IoError;
    }
    m_values.clear();
    return ReplaceFile(m_file, WriteSettingsFile(m_values), m_hook);
}

SettingsStatus CSettingsKey::QueryValue(std::string_view name, std::uint32_t* type, void* buffer,
                                        std::uint32_t& size) const {
    if (!IsOpen()) {
        return SettingsStatus::InvalidKey;
    }
    for (const auto& value : m_values) {
        if (value.name != name) {
            continue;
        }
        if (value.data.size() > std::numeric_limits<std::uint32_t>::max()) {
            return SettingsStatus::MoreData;
        }
        const auto needed = static_cast<std::uint32_t>(value.data.size());
        if (type != nullptr) {
            *type = value.type;
        }
        if (buffer == nullptr || needed > size) {
            size = needed;
            return buffer == nullptr ? SettingsStatus::Ok : SettingsStatus::MoreData;
        }
        std::memcpy(buffer, value.data.data(), needed);
        size = needed;
        return SettingsStatus::Ok;
    }
    return SettingsStatus::NotFound;
}

SettingsStatus CSettingsKey::SetValue(std::string_view name, std::uint32_t type,
                                      std::string_view data) {
    const SettingsValue value{std::string(name), type, std::string(data)};
    return SetValues(std::span(&value, 1));
}

SettingsStatus CSettingsKey::SetValues(std::span<const SettingsValue> values,
                                       std::span<const std::string_view> removed) {
    if (!IsOpen()) {
        return SettingsStatus::InvalidKey;
    }
    // Start from the file as it is now, so values another program wrote since are kept.
    std::string text;
    std::vector<SettingsValue> current = m_values;
    if (ReadWholeFile(m_file, kMaxSettingsFileBytes, text) == SettingsStatus::Ok) {
        if (auto fresh = ParseSettingsFile(text)) {
            current = std::move(*fresh);
        }
    }
    for (const auto& value : values) {
        auto it = std::find_if(current.begin(), current.end(),
                               [&](const SettingsValue& v) { return v.name == value.name; });
        if (it == current.end()) {
            current.push_back(value);
        } else {
            *it = value;
        }
    }
    std::erase_if(current, [&](const SettingsValue& v) {
        return std::find(removed.begin(), removed.end(), v.name) != removed.end();
    });
    const std::string contents = WriteSettingsFile(current);
    if (contents.size() > kMaxSettingsFileBytes) {
        return SettingsStatus::MoreData;
    }
    if (const auto status = ReplaceFile(m_file, contents, m_hook); status != SettingsStatus::Ok) {
        return status;
    }
    m_values = std::move(current);
    return SettingsStatus::Ok;
}

} // namespace settings
