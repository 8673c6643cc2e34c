#include "help/CHelpBrowser.h"
#include "help/CHelpWindow.h"
#include "help/HelpReference.h"
#include "help/HtmlHelp.h"
#include "help/PathParts.h"

#include <QApplication>
#include <QPointer>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include <unistd.h>

namespace help {
namespace {

namespace fs = std::filesystem;

TEST(SplitPathTest, DirectoryKeepsItsSeparatorAndTheExtensionItsDot) {
    const PathParts parts = SplitPath("/opt/nimbrel/bin/keldwick.bin");
    EXPECT_EQ(parts.drive, "");
    EXPECT_EQ(parts.directory, "/opt/nimbrel/bin/");
    EXPECT_EQ(parts.fileName, "keldwick");
    EXPECT_EQ(parts.extension, ".bin");

    const PathParts bare = SplitPath("keldwick");
    EXPECT_EQ(bare.directory, "");
    EXPECT_EQ(bare.fileName, "keldwick");
    EXPECT_EQ(bare.extension, "");

    // Only the last dot of the name starts the extension, and dots in folders do not count.
    const PathParts dotted = SplitPath("/a.b/c.d.e");
    EXPECT_EQ(dotted.directory, "/a.b/");
    EXPECT_EQ(dotted.fileName, "c.d");
    EXPECT_EQ(dotted.extension, ".e");
}

TEST(SplitPathTest, LongDirectoriesAreKeptWhole) {
    const std::string directory = "/" + std::string(300, 'd') + "/" + std::string(900, 'e') + "/";
    const PathParts parts = SplitPath(directory + "keldwick");
    EXPECT_EQ(parts.directory, directory);
    EXPECT_EQ(parts.fileName, "keldwick");
}

TEST(ExecutablePathTest, NamesTheRunningProgram) {
    EXPECT_EQ(fs::path(ExecutablePath()).filename(), "platform_help_tests");
}

// A help folder with two topics in a fresh temporary directory.
class HelpFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_root = fs::temp_directory_path() / ("keldwick-help-" + std::to_string(::getpid()));
        fs::create_directories(m_root / "nimbrel.chm" / "html");
        std::ofstream(m_root / "nimbrel.chm" / "html" / "one.html")
            << "<html><head><title>One</title></head><body>first</body></html>";
        std::ofstream(m_root / "nimbrel.chm" / "html" / "two.html")
            << "<html><head><title>Two</title></head><body>second</body></html>";
        std::ofstream(m_root / "secret.html") << "outside";
    }
    void TearDown() override {
        (void)HtmlHelp(nullptr, {}, kHhCloseAll, 0);
        fs::remove_all(m_root);
    }
    std::string Reference(std::string_view topic) const {
        return (m_root / "nimbrel.chm").string() + "::/" + std::string(topic);
    }
    fs::path m_root;
};

TEST_F(HelpFolderTest, TopicsResolveWithEitherSeparator) {
    EXPECT_EQ(ResolveHelpTopic(Reference("html\\one.html")),
              m_root / "nimbrel.chm" / "html" / "one.html");
    EXPECT_EQ(ResolveHelpTopic(Reference("html/two.html")),
              m_root / "nimbrel.chm" / "html" / "two.html");
}

TEST_F(HelpFolderTest, ReferencesThatNameNoTopicInsideTheFolderResolveToNothing) {
    EXPECT_FALSE(ResolveHelpTopic(Reference("html\\missing.html")));
    EXPECT_FALSE(ResolveHelpTopic(Reference("html")));
    EXPECT_FALSE(ResolveHelpTopic(Reference("")));
    EXPECT_FALSE(ResolveHelpTopic(Reference("..\\secret.html")));
    EXPECT_FALSE(ResolveHelpTopic(Reference("/etc/hostname")));
    EXPECT_FALSE(ResolveHelpTopic((m_root / "nimbrel.chm" / "html" / "one.html").string()));
    EXPECT_FALSE(ResolveHelpTopic((m_root / "other.chm").string() + "::/html\\one.html"));
}

