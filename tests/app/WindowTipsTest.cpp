// The tips of the main window and the sign-in page, end to end on Qt's offscreen platform: the
// tools each window registers, hovering a button until its tip shows and hides, a key hiding it,
// and the tips' texts as the controls' accessible descriptions.

#include "app/CKeldwickDlg.h"
#include "platform/names/FakeComputerNames.h"
#include "res/Resource.h"
#include "res/StringTable.h"
#include "tooltip/window/TipPlainText.h"
#include "window/CQtWindowSystem.h"

#include <QCursor>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using tooltip::TipState;

CKeldwickDlg::NamesFactory NoNames() {
    return [] { return std::make_unique<CFakeComputerNames>(); };
}

std::string ToolText(tooltip::CTipWindow& tips, QWidget* control) {
    const auto handle = platformwindow::CQtWindowSystem::Shared().HandleOf(control);
    const auto it = tips.Tools().find(handle);
    return it == tips.Tools().end() ? std::string("<none>") : it->second.text;
}

TEST(WindowTips, BothWindowsRegisterTheirControlsWithTheirStrings) {
    CKeldwickDlg dlg(NoNames());
    dlg.EnsureInitialised();
    tooltip::CTipWindow& buttons = dlg.ButtonTips();
    ASSERT_TRUE(buttons.Window());
    EXPECT_EQ(buttons.DisplayTime(), 20000u);
    EXPECT_EQ(buttons.Tools().size(), 3u);
    const std::pair<int, int> buttonTools[] = {{res::IDC_SHOW_COMPUTER_INFO, 103},
                                               {res::IDC_SHOW_TUTORIAL, 104},
                                               {res::IDC_SHOW_TROUBLESHOOTING, 105}};
    for (const auto& [control, string] : buttonTools) {
        EXPECT_EQ(ToolText(buttons, dlg.Control(control)), res::LoadString(string)) << control;
    }
    CSignInPage& page = dlg.SignInPage();
    tooltip::CTipWindow& pageTips = page.PageTips();
    ASSERT_TRUE(pageTips.Window());
    EXPECT_EQ(pageTips.DisplayTime(), 20000u);
    const std::pair<int, int> pageTools[] = {{res::IDC_USER_ID, 106},
                                             {res::IDC_PASSWORD, 107},
                                             {res::IDC_STATUS, 119},
                                             {res::IDC_SIGN_IN, 110},
                                             {res::IDC_EMAIL_PASSWORD, 114}};
    EXPECT_EQ(pageTips.Tools().size(), 5u);
    for (const auto& [control, string] : pageTools) {
        EXPECT_FALSE(res::LoadString(string).empty()) << string;
        EXPECT_EQ(ToolText(pageTips, page.Control(control)), res::LoadString(string)) << control;
    }
}

TEST(WindowTips, ControlsAreDescribedByTheirTipsWithoutMarkup) {
    CKeldwickDlg dlg(NoNames());
    dlg.EnsureInitialised();
    EXPECT_EQ(dlg.Control(res::IDC_SHOW_TUTORIAL)->accessibleDescription(),
              QStringLiteral("Click here to display the Keldwick tutorial."));
    const QString status = dlg.SignInPage().Control(res::IDC_STATUS)->accessibleDescription();
    EXPECT_TRUE(status.startsWith(QStringLiteral("Status messages are displayed here.\n\n")));
    EXPECT_TRUE(status.contains(QStringLiteral("click on the help me with this button")));
    EXPECT_FALSE(status.contains(QLatin1Char('<')));
}

TEST(WindowTips, RestingOnTheTutorialButtonShowsItsTipUntilTheDisplayTimeOrAKey) {
    CKeldwickDlg dlg(NoNames());
    dlg.EnsureInitialised();
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    tooltip::CTipWindow& tips = dlg.ButtonTips();
    // The 20 s of the program, shortened; long enough to be seen between two polls of a busy
    // machine.
    tips.SetTiming(tooltip::TipTiming::Display, 1500);
    QWidget* button = dlg.Control(res::IDC_SHOW_TUTORIAL);
    const QPoint centre = button->rect().center();
    const QPoint global = button->mapToGlobal(centre);

    QCursor::setPos(global);
    QTest::mouseMove(button, centre);
    QTRY_COMPARE_WITH_TIMEOUT(tips.State(), TipState::Shown, 5000);
    auto& windows = platformwindow::CQtWindowSystem::Shared();
    // The tool becomes the current one when its tip paints, which Qt does a moment after the show.
    QTRY_VERIFY_WITH_TIMEOUT(tips.CurrentTool() == windows.HandleOf(button), 5000);
    QWidget* popup = windows.WidgetOf(tips.Window());
    ASSERT_NE(popup, nullptr);
    EXPECT_TRUE(popup->isVisible());
    EXPECT_EQ(popup->geometry().topLeft() +
                  QPoint(tips.Placement().anchor.x, tips.Placement().anchor.y),
              global);
    QTRY_COMPARE_WITH_TIMEOUT(tips.State(), TipState::Hidden, 5000);
    EXPECT_FALSE(popup->isVisible());

    // Away and back again; then a key hides the tip at once.
    tips.SetTiming(tooltip::TipTiming::Display, 20000);
    QCursor::setPos(dlg.mapToGlobal(QPoint(2, 2)));
    QTest::mouseMove(&dlg, QPoint(2, 2));
    QCursor::setPos(global);
    QTest::mouseMove(button, centre);
    QTRY_COMPARE_WITH_TIMEOUT(tips.State(), TipState::Shown, 5000);
    QTest::keyClick(&dlg, Qt::Key_Shift);
    EXPECT_EQ(tips.State(), TipState::Hidden);
    EXPECT_FALSE(popup->isVisible());
}

} // namespace
