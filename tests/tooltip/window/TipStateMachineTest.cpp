// The show and hide rules of the tip window, driven through the fake window system's clock.

#include "tooltip/window/TipWindowFixture.h"

namespace tooltip::test {

namespace {

using Code = TipMessageCode;

TEST_F(TipWindowTest, CreatesAHiddenPopupOfItsClassWithNoTimerRunning) {
    const WindowHandle popup = tip.Window();
    ASSERT_TRUE(popup);
    EXPECT_EQ(windows.ClassName(popup), "KeldwickTipWindow");
    EXPECT_FALSE(windows.IsVisible(popup));
    EXPECT_EQ(tip.State(), TipState::Hidden);
    EXPECT_EQ(tip.DisplayTime(), 5000u);
    EXPECT_EQ(tip.InitialDelay(), 500u);
    EXPECT_EQ(windows.RunningTimers(), 0u);
}

TEST_F(TipWindowTest, InitialDelayCountsFromTheLastMoveOverANewTool) {
    Move({150, 130});
    EXPECT_TRUE(windows.TimerRunning(tip.Window(), CTipWindow::TimerInitial));
    windows.Advance(300);
    Move({152, 131}); // no tip up yet: the delay starts again
    windows.Advance(499);
    EXPECT_FALSE(Shown());
    windows.Advance(1);
    EXPECT_TRUE(Shown());
    EXPECT_EQ(tip.CurrentTool(), first);
    EXPECT_FALSE(windows.TimerRunning(tip.Window(), CTipWindow::TimerInitial));
    EXPECT_TRUE(windows.TimerRunning(tip.Window(), CTipWindow::TimerDisplay));
}

TEST_F(TipWindowTest, CursorThatMovedOnBeforeTheDelayEndsShowsNothing) {
    Move({150, 130});
    windows.SetCursor({151, 130}); // the move has not been relayed yet
    windows.Advance(500);
    EXPECT_FALSE(Shown());
    EXPECT_EQ(windows.RunningTimers(), 0u);
}

TEST_F(TipWindowTest, InitialDelayOfZeroShowsOnTheFirstMoveWhenTheCursorIsStill) {
    tip.SetTiming(TipTiming::Initial, 0);
    Move({150, 130});
    EXPECT_TRUE(Shown());

    Move({250, 130}); // the next tool: shown at once as well
    EXPECT_TRUE(Shown());
    EXPECT_EQ(tip.CurrentTool(), second);

    windows.SetCursor({300, 140}); // the message is late: the cursor is elsewhere already
    Relay(Code::MouseMove, {150, 130});
    EXPECT_FALSE(Shown());
}

TEST_F(TipWindowTest, DisplayTimeHidesTheTipAndItStaysHiddenUntilTheCursorLeaves) {
    tip.SetTiming(TipTiming::Display, 20000);
    ShowFirst();
    windows.Advance(19999);
    EXPECT_TRUE(Shown());
    windows.Advance(1);
    EXPECT_FALSE(Shown());
    EXPECT_EQ(windows.RunningTimers(), 0u);

    Move({160, 135}); // still in the same control
    windows.Advance(5000);
    EXPECT_FALSE(Shown());

    Move({110, 300}); // the dialog itself: no tool
    Move({150, 130});
    windows.Advance(500);
    EXPECT_TRUE(Shown());
}

TEST_F(TipWindowTest, DisplayTimeOfZeroKeepsTheTipUntilSomethingElseHidesIt) {
    tip.SetTiming(TipTiming::Display, 0);
    ShowFirst();
    windows.Advance(10 * 60 * 1000);
    EXPECT_TRUE(Shown());
    EXPECT_EQ(windows.RunningTimers(), 0u);
    Relay(Code::KeyDown);
    EXPECT_FALSE(Shown());
}

TEST_F(TipWindowTest, OnePixelMoveInsideTheShownToolHidesIt) {
    ShowFirst();
    Move({151, 130});
    EXPECT_FALSE(Shown());
    windows.Advance(5000);
    EXPECT_FALSE(Shown());
}

TEST_F(TipWindowTest, RepeatedMessageAtTheSamePositionChangesNothing) {
    ShowFirst();
    Move({150, 130});
    EXPECT_TRUE(Shown());
}

TEST_F(TipWindowTest, MovingStraightToAnotherToolHidesAtOnceAndShowsItAfterTheDelay) {
    ShowFirst();
    Move({250, 130});
    EXPECT_FALSE(Shown());
    windows.Advance(499);
    EXPECT_FALSE(Shown());
    windows.Advance(1);
    EXPECT_TRUE(Shown());
    EXPECT_EQ(tip.CurrentTool(), second);
}

TEST_F(TipWindowTest, BackOnTheShownToolBeforeTheNextOnesDelayEndsShowsNeitherTip) {
    ShowFirst();
    Move({250, 130});
    windows.Advance(200);
    Move({150, 131}); // back on the first control, whose tip was up
    windows.Advance(1000);
    EXPECT_FALSE(windows.IsVisible(tip.Window()));
    EXPECT_EQ(windows.RunningTimers(), 0u);
    Move({250, 130}); // the second control still shows its own tip after its delay
    windows.Advance(500);
    EXPECT_TRUE(Shown());
}

TEST_F(TipWindowTest, MovingOntoNoToolHidesAndStopsTheDelay) {
    Move({150, 130});
    Move({400, 130}); // a control without a tool
    EXPECT_EQ(windows.RunningTimers(), 0u);
    ShowFirst();
    Move({110, 300});
    EXPECT_FALSE(Shown());
    EXPECT_FALSE(tip.CurrentTool());
}

TEST_F(TipWindowTest, PressesKeysAndTheWheelHideTheTipWhileReleasesDoNot) {
    for (const Code code : {Code::LButtonUp, Code::RButtonUp, Code::MButtonUp, Code::Other}) {
        ShowFirst();
        Relay(code);
        EXPECT_TRUE(Shown()) << static_cast<unsigned>(code);
        Move({110, 300});
    }
    for (const Code code :
         {Code::LButtonDown, Code::LButtonDblClk, Code::RButtonDown, Code::RButtonDblClk,
          Code::MButtonDown, Code::MButtonDblClk, Code::MouseWheel, Code::NcLButtonDown,
          Code::NcLButtonDblClk, Code::NcRButtonDown, Code::NcRButtonDblClk, Code::NcMButtonDown,
          Code::NcMButtonDblClk, Code::KeyDown, Code::SysKeyDown}) {
        Move({110, 300});
        ShowFirst();
        Relay(code);
        EXPECT_FALSE(Shown()) << static_cast<unsigned>(code);
        EXPECT_EQ(windows.RunningTimers(), 0u);
    }
}

TEST_F(TipWindowTest, KeyDuringTheInitialDelayCancelsIt) {
    Move({150, 130});
    Relay(Code::KeyDown);
    windows.Advance(1000);
    EXPECT_FALSE(Shown());
}

TEST_F(TipWindowTest, AnotherApplicationBecomingActiveHidesTheTip) {
    IPopupEvents* events = windows.Get(tip.Window()).events;
    ShowFirst();
    events->OnActivateApp(true);
    EXPECT_TRUE(Shown());
    events->OnActivateApp(false);
    EXPECT_FALSE(Shown());
}

TEST_F(TipWindowTest, MovingOntoTheTipWindowHidesIt) {
    ShowFirst();
    const gfx::Rect popup = windows.Get(tip.Window()).screenRect;
    const gfx::Point inside{popup.left + 30, popup.top + 20};
    ASSERT_EQ(windows.WindowFromPoint(inside), tip.Window());
    Move(inside);
    EXPECT_FALSE(Shown());
}

TEST_F(TipWindowTest, DisabledControlShowsNoTip) {
    windows.Get(first).enabled = false;
    ASSERT_EQ(windows.WindowFromPoint({150, 130}), dialog); // the point falls through to the dialog
    Move({150, 130});
    windows.Advance(1000);
    EXPECT_FALSE(Shown());
    EXPECT_EQ(windows.RunningTimers(), 0u);

    // On a page inside the dialog, the page under the point finds the control and rejects it.
    const WindowHandle page = windows.AddWindow(dialog, {110, 180, 490, 390}, "#32770");
    const WindowHandle onPage = windows.AddWindow(page, {120, 200, 220, 230});
    tip.RegisterTool(onPage, "On the page");
    Move({150, 210});
    windows.Advance(500);
    EXPECT_TRUE(Shown());
    Move({110, 300});
    windows.Get(onPage).enabled = false;
    ASSERT_EQ(windows.WindowFromPoint({150, 210}), page);
    Move({150, 210});
    windows.Advance(1000);
    EXPECT_FALSE(Shown());
}

TEST_F(TipWindowTest, EditFieldOfADropDownComboShowsTheCombosTip) {
    const WindowHandle combo =
        windows.AddWindow(dialog, {120, 200, 320, 225}, "ComboBox", 0x00210002u);
    const WindowHandle edit = windows.AddWindow(combo, {123, 203, 300, 222}, "Edit");
    tip.RegisterTool(combo, "Combo tip");
    ASSERT_EQ(windows.WindowFromPoint({150, 210}), edit);
    Move({150, 210});
    windows.Advance(500);
    EXPECT_TRUE(Shown());
    EXPECT_EQ(tip.CurrentTool(), combo);
}

TEST_F(TipWindowTest, ChildOfAComboWithoutAnEditFieldIsNotTheCombo) {
    const WindowHandle list = windows.AddWindow(dialog, {120, 200, 320, 225}, "ComboBox", 3);
    windows.AddWindow(list, {123, 203, 300, 222}, "Static");
    tip.RegisterTool(list, "List tip");
    Move({150, 210});
    windows.Advance(500);
    EXPECT_FALSE(Shown());
}

TEST_F(TipWindowTest, RegisteringAControlAgainKeepsOneToolWithTheSecondText) {
    tip.RegisterTool(first, "Replaced");
    EXPECT_EQ(tip.Tools().size(), 2u);
    EXPECT_EQ(tip.Tools().at(first).text, "Replaced");
    tip.RegisterTool(unregistered, 104);
    EXPECT_EQ(tip.Tools().at(unregistered).text, "Click here to display the tutorial.");
    tip.RegisterTool(unregistered, 9999);
    EXPECT_EQ(tip.Tools().at(unregistered).text, "");
}

TEST_F(TipWindowTest, EmptyTextShowsNoWindowWhileTheStatesRunAsUsual) {
    tip.RegisterTool(first, "");
    Move({150, 130});
    windows.Advance(500);
    EXPECT_EQ(tip.State(), TipState::Shown);
    EXPECT_FALSE(windows.IsVisible(tip.Window()));
    windows.Advance(5000);
    EXPECT_EQ(tip.State(), TipState::Hidden);
}

TEST_F(TipWindowTest, TextWithNothingToDrawOrTooTallToDrawShowsNoWindow) {
    std::string tall;
    for (int line = 0; line < 4000; ++line) {
        tall += "line<br>";
    }
    for (const std::string& text : {std::string("<b></b>"), tall}) {
        tip.RegisterTool(first, text);
        Move({150, 130});
        windows.Advance(500);
        EXPECT_FALSE(windows.IsVisible(tip.Window())) << text.size();
        EXPECT_FALSE(tip.Background()) << text.size();
        Move({110, 300});
    }
}

TEST_F(TipWindowTest, WithoutAWindowTheRelayIgnoresEverything) {
    CTipWindow unmade(windows, TestServices());
    unmade.RegisterTool(first, "x");
    windows.SetCursor({150, 130});
    unmade.RelayMessage({first, Code::MouseMove, {150, 130}});
    EXPECT_EQ(windows.RunningTimers(), 0u);
    EXPECT_EQ(unmade.State(), TipState::Hidden);
}

TEST_F(TipWindowTest, DestroyingTheWindowStopsEverything) {
    ShowFirst();
    const WindowHandle popup = tip.Window();
    tip.DestroyWindow();
    EXPECT_FALSE(tip.Window());
    EXPECT_FALSE(windows.TimerRunning(popup, CTipWindow::TimerDisplay));
    Move({250, 130});
    EXPECT_EQ(windows.RunningTimers(), 0u);
}

TEST_F(TipWindowTest, AnimationTimerTicksOnlyWhileAShownTipIsAnimated) {
    int steps = 0;
    bool animated = false;
    tip.SetAnimationHook({[&] { return animated; },
                          [&] {
                              ++steps;
                              return true;
                          }});
    ShowFirst();
    EXPECT_FALSE(windows.TimerRunning(tip.Window(), CTipWindow::TimerAnimation));
    Move({110, 300});

    animated = true;
    ShowFirst();
    EXPECT_TRUE(windows.TimerRunning(tip.Window(), CTipWindow::TimerAnimation));
    const int paints = windows.Get(tip.Window()).paints;
    windows.Advance(1000);
    EXPECT_EQ(steps, 10);
    EXPECT_EQ(windows.Get(tip.Window()).paints, paints); // redrawn through its own context
    Relay(Code::KeyDown);
    EXPECT_FALSE(windows.TimerRunning(tip.Window(), CTipWindow::TimerAnimation));
    windows.Advance(1000);
    EXPECT_EQ(steps, 10);

    tip.SetTiming(TipTiming::Animation, 0); // animations off: none even while animated
    Move({110, 300});
    ShowFirst();
    EXPECT_FALSE(windows.TimerRunning(tip.Window(), CTipWindow::TimerAnimation));
}

TEST_F(TipWindowTest, AnAnimatedStripInTheTipDrivesTheAnimationTimer) {
    tip.RegisterTool(first, "Working <ilst idres=140 cx=16 speed=5>");
    ShowFirst();
    EXPECT_TRUE(windows.TimerRunning(tip.Window(), CTipWindow::TimerAnimation));
    Move({110, 300});
    EXPECT_FALSE(windows.TimerRunning(tip.Window(), CTipWindow::TimerAnimation));

    tip.RegisterTool(first, "A still <ilst idres=140 cx=16 index=1> picture");
    ShowFirst();
    EXPECT_FALSE(windows.TimerRunning(tip.Window(), CTipWindow::TimerAnimation));
}

TEST_F(TipWindowTest, IdleTipWindowStartsNoTimerAtAll) {
    const unsigned long long before = windows.TimerStarts();
    windows.Advance(60000);
    Relay(Code::KeyDown, {110, 300});
    EXPECT_EQ(windows.TimerStarts(), before);
}

} // namespace

} // namespace tooltip::test