// An installed program runs from "<prefix>/bin" with its topics in "<prefix>/share/keldwick".
TEST_F(HelpFolderTest, InstalledTopicsAreFoundFromTheProgramsFolder) {
    const fs::path prefix = m_root / "usr";
    fs::create_directories(prefix / "bin");
    fs::create_directories(prefix / "share" / "keldwick" / "nimbrel.chm" / "html");
    std::ofstream(prefix / "share" / "keldwick" / "nimbrel.chm" / "html" / "one.html") << "one";
    const std::string installed = (prefix / "bin" / "nimbrel.chm").string();
    EXPECT_EQ(ResolveHelpTopic(installed + "::/html\\one.html"),
              prefix / "share" / "keldwick" / "nimbrel.chm" / "html" / "one.html");
    EXPECT_FALSE(ResolveHelpTopic(installed + "::/html\\two.html"));
    EXPECT_FALSE(ResolveHelpTopic(installed + "::/..\\..\\..\\secret.html"));

    // Topics beside the program, as in the build tree, come first.
    fs::create_directories(prefix / "bin" / "nimbrel.chm");
    EXPECT_EQ(FindHelpFolder(prefix / "bin" / "nimbrel.chm"), prefix / "bin" / "nimbrel.chm");
    // A folder named without a place has no installed counterpart.
    EXPECT_FALSE(FindHelpFolder("nimbrel.chm"));
    EXPECT_FALSE(FindHelpFolder(prefix / "bin" / "other.chm"));
}

TEST_F(HelpFolderTest, OneUnownedWindowShowsEachTopicInTurn) {
    QWidget caller;
    QWidget* first = HtmlHelp(&caller, Reference("html\\one.html"), kHhDisplayTopic, 0);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->parentWidget(), nullptr);
    EXPECT_TRUE(first->isVisible());
    auto* window = qobject_cast<CHelpWindow*>(first);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->CurrentTopic().toLocalFile().endsWith(QStringLiteral("html/one.html")));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("One"));

    QWidget* second = HtmlHelp(&caller, Reference("html\\two.html"), kHhDisplayTopic, 0);
    EXPECT_EQ(second, first);
    EXPECT_TRUE(window->CurrentTopic().toLocalFile().endsWith(QStringLiteral("html/two.html")));
}

// Beside the caller on its screen: right, else left, else pushed inside the screen.
TEST(HelpPlacementTest, TheWindowGoesBesideTheCallerOnItsScreen) {
    const QRect screen(0, 0, 1280, 800);
    const QRect second(1280, 0, 1024, 768);
    const std::tuple<QRect, QSize, QRect, QPoint> cases[] = {
        {QRect(100, 50, 400, 300), QSize(640, 520), screen, QPoint(508, 50)},
        {QRect(700, 50, 400, 300), QSize(640, 520), screen, QPoint(52, 50)},
        {QRect(300, 600, 700, 150), QSize(640, 520), screen, QPoint(640, 280)},
        {QRect(1400, 100, 400, 300), QSize(640, 520), second, QPoint(1664, 100)},
        {QRect(10, 10, 100, 100), QSize(2000, 900), screen, QPoint(0, 0)},
    };
    for (const auto& [caller, size, area, expected] : cases) {
        EXPECT_EQ(CHelpWindow::PlaceBeside(caller, size, area), expected) << caller.x();
    }
}

TEST_F(HelpFolderTest, TheWindowOpensBesideItsCallerAndEscClosesIt) {
    QWidget caller;
    caller.setGeometry(10, 60, 100, 100); // room to its right even on an 800-pixel screen
    caller.show();
    const QPointer<QWidget> window =
        HtmlHelp(&caller, Reference("html\\one.html"), kHhDisplayTopic, 0);
    ASSERT_NE(window, nullptr);
    EXPECT_GT(window->frameGeometry().left(), caller.frameGeometry().right());
    EXPECT_EQ(window->screen(), caller.screen());
    QWidget* focus = window->focusWidget() != nullptr ? window->focusWidget() : window.data();
    QTest::keyClick(focus, Qt::Key_Escape);
    EXPECT_TRUE(window.isNull() || !window->isVisible());
}

TEST_F(HelpFolderTest, AMissingTopicShowsNothingAndLeavesAShownTopicAlone) {
    const auto helpWindows = [] {
        int count = 0;
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            count += qobject_cast<CHelpWindow*>(widget) != nullptr ? 1 : 0;
        }
        return count;
    };
    EXPECT_EQ(HtmlHelp(nullptr, Reference("html\\missing.html"), kHhDisplayTopic, 0), nullptr);
    EXPECT_EQ(helpWindows(), 0);
    auto* window = qobject_cast<CHelpWindow*>(
        HtmlHelp(nullptr, Reference("html\\one.html"), kHhDisplayTopic, 0));
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(HtmlHelp(nullptr, Reference("html\\missing.html"), kHhDisplayTopic, 0), nullptr);
    EXPECT_TRUE(window->CurrentTopic().toLocalFile().endsWith(QStringLiteral("html/one.html")));
    (void)HtmlHelp(nullptr, {}, kHhCloseAll, 0);
    EXPECT_EQ(helpWindows(), 0);
}

