#include "app/CKeldwickDlg.h"
#include "app/CNameInfoDlg.h"
#include "dialog/CDialogBuilder.h"
#include "help/CHelpWindow.h"
#include "help/HtmlHelp.h"
#include "platform/names/FakeComputerNames.h"
#include "res/StringTable.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdlib>

#include <functional>

namespace {

// Watches for a dialog built from `templateId` to appear, lets the test look at it, then closes it.
class CDialogWatcher {
public:
    explicit CDialogWatcher(int templateId,
                            std::function<void(dialog::CTemplateDialog&)> inspect = {})
        : m_templateId(templateId), m_inspect(std::move(inspect)) {
        QObject::connect(&m_timer, &QTimer::timeout, [this] { Poll(); });
        m_timer.start(1);
    }
    int m_seen = 0;

private:
    void Poll() {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* dialog = qobject_cast<dialog::CTemplateDialog*>(widget);
            if (dialog != nullptr && dialog->isVisible() && dialog->TemplateId() == m_templateId) {
                ++m_seen;
                if (m_inspect) {
                    m_inspect(*dialog);
                }
                dialog->reject();
            }
        }
    }
    int m_templateId;
    std::function<void(dialog::CTemplateDialog&)> m_inspect;
    QTimer m_timer;
};

constexpr int kAboutBox = 100;
constexpr int kNameInfo = 134;

CKeldwickDlg::NamesFactory FakeNames(int* made = nullptr) {
    return [made] {
        if (made != nullptr) {
            ++*made;
        }
        auto names = std::make_unique<CFakeComputerNames>();
        names->m_workstationStatus = 2138;
        return names;
    };
}

TEST(MainWindowTest, CommandIdsSixteenToThirtyOneOpenTheAboutBox) {
    CKeldwickDlg window(FakeNames());
    window.EnsureInitialised();
    CDialogWatcher about(kAboutBox);
    int expected = 0;
    for (unsigned id : {15u, 16u, 17u, 24u, 31u, 32u, 0x110u, 0xFFFFu}) {
        const bool opens = id >= 16 && id <= 31;
        EXPECT_EQ(window.OnSysCommand(id), opens) << id;
        expected += opens ? 1 : 0;
        EXPECT_EQ(about.m_seen, expected) << id;
    }
}

TEST(MainWindowTest, TheAboutCommandIsInTheContextMenuAndOnAShortcut) {
    CKeldwickDlg window(FakeNames());
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QAction* about = window.AboutAction();
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->text().toStdString(), res::LoadString(101));
    EXPECT_EQ(window.contextMenuPolicy(), Qt::ActionsContextMenu);
    ASSERT_EQ(window.actions().size(), 2);
    EXPECT_TRUE(window.actions().front()->isSeparator());
    EXPECT_EQ(window.actions().back(), about);

    CDialogWatcher watcher(kAboutBox);
    about->trigger();
    EXPECT_EQ(watcher.m_seen, 1);
    // The About box took the activation with it; the shortcut works in the active main window.
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(&window, Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(watcher.m_seen, 2);
}

TEST(MainWindowTest, TheSheetSitsSevenPixelsUpLeftOfThePlaceholderWithItsPageInitialised) {
    CKeldwickDlg window(FakeNames());
    EXPECT_FALSE(window.SignInPage().Initialised());
    window.EnsureInitialised();
    const QRect placeholder = window.Control(1008)->geometry();
    dialog::CPropertySheet& sheet = window.PageSheet();
    EXPECT_EQ(sheet.parentWidget(), &window);
    EXPECT_EQ(sheet.pos(), placeholder.topLeft() - QPoint(7, 7));
    EXPECT_TRUE(sheet.isVisibleTo(&window));
    EXPECT_EQ(sheet.PageCount(), 1);
    EXPECT_EQ(sheet.ActiveIndex(), 0);
    EXPECT_TRUE(window.SignInPage().Initialised());
    EXPECT_EQ(window.SignInPage().parentWidget(), &sheet);
    EXPECT_TRUE(window.SignInPage().isVisibleTo(&window));
    // The sheet stays inside the window, above the separator.
    EXPECT_TRUE(window.rect().contains(sheet.geometry().adjusted(7, 7, -7, -7)));
    const QWidget* separator = window.findChildren<QWidget*>("-1").front();
    EXPECT_LT(sheet.geometry().bottom(), separator->y());
    // The page's frame spans the separator under it (within a pixel) and the buttons below.
    const QRect frame = sheet.FrameRect().translated(sheet.pos());
    EXPECT_LE(std::abs(separator->geometry().right() - frame.right()), 1) << frame.right();
    EXPECT_LE(std::abs(separator->geometry().left() - frame.left()), 1) << frame.left();
    EXPECT_LE(window.Control(1027)->geometry().right(), frame.right());
    EXPECT_FALSE(window.windowIcon().isNull());
}

