#include "settings/CSettingsStore.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace settings {

namespace {

std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/') {
        return home;
    }
    if (const passwd* entry = ::getpwuid(::getuid());
        entry != nullptr && entry->pw_dir != nullptr) {
        return entry->pw_dir;
    }
    return {};
}

// A component must be a plain folder name: nothing that climbs out of the store or hides a file.
bool IsPlainName(std::string_view part) {
    return !part.empty() && part != "." && part != ".." &&
           part.find('/') == std::string_view::npos && part.find('\0') == std::string_view::npos;
}

} // namespace

CSettingsStore CSettingsStore::ForCurrentUser() {
    if (const char* config = std::getenv("XDG_CONFIG_HOME");
        config != nullptr && config[0] == '/') {
        return CSettingsStore(config);
    }
    const std::string home = HomeFolder();
    return CSettingsStore(home.empty() ? std::string() : home + "/.config");
}

std::string CSettingsStore::KeyFolder(std::string_view keyPath) const {
    std::vector<std::string_view> parts;
    while (true) {
        const auto split = keyPath.find('\\');
        parts.push_back(keyPath.substr(0, split));
        if (split == std::string_view::npos) {
            break;
        }
        keyPath.remove_prefix(split + 1);
    }
    if (parts.size() > 1 && parts.front() == "Software") {
        parts.erase(parts.begin());
    }
    if (m_root.empty() || m_root[0] != '/') {
        return {};
    }
    std::string folder = m_root;
    for (const auto part : parts) {
        if (!IsPlainName(part)) {
            return {};
        }
        folder += '/';
        folder += part;
    }
    return folder;
}

SettingsStatus CSettingsStore::CreateKey(std::string_view keyPath, CSettingsKey& key) const {
    key.Close();
    const std::string folder = KeyFolder(keyPath);
    if (folder.empty()) {
        return m_root.empty() ? SettingsStatus::IoError : SettingsStatus::InvalidKey;
    }
    if (const auto status = MakePrivateFolder(m_root, folder); status != SettingsStatus::Ok) {
        return status;
    }
    key.m_file = folder + "/values";
    key.m_hook = m_hook;
    if (const auto status = key.Load(); status != SettingsStatus::Ok) {
        key.Close();
        return status;
    }
    return SettingsStatus::Ok;
}

} // namespace settings
