#include "opener/CXdgOpener.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <mutex>
#include <optional>
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

// Collects what the opener's worker reports; waits for it with a bound.
class CFinished {
public:
    void Attach(XdgOpenerConfig& config) {
        config.finished = [this](const std::string& target, bool opened) {
            const std::lock_guard guard(m_lock);
            m_results.emplace_back(target, opened);
            m_changed.notify_all();
        };
    }
    // The n-th report (from 1), or nullopt when it does not come within ten seconds.
    std::optional<std::pair<std::string, bool>> Wait(std::size_t n = 1) {
        std::unique_lock guard(m_lock);
        if (!m_changed.wait_for(guard, std::chrono::seconds(10),
                                [&] { return m_results.size() >= n; })) {
            return std::nullopt;
        }
        return m_results[n - 1];
    }

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::vector<std::pair<std::string, bool>> m_results;
};

TEST_F(OpenerTest, TargetReachesTheOpenerAsOneArgument) {
    const fs::path log = m_dir / "open.log";
    XdgOpenerConfig config;
    config.openProgram = Recorder("open", log, 0);
    CFinished finished;
    finished.Attach(config);
    CXdgOpener opener(config);
    const std::string target = "https://example.com/a b;rm -rf ~ \"q\"$(id)";
    EXPECT_TRUE(opener.Open(target));
    EXPECT_EQ(WaitForFile(log), "1\n" + target + "\n");
    EXPECT_EQ(finished.Wait(), std::make_pair(target, true));
}

TEST_F(OpenerTest, FailedOpenerFallsBackToTheHtmlHandler) {
    const fs::path log = m_dir / "browser.log";
    const fs::path browser = Recorder("browser", log, 0);
    std::ofstream(m_dir / "data/applications/web.desktop")
        << "[Desktop Entry]\nType=Application\nExec=" << browser.string() << " --tab %u\n";
    std::ofstream(m_dir / "notes.txt") << "notes";
    XdgOpenerConfig config;
    config.openProgram = Script("failing-open", "exit 3");
    config.queryHtmlHandler = {Script("query", "echo web.desktop").string()};
    config.dataDirs = {(m_dir / "data").string()};
    // Every test waits for its workers, so none is left running while the next changes PATH.
    CFinished finished;
    finished.Attach(config);
    CXdgOpener opener(config);
    // A relative file name reaches the handler as an absolute path.
    const fs::path previous = fs::current_path();
    fs::current_path(m_dir);
    EXPECT_TRUE(opener.Open("notes.txt"));
    fs::current_path(previous);
    EXPECT_EQ(WaitForFile(log), "2\n--tab\n" + (m_dir / "notes.txt").string() + "\n");
    EXPECT_TRUE(finished.Wait());
}

TEST_F(OpenerTest, NothingOpensWithoutAUsableHandler) {
    XdgOpenerConfig config;
    config.openProgram = (m_dir / "missing-program").string();
    config.queryHtmlHandler = {Script("query", "echo ../../etc/evil.desktop").string()};
    config.dataDirs = {(m_dir / "data").string()};
    CFinished finished;
    finished.Attach(config);
    CXdgOpener opener(config);
    EXPECT_TRUE(opener.Open("http://x/"));
    EXPECT_EQ(finished.Wait(), std::make_pair(std::string("http://x/"), false));
    config.queryHtmlHandler = {Script("query2", "echo none.desktop").string()};
    CFinished second;
    second.Attach(config);
    CXdgOpener other(config);
    EXPECT_TRUE(other.Open("http://y/"));
    EXPECT_EQ(second.Wait(), std::make_pair(std::string("http://y/"), false));
}

