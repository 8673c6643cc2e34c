#include "settings/CSettingsStore.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fcntl.h>
#include <functional>
#include <future>

using settings::CSettingsKey;
using settings::CSettingsStore;
using settings::SettingsStatus;
using settings::SettingsValue;

namespace {

constexpr const char* kKey = "Software\\Nimbrel\\Keldwick";

unsigned ModeOf(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? (info.st_mode & 07777) : 0xFFFFu;
}

std::string ReadValue(const CSettingsKey& key, const char* name) {
    std::uint32_t size = 0;
    if (key.QueryValue(name, nullptr, nullptr, size) != SettingsStatus::Ok) {
        return "<missing>";
    }
    std::string data(size, '\0');
    EXPECT_EQ(key.QueryValue(name, nullptr, data.data(), size), SettingsStatus::Ok);
    return data;
}

std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

class SettingsStoreTest : public ::testing::Test {
protected:
    CTempFolder m_temp;
    // A root that does not exist yet, as on a first start.
    CSettingsStore m_store{m_temp.Path() + "/config"};
    std::string m_folder = m_temp.Path() + "/config/Nimbrel/Keldwick";
};

TEST_F(SettingsStoreTest, FirstOpenCreatesAnEmptyPrivateKey) {
    ::chmod(m_temp.Path().c_str(), 0751);
    const mode_t old = ::umask(0);
    CSettingsKey key;
    const auto status = m_store.CreateKey(kKey, key);
    ::umask(old);
    ASSERT_EQ(status, SettingsStatus::Ok);
    std::uint32_t size = 1000;
    char buffer[1000];
    EXPECT_EQ(key.QueryValue("User Name", nullptr, buffer, size), SettingsStatus::NotFound);
    EXPECT_EQ(ModeOf(m_temp.Path() + "/config"), 0700u);
    EXPECT_EQ(ModeOf(m_folder), 0700u);
    // The folder the store's root was made in belongs to someone else and keeps its mode.
    EXPECT_EQ(ModeOf(m_temp.Path()), 0751u);
    EXPECT_EQ(ModeOf(m_folder + "/values"), 0600u);
}

TEST_F(SettingsStoreTest, ALooseExistingFolderIsTightened) {
    std::filesystem::create_directories(m_folder);
    ::chmod(m_folder.c_str(), 0755);
    CSettingsKey key;
    ASSERT_EQ(m_store.CreateKey(kKey, key), SettingsStatus::Ok);
    ASSERT_EQ(key.SetValue("User Password", 0, "secret"), SettingsStatus::Ok);
    EXPECT_EQ(ModeOf(m_folder), 0700u);
    EXPECT_EQ(ModeOf(m_folder + "/values"), 0600u);
}

TEST_F(SettingsStoreTest, ValuesKeepTheirExactBytesAndTypeAcrossOpenings) {
    const std::string binary("caf\xC3\xA9\0\n\r\xFF", 9);
    const std::string big(5000, 'x');
    {
        CSettingsKey key;
        ASSERT_EQ(m_store.CreateKey(kKey, key), SettingsStatus::Ok);
        ASSERT_EQ(key.SetValue("User Name", 0, binary), SettingsStatus::Ok);
        ASSERT_EQ(key.SetValue("User Password", 0, ""), SettingsStatus::Ok);
        ASSERT_EQ(key.SetValue("Big", 3, big), SettingsStatus::Ok);
        ASSERT_EQ(key.SetValue("User Name", 0, binary), SettingsStatus::Ok); // rewrite, no copy
    }
    CSettingsKey key;
    ASSERT_EQ(m_store.CreateKey(kKey, key), SettingsStatus::Ok);
    EXPECT_EQ(ReadValue(key, "User Name"), binary);
    EXPECT_EQ(ReadValue(key, "User Password"), "");
    EXPECT_EQ(ReadValue(key, "Big"), big);

    // A buffer one byte short gets nothing and learns the size; an exact one gets every byte.
    std::string buffer(big.size() - 1, '?');
    std::uint32_t size = static_cast<std::uint32_t>(buffer.size());
    std::uint32_t type = 0;
    EXPECT_EQ(key.QueryValue("Big", &type, buffer.data(), size), SettingsStatus::MoreData);
    EXPECT_EQ(size, big.size());
    EXPECT_EQ(buffer, std::string(big.size() - 1, '?'));
    EXPECT_EQ(type, 3u);
}

TEST_F(SettingsStoreTest, KeyPathsThatLeaveTheStoreAreRefused) {
    CSettingsKey key;
    for (const char* path : {"", "Software\\..\\x", "Software\\a/b", "Software\\\\x", "a\\."}) {
        EXPECT_EQ(m_store.CreateKey(path, key), SettingsStatus::InvalidKey) << path;
        EXPECT_FALSE(key.IsOpen());
    }
    EXPECT_EQ(key.SetValue("x", 0, "y"), SettingsStatus::InvalidKey);
    EXPECT_EQ(CSettingsStore("").CreateKey(kKey, key), SettingsStatus::IoError);
}

TEST(SettingsStoreRoot, FollowsXdgConfigHomeThenHome) {
    const char* oldConfig = std::getenv("XDG_CONFIG_HOME");
    const char* oldHome = std::getenv("HOME");
    const std::string savedConfig = oldConfig ? oldConfig : "";
    const std::string savedHome = oldHome ? oldHome : "";
    ::setenv("HOME", "/home/someone", 1);
    ::setenv("XDG_CONFIG_HOME", "/xdg/config", 1);
    EXPECT_EQ(CSettingsStore::ForCurrentUser().Root(), "/xdg/config");
    ::setenv("XDG_CONFIG_HOME", "relative/config", 1); // not absolute: ignored
    EXPECT_EQ(CSettingsStore::ForCurrentUser().Root(), "/home/someone/.config");
    ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(CSettingsStore::ForCurrentUser().Root(), "/home/someone/.config");
    oldConfig ? ::setenv("XDG_CONFIG_HOME", savedConfig.c_str(), 1) : ::unsetenv("XDG_CONFIG_HOME");
    oldHome ? ::setenv("HOME", savedHome.c_str(), 1) : ::unsetenv("HOME");
}

// A save that fails part-way (full disk) reports the failure, leaves the earlier values in place
// and no stray file behind; several values written as one change land together or not at all.
TEST_F(SettingsStoreTest, AFailedSaveLeavesThePreviousValues) {
    CSettingsKey key;
    ASSERT_EQ(m_store.CreateKey(kKey, key), SettingsStatus::Ok);
    const std::vector<SettingsValue> first{{"User Name", 0, "old"}, {"User Password", 0, "pw"}};
    ASSERT_EQ(key.SetValues(first), SettingsStatus::Ok);

    const std::vector<SettingsValue> second{{"User Name", 0, "new"},
                                            {"User Password", 0, std::string(10000, 'p')}};
    for (std::size_t stopAt : {std::size_t{0}, std::size_t{4096}, std::size_t{10030}}) {
        CSettingsStore failing(m_store.Root());
        failing.SetWriteHookForTests([stopAt](std::size_t written) { return written < stopAt; });
        CSettingsKey failingKey;
        ASSERT_EQ(failing.CreateKey(kKey, failingKey), SettingsStatus::Ok);
        EXPECT_EQ(failingKey.SetValues(second), SettingsStatus::IoError) << stopAt;
        EXPECT_EQ(FilesIn(m_folder), std::vector<std::string>{"values"});
    }
    CSettingsKey reopened;
    ASSERT_EQ(m_store.CreateKey(kKey, reopened), SettingsStatus::Ok);
    EXPECT_EQ(ReadValue(reopened, "User Name"), "old");
    EXPECT_EQ(ReadValue(reopened, "User Password"), "pw");
}

// The process dies in the middle of a save: the values file is untouched, the half-written file
// beside it is never read, and the next save succeeds.
TEST_F(SettingsStoreTest, ACrashDuringASaveLeavesThePreviousValues) {
    {
        CSettingsKey key;
        ASSERT_EQ(m_store.CreateKey(kKey, key), SettingsStatus::Ok);
        ASSERT_EQ(key.SetValue("User Name", 0, "before"), SettingsStatus::Ok);
    }
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        CSettingsStore dying(m_store.Root());
        dying.SetWriteHookForTests([](std::size_t written) {
            if (written >= 4096) {
                ::_exit(0);
            }
            return true;
        });
        CSettingsKey key;
        if (dying.CreateKey(kKey, key) == SettingsStatus::Ok) {
            (void)key.SetValue("User Name", 0, std::string(20000, 'a'));
        }
        ::_exit(1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(FilesIn(m_folder).size(), 2u); // values and the abandoned temporary file

    CSettingsKey key;
    ASSERT_EQ(m_store.CreateKey(kKey, key), SettingsStatus::Ok);
    EXPECT_EQ(ReadValue(key, "User Name"), "before");
    ASSERT_EQ(key.SetValue("User Name", 0, "after"), SettingsStatus::Ok);
    CSettingsKey again;
    ASSERT_EQ(m_store.CreateKey(kKey, again), SettingsStatus::Ok);
    EXPECT_EQ(ReadValue(again, "User Name"), "after");
}

TEST_F(SettingsStoreTest, ADamagedFileIsKeptAsideAndTheKeyStaysUsable) {
    std::filesystem::create_directories(m_folder);
    std::ofstream(m_folder + "/values") << "not a settings file";
    CSettingsKey key;
    ASSERT_EQ(m_store.CreateKey(kKey, key), SettingsStatus::Ok);
    EXPECT_EQ(ReadValue(key, "User Name"), "<missing>");
    ASSERT_EQ(key.SetValue("User Name", 0, "fresh"), SettingsStatus::Ok);
    EXPECT_EQ(FilesIn(m_folder), (std::vector<std::string>{"values", "values.damaged"}));
    std::ifstream aside(m_folder + "/values.damaged");
    std::string kept((std::istreambuf_iterator<char>(aside)), {});
    EXPECT_EQ(kept, "not a settings file");
}

// What the store finds in its own folder is not trusted: a pipe, a link or another user's file
// where "values" should be is moved aside as a damaged file is, and the key starts empty.
class SettingsFolderTest : public SettingsStoreTest {
protected:
    // Opens the key on a worker, so that a store that blocks on what it finds fails the test
    // instead of hanging it; `unblock` then frees the worker.
    SettingsStatus OpenBounded(CSettingsKey& key, const std::function<void()>& unblock = {}) {
        auto open = std::async(std::launch::async, [&] { return m_store.CreateKey(kKey, key); });
        if (open.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
            ADD_FAILURE() << "opening the key blocked";
            if (unblock) {
                unblock();
            }
        }
        return open.get();
    }
    void ExpectMovedAsideAndUsable(CSettingsKey& key) {
        EXPECT_EQ(ReadValue(key, "User Name"), "<missing>");
        ASSERT_EQ(key.SetValue("User Name", 0, "fresh"), SettingsStatus::Ok);
        EXPECT_EQ(FilesIn(m_folder), (std::vector<std::string>{"values", "values.damaged"}));
        struct stat info {};
        ASSERT_EQ(::lstat((m_folder + "/values").c_str(), &info), 0);
        EXPECT_TRUE(S_ISREG(info.st_mode));
    }
};

TEST_F(SettingsFolderTest, APipeInPlaceOfTheValuesDoesNotHangTheStore) {
    std::filesystem::create_directories(m_folder);
    const std::string values = m_folder + "/values";
    ASSERT_EQ(::mkfifo(values.c_str(), 0600), 0);
    CSettingsKey key;
    ASSERT_EQ(OpenBounded(key, [&] { ::close(::open(values.c_str(), O_WRONLY | O_NONBLOCK)); }),
              SettingsStatus::Ok);
    ExpectMovedAsideAndUsable(key);
}

TEST_F(SettingsFolderTest, ALinkInPlaceOfTheValuesIsNeitherReadNorWrittenThrough) {
    std::filesystem::create_directories(m_folder);
    // The link leads to a well-formed settings file elsewhere, which must stay untouched.
    const std::string elsewhere = m_temp.Path() + "/elsewhere";
    {
        CSettingsStore other(elsewhere);
        CSettingsKey key;
        ASSERT_EQ(other.CreateKey(kKey, key), SettingsStatus::Ok);
        ASSERT_EQ(key.SetValue("User Name", 0, "planted"), SettingsStatus::Ok);
    }
    const std::string target = elsewhere + "/Nimbrel/Keldwick/values";
    std::ifstream before(target);
    const std::string original((std::istreambuf_iterator<char>(before)), {});
    std::filesystem::create_symlink(target, m_folder + "/values");
    CSettingsKey key;
    ASSERT_EQ(OpenBounded(key), SettingsStatus::Ok);
    ExpectMovedAsideAndUsable(key);
    EXPECT_TRUE(std::filesystem::is_symlink(m_folder + "/values.damaged"));
    std::ifstream after(target);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(after)), {}), original);
}