TEST(MainWindowTest, TheCloseBoxAndEscEndTheWindow) {
    CKeldwickDlg window(FakeNames());
    QTimer::singleShot(0, &window, [&] { window.close(); });
    EXPECT_EQ(window.DoModal(), QDialog::Rejected);
    EXPECT_TRUE(window.OnSysCommand(0xF060));
    EXPECT_FALSE(window.isVisible());
}

TEST(MainWindowTest, TheComputerInformationButtonShowsFreshlyGatheredNames) {
    int made = 0;
    CKeldwickDlg window(FakeNames(&made));
    window.EnsureInitialised();
    std::string shown;
    CDialogWatcher watcher(kNameInfo, [&](dialog::CTemplateDialog& dialog) {
        shown = dialog::ControlText(*dialog.Control(1025));
    });
    auto* button = qobject_cast<QPushButton*>(window.Control(1027));
    button->click();
    button->click();
    EXPECT_EQ(watcher.m_seen, 2);
    EXPECT_EQ(made, 2);
    EXPECT_TRUE(shown.starts_with("Computer Name: NAME-1\r\n"));
    EXPECT_TRUE(shown.ends_with("NetWkstaGetInfo failed!\r\n"));
}

TEST(NameInfoDialogTest, EditsInTheBoxAreDiscarded) {
    CFakeComputerNames names;
    CNameInfoDlg dialog(names);
    dialog.EnsureInitialised();
    const std::string gathered = dialog.InfoText();
    EXPECT_EQ(dialog::ControlText(*dialog.Control(1025)), gathered);
    dialog::SetControlText(*dialog.Control(1025), "typed over");
    QTimer::singleShot(0, &dialog, [&] { dialog.accept(); });
    EXPECT_EQ(dialog.DoModal(), QDialog::Accepted);
    EXPECT_EQ(dialog.InfoText(), gathered);
}

TEST(HelpReferenceTest, HelpFileBesideTheProgramThenTheTopic) {
    EXPECT_EQ(CKeldwickDlg::HelpReference("/opt/nimbrel/keldwick", CKeldwickDlg::kTutorialTopic),
              "/opt/nimbrel/nimbrel.chm::/html\\keldwick.html");
    EXPECT_EQ(CKeldwickDlg::HelpReference("/opt/nimbrel/keldwick.bin",
                                          CKeldwickDlg::kTroubleshootingTopic),
              "/opt/nimbrel/nimbrel.chm::/html\\keldwick_troubleshoot.html");
    // Without a folder the help file is looked for by its bare name.
    EXPECT_EQ(CKeldwickDlg::HelpReference("keldwick", "t.html"), "nimbrel.chm::/t.html");
    const std::string deep = "/" + std::string(400, 'x') + "/";
    EXPECT_EQ(CKeldwickDlg::HelpReference(deep + "keldwick", "t.html"),
              deep + "nimbrel.chm::/t.html");
}