// The opener most desktops use, found on PATH as the program finds it.
class FakeXdgOpenTest : public OpenerTest {
protected:
    void SetUp() override {
        OpenerTest::SetUp();
        m_oldPath = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "";
        fs::create_directories(m_dir / "bin");
        ::setenv("PATH", ((m_dir / "bin").string() + ":" + m_oldPath).c_str(), 1);
    }
    void TearDown() override {
        ::setenv("PATH", m_oldPath.c_str(), 1);
        OpenerTest::TearDown();
    }
    // A fake xdg-open that records its arguments; like the real one it "succeeds" for --version.
    void InstallXdgOpen(const std::string& extra = {}) {
        const fs::path path = m_dir / "bin" / "xdg-open";
        std::ofstream(path) << "#!/bin/sh\nprintf '%s\\n' \"$@\" >> '" << Log().string() << "'\n"
                            << extra << "\nexit 0\n";
        chmod(path.c_str(), 0700);
    }
    fs::path Log() const { return m_dir / "xdg-open.log"; }
    std::string m_oldPath;
};

TEST_F(FakeXdgOpenTest, TargetsThatWouldBeOptionsOrProgramsAreRefused) {
    InstallXdgOpen();
    std::ofstream(m_dir / "tool.sh") << "#!/bin/sh\n";
    chmod((m_dir / "tool.sh").c_str(), 0755);
    fs::create_directories(m_dir / "folder");
    CXdgOpener opener;
    for (const std::string& target : std::vector<std::string>{
             "--gpu-launcher=/bin/sh -c 'touch pwned'", "--version", "-", "javascript:alert(1)",
             "JavaScript:alert(1)", "vbscript:x", "data:text/html,<b>x</b>", "smb://host/share",
             "file://" + (m_dir / "tool.sh").string(), (m_dir / "tool.sh").string(),
             (m_dir / "folder").string(), (m_dir / "missing.txt").string(),
             "file://evil.example/etc/passwd", "http://x/\nsecond line", ""}) {
        EXPECT_FALSE(opener.Open(target)) << target;
    }
    // Nothing reached the opener at all: the first line it ever gets is the next link's.
    XdgOpenerConfig config;
    CFinished finished;
    finished.Attach(config);
    CXdgOpener marker(config);
    EXPECT_TRUE(marker.Open("mailto:support@nimbrel.example"));
    ASSERT_TRUE(finished.Wait());
    EXPECT_EQ(WaitForFile(Log()), "mailto:support@nimbrel.example\n");
}

TEST_F(FakeXdgOpenTest, WebMailAndPlainFileLinksAreOpened) {
    InstallXdgOpen();
    std::ofstream(m_dir / "read me.txt") << "text";
    chmod((m_dir / "read me.txt").c_str(), 0644);
    XdgOpenerConfig config;
    CFinished finished;
    finished.Attach(config);
    CXdgOpener opener(config);
    const std::vector<std::string> targets{"http://a.example/", "HTTPS://b.example/x?y=1",
                                           "ftp://c.example/f", "mailto:d@e.example",
                                           "file://" + (m_dir / "read%20me.txt").string()};
    for (const std::string& target : targets) {
        ASSERT_TRUE(opener.Open(target)) << target;
    }
    for (std::size_t n = 1; n <= targets.size(); ++n) {
        ASSERT_TRUE(finished.Wait(n)) << n;
    }
    std::ifstream in(Log());
    std::vector<std::string> seen;
    for (std::string line; std::getline(in, line);) {
        seen.push_back(line);
    }
    std::sort(seen.begin(), seen.end());
    std::vector<std::string> expected(targets.begin(), targets.end() - 1);
    expected.push_back((m_dir / "read me.txt").string());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(seen, expected);
}

TEST_F(FakeXdgOpenTest, OpeningDoesNotWaitForTheOpener) {
    // This opener runs until the test lets it go, as some desktops' openers run with the browser.
    const fs::path release = m_dir / "release";
    InstallXdgOpen("while [ ! -e '" + release.string() + "' ]; do sleep 0.02; done");
    XdgOpenerConfig config;
    config.exitWait = std::chrono::minutes(10);
    CFinished finished;
    finished.Attach(config);
    CXdgOpener opener(config);
    auto open = std::async(std::launch::async, [&] { return opener.Open("https://slow/"); });
    const bool returned = open.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    std::ofstream(release) << "go";
    EXPECT_TRUE(returned) << "Open waited for the opener to end";
    EXPECT_TRUE(open.get());
    EXPECT_EQ(finished.Wait(), std::make_pair(std::string("https://slow/"), true));
}

} // namespace
} // namespace opener
