#include "app/CSavedCredentials.h"

#include <array>
#include <cstring>
#include <vector>

namespace {

constexpr const char* kUserNameValue = "User Name";
constexpr const char* kPasswordValue = "User Password";
// Values are read into a buffer of this size that also needs room for a terminator, so a value of
// this size or more is ignored.
constexpr std::uint32_t kValueBufferBytes = 1000;
// Not a text type: the values are stored as raw bytes.
constexpr std::uint32_t kValueType = 0;

// Reads a value as text up to its first zero byte; leaves `text` unchanged (and answers false)
// when it cannot.
bool ReadText(const settings::CSettingsKey& key, const char* name, std::string& text) {
    std::array<char, kValueBufferBytes> buffer{};
    std::uint32_t size = kValueBufferBytes;
    if (key.QueryValue(name, nullptr, buffer.data(), size) != settings::SettingsStatus::Ok ||
        size >= kValueBufferBytes) {
        return false;
    }
    buffer[size] = '\0';
    text.assign(buffer.data(), std::strlen(buffer.data()));
    return true;
}

} // namespace

void CSavedCredentials::LoadCredentials(std::string& userId, std::string& password) {
    (void)LoadFromFile(userId, password);
}

bool CSavedCredentials::LoadFromFile(std::string& userId, std::string& password) {
    settings::CSettingsKey key;
    if (m_store.CreateKey(m_keyPath, key) != settings::SettingsStatus::Ok) {
        return false;
    }
    ReadText(key, kUserNameValue, userId);
    return ReadText(key, kPasswordValue, password);
}

bool CSavedCredentials::SaveCredentials(std::string_view userId, std::string_view password) {
    settings::CSettingsKey key;
    if (m_store.CreateKey(m_keyPath, key) != settings::SettingsStatus::Ok) {
        return false;
    }
    // One change for both, so that a crash never pairs a new user id with an old password.
    const std::vector<settings::SettingsValue> values{
        {kUserNameValue, kValueType, std::string(userId)},
        {kPasswordValue, kValueType, std::string(password)}};
    return key.SetValues(values) == settings::SettingsStatus::Ok;
}

bool CSavedCredentials::SaveUserIdOnly(std::string_view userId) {
    settings::CSettingsKey key;
    if (m_store.CreateKey(m_keyPath, key) != settings::SettingsStatus::Ok) {
        return false;
    }
    // One rewrite: a password still in the file leaves it exactly when the new user id lands.
    const std::vector<settings::SettingsValue> values{
        {kUserNameValue, kValueType, std::string(userId)}};
    const std::string_view removed[] = {kPasswordValue};
    return key.SetValues(values, removed) == settings::SettingsStatus::Ok;
}

std::string CSavedCredentials::FilePath() const {
    return m_store.KeyFolder(m_keyPath) + "/values";
}
