#include "opener/CXdgOpener.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

namespace opener {
namespace {

namespace fs = std::filesystem;

TEST(ExecArguments, TargetReplacesItsFieldCodeAsOneArgument) {
    const std::string target = "http://x/a b;rm -rf ~ \"q\"";
    EXPECT_EQ(ExecArguments("firefox %u", target), (std::vector<std::string>{"firefox", target}));
    EXPECT_EQ(ExecArguments("\"/opt/my browser/run\" --new %U %i %c", target),
              (std::vector<std::string>{"/opt/my browser/run", "--new", target}));
    EXPECT_EQ(ExecArguments("viewer", target), (std::vector<std::string>{"viewer", target}));
    EXPECT_EQ(ExecArguments("a %f %F", "t"), (std::vector<std::string>{"a", "t"}));
    EXPECT_TRUE(ExecArguments("\"unclosed %u", target).empty());
    EXPECT_TRUE(ExecArguments("  ", target).empty());
}

TEST(DesktopEntryExec, ReadsOnlyTheMainGroup) {
    EXPECT_EQ(DesktopEntryExec("[Desktop Action new]\nExec=other\n[Desktop Entry]\nName=B\n"
                               "ExecX=no\nExec = browser %u\n"),
              std::optional<std::string>("browser %u"));
    EXPECT_FALSE(DesktopEntryExec("[Desktop Entry]\nName=x\n"));
}

class OpenerTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/keldwick-opener-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_dir = pattern;
        fs::create_directories(m_dir / "data/applications");
    }
    void TearDown() override { fs::remove_all(m_dir); }

    // A program that writes its argument count and arguments, one per line, to `log`.
    fs::path Script(const std::string& name, const std::string& body) {
        const fs::path path = m_dir / name;
        std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
        chmod(path.c_str(), 0700);
        return path;
    }
    fs::path Recorder(const std::string& name, const fs::path& log, int exitCode) {
        return Script(name, "printf '%s\\n' \"$#\" \"$@\" > '" + log.string() + ".tmp' && mv '" +
                                log.string() + ".tmp' '" + log.string() + "'\nexit " +
                                std::to_string(exitCode));
    }
    // Waits (bounded) for a file that a started child writes.
    static std::string WaitForFile(const fs::path& path) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!fs::exists(path) && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        std::ifstream in(path);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    fs::path m_dir;
};

TEST_F(OpenerTest, TargetReachesTheOpenerAsOneArgument) {
    const fs::path log = m_dir / "open.log";
    XdgOpenerConfig config;
    config.openProgram = Recorder("open", log, 0);
    CXdgOpener opener(config);
    const std::string target = "file:///tmp/a b.html; touch /tmp/pwned $(id)";
    EXPECT_TRUE(opener.Open(target));
    EXPECT_EQ(WaitForFile(log), "1\n" + target + "\n");
    EXPECT_FALSE(opener.Open(""));
}

TEST_F(OpenerTest, FailedOpenerFallsBackToTheHtmlHandler) {
    const fs::path log = m_dir / "browser.log";
    const fs::path browser = Recorder("browser", log, 0);
    std::ofstream(m_dir / "data/applications/web.desktop")
        << "[Desktop Entry]\nType=Application\nExec=" << browser.string() << " --tab %u\n";
    XdgOpenerConfig config;
    config.openProgram = Script("failing-open", "exit 3");
    config.queryHtmlHandler = {Script("query", "echo web.desktop").string()};
    config.dataDirs = {(m_dir / "data").string()};
    CXdgOpener opener(config);
    EXPECT_TRUE(opener.Open("notes.txt"));
    EXPECT_EQ(WaitForFile(log), "2\n--tab\nnotes.txt\n");
}

TEST_F(OpenerTest, NothingOpensWithoutAUsableHandler) {
    XdgOpenerConfig config;
    config.openProgram = (m_dir / "missing-program").string();
    config.queryHtmlHandler = {Script("query", "echo ../../etc/evil.desktop").string()};
    config.dataDirs = {(m_dir / "data").string()};
    CXdgOpener opener(config);
    EXPECT_FALSE(opener.Open("x"));
    config.queryHtmlHandler = {Script("query2", "echo none.desktop").string()};
    CXdgOpener second(config);
    EXPECT_FALSE(second.Open("x"));
}

} // namespace
} // namespace opener