TEST_F(HelpFolderTest, LinksInTheFolderThatLeadOutsideAreNotTopics) {
    const fs::path html = m_root / "nimbrel.chm" / "html";
    fs::create_symlink(m_root / "secret.html", html / "escape.html");
    fs::create_directory_symlink(m_root, html / "up");
    fs::create_symlink(html / "one.html", html / "alias.html");
    EXPECT_FALSE(ResolveHelpTopic(Reference("html\\escape.html")));
    EXPECT_FALSE(ResolveHelpTopic(Reference("html\\up\\secret.html")));
    EXPECT_FALSE(ResolveHelpTopic(Reference("html\\up\\nimbrel.chm-x")));
    // A link that stays inside the folder is followed to the topic it names.
    EXPECT_EQ(ResolveHelpTopic(Reference("html\\alias.html")), html / "one.html");
    // A sibling folder whose name starts with the help folder's is not inside it.
    fs::create_directories(m_root / "nimbrel.chm-other");
    std::ofstream(m_root / "nimbrel.chm-other" / "t.html") << "x";
    EXPECT_FALSE(ResolveHelpTopic(Reference("..\\nimbrel.chm-other\\t.html")));
}

// Records the targets handed to the link opener.
struct CRecordingOpener : opener::ILinkOpener {
    explicit CRecordingOpener(std::vector<std::string>& opened) : m_opened(opened) {}
    bool Open(std::string_view target) override {
        m_opened.emplace_back(target);
        return true;
    }
    std::vector<std::string>& m_opened;
};

TEST_F(HelpFolderTest, TopicLinksStayInTheWindowAndOtherLinksGoToTheOpener) {
    const fs::path html = m_root / "nimbrel.chm" / "html";
    fs::create_symlink(m_root / "secret.html", html / "escape.html");
    auto* window = qobject_cast<CHelpWindow*>(
        HtmlHelp(nullptr, Reference("html\\one.html"), kHhDisplayTopic, 0));
    ASSERT_NE(window, nullptr);
    std::vector<std::string> opened;
    window->SetLinkOpenerForTests(std::make_unique<CRecordingOpener>(opened));
    const auto shown = [&] { return window->CurrentTopic().toLocalFile().toStdString(); };

    window->FollowLink(QUrl(QStringLiteral("two.html#part")));
    EXPECT_EQ(shown(), (html / "two.html").string());
    EXPECT_EQ(window->CurrentTopic().fragment(), QStringLiteral("part"));
    for (const char* outside : {"../../secret.html", "escape.html", "/etc/hostname"}) {
        window->FollowLink(QUrl(QString::fromLatin1(outside)));
        EXPECT_EQ(shown(), (html / "two.html").string()) << outside;
    }
    window->FollowLink(QUrl(QStringLiteral("https://www.nimbrel.example/support")));
    EXPECT_EQ(opened, (std::vector<std::string>{"file://" + (m_root / "secret.html").string(),
                                                "file://" + (html / "escape.html").string(),
                                                "file:///etc/hostname",
                                                "https://www.nimbrel.example/support"}));
}

TEST_F(HelpFolderTest, ATopicLoadsPicturesAndStylesOnlyFromInsideTheFolder) {
    const fs::path html = m_root / "nimbrel.chm" / "html";
    fs::create_symlink(m_root / "secret.html", html / "escape.css");
    CHelpBrowser browser;
    browser.SetFolder(fs::canonical(m_root / "nimbrel.chm"));
    browser.setSource(QUrl::fromLocalFile(QString::fromStdString((html / "one.html").string())));
    EXPECT_TRUE(browser.toPlainText().contains(QStringLiteral("first")));
    EXPECT_TRUE(
        browser.loadResource(QTextDocument::StyleSheetResource, QUrl("two.html")).isValid());
    for (const char* outside : {"../../secret.html", "escape.css", "/etc/hostname"}) {
        EXPECT_FALSE(
            browser.loadResource(QTextDocument::StyleSheetResource, QUrl(outside)).isValid())
            << outside;
    }
}

} // namespace
} // namespace help
