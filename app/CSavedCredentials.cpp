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

// Reads a value as text up to its first zero byte; leaves `text` unchanged when it cannot.
void ReadText(const settings::CSettingsKey& key, const char* name, std::string& text) {
    std::array<char, kValueBufferBytes> buffer{};
    std::uint32_t size = kValueBufferBytes;
    if (key.QueryValue(name, nullptr, buffer.data(), size) != settings::SettingsStatus::Ok ||
        size >= kValueBufferBytes) {
        return;
    }
    buffer[size] = '\0';
    text.assign(buffer.data(), std::strlen(buffer.data()));
}

} // namespace

void CSavedCredentials::LoadCredentials(std::string& userId, std::string& password) {
    settings::CSettingsKey key;
    if (m_store.CreateKey(m_keyPath, key) != settings::SettingsStatus::Ok) {
        return;
    }
    ReadText(key, kUserNameValue, userId);
    ReadText(key, kPasswordValue, password);
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