TEST_F(SettingsFolderTest, AKeyFolderThatIsALinkIsRefused) {
    const std::string elsewhere = m_temp.Path() + "/elsewhere";
    std::filesystem::create_directories(elsewhere);
    std::filesystem::create_directories(m_temp.Path() + "/config/Nimbrel");
    std::filesystem::create_directory_symlink(elsewhere, m_folder);
    CSettingsKey key;
    EXPECT_EQ(m_store.CreateKey(kKey, key), SettingsStatus::Unsafe);
    EXPECT_FALSE(key.IsOpen());
    EXPECT_TRUE(FilesIn(elsewhere).empty());
    // A link further up, between the store's root and the key, is refused as well.
    std::filesystem::remove(m_folder);
    std::filesystem::remove(m_temp.Path() + "/config/Nimbrel");
    std::filesystem::create_directory_symlink(elsewhere, m_temp.Path() + "/config/Nimbrel");
    EXPECT_EQ(m_store.CreateKey(kKey, key), SettingsStatus::Unsafe);
    // Each folder is checked before anything is made inside it: nothing appears at the target.
    EXPECT_TRUE(FilesIn(elsewhere).empty());
}

TEST_F(SettingsFolderTest, AFolderOrFileOwnedBySomeoneElseIsNotTrusted) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "only the superuser can give a folder to another user";
    }
    constexpr uid_t kNobody = 65534;
    std::filesystem::create_directories(m_folder);
    ASSERT_EQ(::chown(m_folder.c_str(), kNobody, kNobody), 0);
    CSettingsKey key;
    EXPECT_EQ(m_store.CreateKey(kKey, key), SettingsStatus::Unsafe);
    EXPECT_TRUE(FilesIn(m_folder).empty());
    // Our folder, but another user's file in it: moved aside, never read.
    ASSERT_EQ(::chown(m_folder.c_str(), 0, 0), 0);
    std::ofstream(m_folder + "/values") << "KeldwickSettings 1\n9 0 7\nUser Nameplanted\n";
    ASSERT_EQ(::chown((m_folder + "/values").c_str(), kNobody, kNobody), 0);
    ASSERT_EQ(OpenBounded(key), SettingsStatus::Ok);
    ExpectMovedAsideAndUsable(key);
}

} // namespace
