#pragma once
// The user id and password saved under one key of the per-user settings store, as the values
// "User Name" and "User Password": the narrow text without terminator, type 0. Where the desktop
// keeps the password in its keyring, the file holds the user id alone (CKeyringCredentials).

#include "app/ICredentialStore.h"

#include "settings/CSettingsStore.h"

#include <string>

class CSavedCredentials final : public ICredentialStore {
public:
    CSavedCredentials(settings::CSettingsStore store, std::string keyPath)
        : m_store(std::move(store)), m_keyPath(std::move(keyPath)) {}

    void LoadCredentials(std::string& userId, std::string& password) override;
    [[nodiscard]] bool SaveCredentials(std::string_view userId, std::string_view password) override;

    // As LoadCredentials; answers whether the file held a password value that could be read.
    [[nodiscard]] bool LoadFromFile(std::string& userId, std::string& password);
    // Saves the user id and takes any password out of the file, as one change.
    [[nodiscard]] bool SaveUserIdOnly(std::string_view userId);
    // Where the values live, for messages.
    [[nodiscard]] std::string FilePath() const;

private:
    settings::CSettingsStore m_store;
    std::string m_keyPath;
};
