// The Qt window system under the offscreen platform: the questions the tip window asks about the
// widgets under a point, the translation of input events, timers, the popup, and the relay.

#include "window/CQtWindowSystem.h"
#include "window/QtTipMessages.h"

#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

using tooltip::TipMessageCode;
using tooltip::WindowHandle;

class QtWindowSystemTest : public ::testing::Test {
protected:
    QtWindowSystemTest() {
        dialog.setGeometry(100, 100, 400, 300);
        button = new QPushButton(QStringLiteral("Go"), &dialog);
        button->setGeometry(10, 10, 100, 30);
        disabled = new QPushButton(QStringLiteral("Off"), &dialog);
        disabled->setGeometry(120, 10, 100, 30);
        disabled->setEnabled(false);
        edit = new QPlainTextEdit(&dialog);
        edit->setGeometry(10, 60, 200, 100);
        combo = new QComboBox(&dialog);
        combo->setEditable(true);
        combo->setGeometry(10, 180, 200, 30);
        dialog.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    }

    gfx::Point Global(QWidget* widget, QPoint local) {
        const QPoint p = widget->mapToGlobal(local);
        return {p.x(), p.y()};
    }

    platformwindow::CQtWindowSystem windows;
    QWidget dialog;
    QPushButton* button = nullptr;
    QPushButton* disabled = nullptr;
    QPlainTextEdit* edit = nullptr;
    QComboBox* combo = nullptr;
};

TEST_F(QtWindowSystemTest, HandlesNameTheSameWidgetAndForgetDeletedOnes) {
    const WindowHandle handle = windows.HandleOf(button);
    EXPECT_TRUE(handle);
    EXPECT_EQ(windows.HandleOf(button), handle);
    EXPECT_EQ(windows.WidgetOf(handle), button);
    auto* temporary = new QWidget(&dialog);
    const WindowHandle gone = windows.HandleOf(temporary);
    delete temporary;
    EXPECT_EQ(windows.WidgetOf(gone), nullptr);
    EXPECT_FALSE(windows.HandleOf(nullptr));
}

TEST_F(QtWindowSystemTest, WindowsUnderAPointAreControlsWithTheirParents) {
    const WindowHandle under = windows.WindowFromPoint(Global(button, {5, 5}));
    EXPECT_EQ(windows.WidgetOf(under), button);
    EXPECT_EQ(windows.WidgetOf(windows.Parent(under)), &dialog);
    EXPECT_FALSE(windows.Parent(windows.HandleOf(&dialog))); // a window has no parent
    EXPECT_EQ(windows.ClassName(under), "Button");
    EXPECT_EQ(windows.ChildFromPoint(under, {5, 5}), under);

    // The text box's viewport is part of it.
    const WindowHandle text = windows.WindowFromPoint(Global(edit, {50, 50}));
    EXPECT_EQ(windows.WidgetOf(text), edit);
    EXPECT_EQ(windows.ChildFromPoint(text, {50, 50}), text);
    EXPECT_EQ(windows.ClassName(text), "Edit");

    // A disabled control lets the point fall to its parent, whose child under the point it is.
    const WindowHandle behind = windows.WindowFromPoint(Global(disabled, {5, 5}));
    EXPECT_EQ(windows.WidgetOf(behind), &dialog);
    const WindowHandle child = windows.ChildFromPoint(behind, {125, 15});
    EXPECT_EQ(windows.WidgetOf(child), disabled);
    EXPECT_FALSE(windows.IsEnabled(child));
    EXPECT_FALSE(windows.ChildFromPoint(behind, {-5, 15}));
}

TEST_F(QtWindowSystemTest, ScrollBarsOfATextBoxArePartsOfIt) {
    edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QCoreApplication::processEvents();
    for (QWidget* bar : {static_cast<QWidget*>(edit->verticalScrollBar()),
                         static_cast<QWidget*>(edit->horizontalScrollBar())}) {
        ASSERT_TRUE(bar->isVisible());
        const WindowHandle under = windows.WindowFromPoint(Global(bar, bar->rect().center()));
        EXPECT_EQ(windows.WidgetOf(under), edit) << bar->metaObject()->className();
    }
}

