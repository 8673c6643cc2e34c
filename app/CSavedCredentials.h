#pragma once
// The user id and password saved under one key of the per-user settings store, as the values
// "User Name" and "User Password": the narrow text without terminator, type 0.

#include "app/ICredentialStore.h"

#include "settings/CSettingsStore.h"

#include <string>

class CSavedCredentials final : public ICredentialStore {
public:
    CSavedCredentials(settings::CSettingsStore store, std::string keyPath)
        : m_store(std::move(store)), m_keyPath(std::move(keyPath)) {}

    void LoadCredentials(std::string& userId, std::string& password) override;
    [[nodiscard]] bool SaveCredentials(std::string_view userId, std::string_view password) override;

private:
    settings::CSettingsStore m_store;
    std::string m_keyPath;
};
