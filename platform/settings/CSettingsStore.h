#pragma once
// The per-user settings store: keys named by backslash-separated paths ("Software\Maker\Product"),
// each holding named values of a type number and exact bytes, as the registry keeps them. A key is
// a folder under the store's root (a leading "Software" is dropped: the root is already the user's
// configuration folder) and its values live in one file there, "values".
//
// The values may hold secrets, so the key folder has mode 0700 and the file mode 0600, and every
// change replaces the whole file atomically: a crash or a full disk during a save leaves the
// previous values intact.

#include "settings/CSettingsKey.h"
#include "settings/PrivateFiles.h"
#include "settings/SettingsStatus.h"

#include <string>
#include <string_view>

namespace settings {

class CSettingsStore {
public:
    // The current user's store: $XDG_CONFIG_HOME when it is an absolute path, else ~/.config.
    [[nodiscard]] static CSettingsStore ForCurrentUser();
    // A store rooted in `root`; tests point it at a temporary folder.
    explicit CSettingsStore(std::string root) : m_root(std::move(root)) {}

    // Opens the key, creating it and its folders when missing.
    [[nodiscard]] SettingsStatus CreateKey(std::string_view keyPath, CSettingsKey& key) const;

    // The folder that holds a key's values (empty for a path that names no key).
    [[nodiscard]] std::string KeyFolder(std::string_view keyPath) const;
    [[nodiscard]] const std::string& Root() const { return m_root; }

    // Tests: every save of keys opened afterwards consults `hook` before each write.
    void SetWriteHookForTests(WriteHook hook) { m_hook = std::move(hook); }

private:
    std::string m_root;
    WriteHook m_hook;
};

} // namespace settings