TEST(HelpButtonsTest, EachButtonShowsItsTopicInTheHelpWindow) {
    CKeldwickDlg window(FakeNames());
    window.EnsureInitialised();
    const auto shownTopic = [] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* help = qobject_cast<help::CHelpWindow*>(widget); help && help->isVisible()) {
                EXPECT_EQ(help->parentWidget(), nullptr);
                return help->CurrentTopic().toLocalFile();
            }
        }
        return QString();
    };
    qobject_cast<QPushButton*>(window.Control(1028))->click();
    EXPECT_TRUE(shownTopic().endsWith(QStringLiteral("/nimbrel.chm/html/keldwick.html")))
        << shownTopic().toStdString();
    qobject_cast<QPushButton*>(window.Control(1029))->click();
    EXPECT_TRUE(
        shownTopic().endsWith(QStringLiteral("/nimbrel.chm/html/keldwick_troubleshoot.html")));
    (void)help::HtmlHelp(nullptr, {}, help::kHhCloseAll, 0);
    EXPECT_TRUE(shownTopic().isEmpty());
}

} // namespace

namespace {

TEST(MainWindowTest, TabWalksTheButtonsThenIntoTheSheetAndItsPage) {
    CKeldwickDlg window(FakeNames());
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    window.Control(1027)->setFocus();
    std::vector<std::string> visited;
    for (int step = 0; step < 9; ++step) {
        QWidget* focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr);
        visited.push_back(focus == &window.PageSheet().Tabs() ? "tabs"
                                                              : focus->objectName().toStdString());
        QTest::keyClick(focus, Qt::Key_Tab);
    }
    EXPECT_EQ(visited, (std::vector<std::string>{"1027", "1028", "1029", "tabs", "1000", "1001",
                                                 "1020", "1021", "1005"}));
    EXPECT_EQ(QApplication::focusWidget(), window.Control(1027));
}

} // namespace

namespace {

// Enter is pressed in the boxes of a shown window, after a button has had the focus: a check
// before the window is shown misses the default button that showing it picks.
TEST(MainWindowKeyboardTest, EnterInTheBoxesPressesNoButton) {
    ::setenv("KELDWICK_ENDPOINT", "http://127.0.0.1:9/keldwick/AccountService.asmx", 1);
    CKeldwickDlg window(FakeNames());
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    CDialogWatcher nameInfo(kNameInfo);
    int clicks = 0;
    for (QPushButton* button : window.findChildren<QPushButton*>()) {
        EXPECT_FALSE(button->isDefault()) << button->objectName().toStdString();
        QObject::connect(button, &QPushButton::clicked, [&clicks] { ++clicks; });
    }
    window.Control(1027)->setFocus();
    for (int id : {1000, 1020}) {
        QWidget* box = window.SignInPage().Control(id);
        box->setFocus();
        ASSERT_EQ(QApplication::focusWidget(), box);
        QTest::keyClick(box, Qt::Key_Return);
        QTest::keyClick(box, Qt::Key_Enter, Qt::KeypadModifier);
    }
    EXPECT_EQ(nameInfo.m_seen, 0);
    EXPECT_EQ(clicks, 0);
    for (QPushButton* button : window.findChildren<QPushButton*>()) {
        EXPECT_FALSE(button->isDefault()) << button->objectName().toStdString();
    }
    ::unsetenv("KELDWICK_ENDPOINT");
}

TEST(MainWindowKeyboardTest, EnterOnAFocusedButtonPressesThatButton) {
    CKeldwickDlg window(FakeNames());
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    CDialogWatcher nameInfo(kNameInfo);
    window.Control(1027)->setFocus();
    QTest::keyClick(window.Control(1027), Qt::Key_Return);
    EXPECT_EQ(nameInfo.m_seen, 1);
}

TEST(MainWindowKeyboardTest, EnterPressesTheTemplatesDefaultButtonOfTheDialogs) {
    CFakeComputerNames names;
    CNameInfoDlg info(names);
    QTimer::singleShot(0, &info, [&] {
        QWidget* box = info.Control(1025);
        box->setFocus();
        QTest::keyClick(box, Qt::Key_Return);
    });
    EXPECT_EQ(info.DoModal(), QDialog::Accepted);
    EXPECT_TRUE(qobject_cast<QPushButton*>(info.Control(1))->isDefault());
}

} // namespace