TEST_F(QtWindowSystemTest, EditableComboBoxReadsAsADropDownCombo) {
    const WindowHandle field = windows.WindowFromPoint(Global(combo, {20, 15}));
    EXPECT_EQ(windows.WidgetOf(field), combo->lineEdit());
    const WindowHandle parent = windows.Parent(field);
    EXPECT_EQ(windows.ClassName(parent), "ComboBox");
    EXPECT_EQ(windows.Style(parent) & 0x0Fu, tooltip::kComboStyleDropDown);
    combo->setEditable(false);
    EXPECT_EQ(windows.Style(parent) & 0x0Fu, 3u);
}

TEST_F(QtWindowSystemTest, InputEventsTranslateByTable) {
    const QPointF local(5, 5);
    const QPointF global(205, 305);
    const struct {
        QEvent::Type type;
        Qt::MouseButton button;
        TipMessageCode code;
    } rows[] = {
        {QEvent::MouseMove, Qt::NoButton, TipMessageCode::MouseMove},
        {QEvent::MouseButtonPress, Qt::LeftButton, TipMessageCode::LButtonDown},
        {QEvent::MouseButtonPress, Qt::RightButton, TipMessageCode::RButtonDown},
        {QEvent::MouseButtonRelease, Qt::LeftButton, TipMessageCode::LButtonUp},
        {QEvent::MouseButtonDblClick, Qt::MiddleButton, TipMessageCode::MButtonDblClk},
        {QEvent::MouseButtonPress, Qt::BackButton, TipMessageCode::Other},
    };
    for (const auto& row : rows) {
        const QMouseEvent event(row.type, local, global, row.button, row.button, Qt::NoModifier);
        const platformwindow::QtTipEvent translated = platformwindow::TranslateEvent(event);
        EXPECT_EQ(translated.code, row.code) << row.type;
        if (row.code != TipMessageCode::Other) {
            EXPECT_EQ(translated.screenPos, (gfx::Point{205, 305}));
        }
    }
    const QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier);
    EXPECT_EQ(platformwindow::TranslateEvent(key).code, TipMessageCode::KeyDown);
    const QKeyEvent alt(QEvent::KeyPress, Qt::Key_F, Qt::AltModifier);
    EXPECT_EQ(platformwindow::TranslateEvent(alt).code, TipMessageCode::SysKeyDown);
    const QKeyEvent release(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier);
    EXPECT_EQ(platformwindow::TranslateEvent(release).code, TipMessageCode::Other);
}

struct TimedPopup : tooltip::IPopupEvents {
    void OnPaint(gfx::CDc&) override {}
    void OnTimer(unsigned) override {
        if (firedAfterNs < 0) {
            firedAfterNs = clock.nsecsElapsed();
        }
    }
    void OnSetCursor() override {}
    void OnActivateApp(bool) override {}
    void OnPopupMessage(const tooltip::TipMessage&) override {}
    QElapsedTimer clock;
    qint64 firedAfterNs = -1;
};

// A display time must not end early: Qt's coarse timers may fire up to 5 % before their time.
TEST_F(QtWindowSystemTest, PopupTimersNeverFireBeforeTheirTime) {
    TimedPopup events;
    const WindowHandle popup = windows.CreatePopup(windows.HandleOf(&dialog), "Tip", events);
    constexpr unsigned kPeriod = 200;
    for (int round = 0; round < 8; ++round) {
        QTest::qWait(7 * round); // starts at different phases of the coarse timers' grid
        events.firedAfterNs = -1;
        events.clock.start();
        windows.SetTimer(popup, 257, kPeriod);
        QTRY_VERIFY_WITH_TIMEOUT(events.firedAfterNs >= 0, 5000);
        windows.KillTimer(popup, 257);
        EXPECT_GE(events.firedAfterNs, (kPeriod - 1) * 1000000LL) << round;
    }
    windows.DestroyPopup(popup);
}

struct RecordingPopup : tooltip::IPopupEvents, tooltip::ITipMessageSink {
    void OnPaint(gfx::CDc& dc) override {
        ++paints;
        dc.FillSolidRect({0, 0, 200, 200}, gfx::Rgb(255, 0, 0));
    }
    void OnTimer(unsigned id) override { timers.push_back(id); }
    void OnSetCursor() override {}
    void OnActivateApp(bool) override {}
    void OnPopupMessage(const tooltip::TipMessage&) override {}
    void RelayMessage(const tooltip::TipMessage& message) override {
        relayed.push_back(message.code);
        positions.push_back(message.screenPos);
    }
    int paints = 0;
    std::vector<unsigned> timers;
    std::vector<TipMessageCode> relayed;
    std::vector<gfx::Point> positions;
};

