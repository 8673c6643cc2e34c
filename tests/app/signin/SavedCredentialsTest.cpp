#include "app/CSavedCredentials.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <fstream>

using settings::CSettingsKey;
using settings::CSettingsStore;
using settings::SettingsStatus;

namespace {

constexpr const char* kKey = "Software\\Nimbrel\\Keldwick";

class SavedCredentialsTest : public ::testing::Test {
protected:
    // The raw value as stored, or "<missing>".
    std::string Stored(const char* name, std::uint32_t* type = nullptr) {
        CSettingsKey key;
        EXPECT_EQ(m_store.CreateKey(kKey, key), SettingsStatus::Ok);
        std::uint32_t size = 0;
        if (key.QueryValue(name, type, nullptr, size) != SettingsStatus::Ok) {
            return "<missing>";
        }
        std::string data(size, '\0');
        EXPECT_EQ(key.QueryValue(name, nullptr, data.data(), size), SettingsStatus::Ok);
        return data;
    }
    void Store(const char* name, const std::string& data) {
        CSettingsKey key;
        ASSERT_EQ(m_store.CreateKey(kKey, key), SettingsStatus::Ok);
        ASSERT_EQ(key.SetValue(name, 1, data), SettingsStatus::Ok); // the type is not checked
    }

    CTempFolder m_temp;
    CSettingsStore m_store{m_temp.Path() + "/config"};
    CSavedCredentials m_credentials{m_store, kKey};
};

TEST_F(SavedCredentialsTest, FirstStartCreatesTheKeyAndFillsNothing) {
    std::string userId;
    std::string password = "typed";
    m_credentials.LoadCredentials(userId, password);
    EXPECT_EQ(userId, "");
    EXPECT_EQ(password, "typed");
    EXPECT_TRUE(std::filesystem::exists(m_temp.Path() + "/config/Nimbrel/Keldwick/values"));
}

TEST_F(SavedCredentialsTest, SavesExactlyTheTextsWithoutTerminatorAsTypeZero) {
    const std::string id = "ren\xC3\xA9"
                           "e";
    ASSERT_TRUE(m_credentials.SaveCredentials(id, "p w<&>"));
    std::uint32_t type = 99;
    EXPECT_EQ(Stored("User Name", &type), id);
    EXPECT_EQ(type, 0u);
    EXPECT_EQ(Stored("User Password"), "p w<&>");

    ASSERT_TRUE(m_credentials.SaveCredentials("", ""));
    EXPECT_EQ(Stored("User Name"), "");
    EXPECT_EQ(Stored("User Password"), "");
    std::string userId = "x";
    std::string password = "y";
    m_credentials.LoadCredentials(userId, password);
    EXPECT_EQ(userId, "");
    EXPECT_EQ(password, "");
}

TEST_F(SavedCredentialsTest, ValuesOfAThousandBytesOrMoreAreIgnored) {
    for (std::size_t length : {1000u, 1001u, 70000u}) {
        Store("User Name", std::string(length, 'u'));
        Store("User Password", std::string(999, 'p'));
        std::string userId;
        std::string password;
        m_credentials.LoadCredentials(userId, password);
        EXPECT_EQ(userId, "") << length;
        EXPECT_EQ(password, std::string(999, 'p'));
    }
}

TEST_F(SavedCredentialsTest, TextEndsAtTheFirstZeroByte) {
    Store("User Name", std::string("ab\0cd", 5));
    std::string userId;
    std::string password = "kept";
    m_credentials.LoadCredentials(userId, password);
    EXPECT_EQ(userId, "ab");
    EXPECT_EQ(password, "kept");
}

TEST_F(SavedCredentialsTest, AnUnusableStoreIsSilent) {
    // A file where the configuration folder should be: no key can be opened or created.
    std::ofstream(m_temp.Path() + "/config") << "in the way";
    EXPECT_FALSE(m_credentials.SaveCredentials("demo", "demo"));
    std::string userId = "a";
    std::string password = "b";
    m_credentials.LoadCredentials(userId, password);
    EXPECT_EQ(userId, "a");
    EXPECT_EQ(password, "b");
}

} // namespace