TEST_F(QtWindowSystemTest, PopupShowsWithoutTakingTheFocusAndRunsItsTimers) {
    RecordingPopup events;
    const WindowHandle popup = windows.CreatePopup(windows.HandleOf(&dialog), "Tip", events);
    ASSERT_TRUE(popup);
    EXPECT_FALSE(windows.IsVisible(popup));
    ASSERT_NE(windows.GetDc(popup), nullptr);
    button->setFocus();
    windows.ShowPopup(popup, {300, 300, 360, 340}, gfx::CRegion::FromRect({0, 0, 60, 40}));
    EXPECT_TRUE(windows.IsVisible(popup));
    EXPECT_EQ(windows.WidgetOf(popup)->geometry(), QRect(300, 300, 60, 40));
    QTRY_VERIFY_WITH_TIMEOUT(events.paints > 0, 5000);
    EXPECT_EQ(QApplication::focusWidget(), button);

    windows.SetTimer(popup, 257, 10);
    QTRY_VERIFY_WITH_TIMEOUT(events.timers.size() >= 2, 5000);
    windows.KillTimer(popup, 257);
    EXPECT_EQ(events.timers.front(), 257u);

    windows.HidePopup(popup);
    EXPECT_FALSE(windows.IsVisible(popup));
    windows.DestroyPopup(popup);
    EXPECT_EQ(windows.WidgetOf(popup), nullptr);
}

TEST_F(QtWindowSystemTest, RelayHandsTheOwnersEventsToTheSinkFirst) {
    RecordingPopup sink;
    const WindowHandle popup = windows.CreatePopup(windows.HandleOf(&dialog), "Tip", sink);
    windows.RelayEvents(dialog, popup, sink);
    EXPECT_TRUE(button->hasMouseTracking());
    auto* later = new QPushButton(&dialog);
    EXPECT_TRUE(later->hasMouseTracking());

    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::keyClick(button, Qt::Key_X);
    ASSERT_GE(sink.relayed.size(), 3u);
    EXPECT_EQ(sink.relayed.front(), TipMessageCode::LButtonDown);
    EXPECT_NE(std::find(sink.relayed.begin(), sink.relayed.end(), TipMessageCode::KeyDown),
              sink.relayed.end());

    // A page inside the window hears the whole window, as its tip must go when the user works on.
    auto* page = new QWidget(&dialog);
    page->setGeometry(0, 250, 400, 50);
    RecordingPopup pageSink;
    const WindowHandle pagePopup = windows.CreatePopup(windows.HandleOf(page), "Tip", pageSink);
    windows.RelayEvents(*page, pagePopup, pageSink);
    QTest::keyClick(button, Qt::Key_Z);
    EXPECT_FALSE(pageSink.relayed.empty());
    windows.DestroyPopup(pagePopup);

    QWidget stranger;
    QTest::keyClick(&stranger, Qt::Key_X); // another window's events are not relayed
    const std::size_t count = sink.relayed.size();
    QTest::keyClick(&stranger, Qt::Key_Y);
    EXPECT_EQ(sink.relayed.size(), count);

    windows.DestroyPopup(popup); // forgets the sink
    QTest::keyClick(button, Qt::Key_X);
    EXPECT_EQ(sink.relayed.size(), count);
}

// The tip window compares a move's position with a later query of the cursor to learn that the
// cursor rests: a move with a fractional position must carry what the query answers.
TEST_F(QtWindowSystemTest, RelayedMovesCarryTheCursorPositionTheQueryReturns) {
    RecordingPopup sink;
    const WindowHandle popup = windows.CreatePopup(windows.HandleOf(&dialog), "Tip", sink);
    windows.RelayEvents(dialog, popup, sink);
    const QPoint origin = button->mapToGlobal(QPoint(0, 0));
    for (const QPointF fraction : {QPointF(21.6, 15.3), QPointF(22.3, 15.7), QPointF(20.2, 15.3)}) {
        const QPointF global = QPointF(origin) + fraction;
        QCursor::setPos(static_cast<int>(global.x()), static_cast<int>(global.y()));
        QMouseEvent move(QEvent::MouseMove, fraction, global, Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(button, &move);
        ASSERT_FALSE(sink.positions.empty());
        EXPECT_EQ(sink.positions.back(), windows.CursorPos()) << global.x() << "," << global.y();
    }
    windows.DestroyPopup(popup);
}

} // namespace
