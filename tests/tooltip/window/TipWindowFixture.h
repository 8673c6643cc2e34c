#pragma once
// A dialog of scripted windows on the fake window system, with a tip window registered on its
// controls, and helpers that move the cursor and relay the messages as the owner would.

#include "tooltip/window/CFakeWindowSystem.h"
#include "tooltip/window/CTipWindow.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace tooltip::test {

inline constexpr gfx::ColorRef kInfoBackground = gfx::Rgb(255, 255, 225);
inline constexpr gfx::ColorRef kInfoText = gfx::Rgb(0, 0, 0);

inline HtmlDrawerServices TestServices() {
    HtmlDrawerServices services;
    services.loadString = [](int id) {
        static const std::map<int, std::string> strings{
            {104, "Click here to display the tutorial."}, {119, "Status <b>help me</b>"}};
        const auto it = strings.find(id);
        return it == strings.end() ? std::string() : it->second;
    };
    services.systemColours = [](syscolor::SysColour which) -> HtmlColour {
        switch (which) {
        case syscolor::SysColour::InfoBackground:
            return kInfoBackground;
        case syscolor::SysColour::InfoText:
            return kInfoText;
        default:
            return gfx::Rgb(192, 192, 192);
        }
    };
    return services;
}

class TipWindowTest : public ::testing::Test {
protected:
    TipWindowTest()
        : dialog(windows.AddWindow({}, {100, 100, 500, 400}, "#32770")),
          first(windows.AddWindow(dialog, {120, 120, 220, 150})),
          second(windows.AddWindow(dialog, {240, 120, 340, 150})),
          unregistered(windows.AddWindow(dialog, {360, 120, 460, 150})),
          tip(windows, TestServices()) {
        EXPECT_TRUE(tip.CreateTipWindow(dialog));
        tip.RegisterTool(first, "First tip");
        tip.RegisterTool(second, "Second tip");
    }

    // The cursor comes to `point` and the window under it hears of it.
    void Move(gfx::Point point) {
        windows.SetCursor(point);
        Relay(TipMessageCode::MouseMove, point);
    }
    void Relay(TipMessageCode code, gfx::Point point) {
        tip.RelayMessage({windows.WindowFromPoint(point), code, point});
    }
    void Relay(TipMessageCode code) { Relay(code, windows.CursorPos()); }
    [[nodiscard]] bool Shown() const {
        return tip.State() == TipState::Shown && windows.IsVisible(tip.Window());
    }
    // Rests on the first control until its tip is up.
    void ShowFirst() {
        Move({150, 130});
        windows.Advance(500);
        ASSERT_TRUE(Shown());
    }

    CFakeWindowSystem windows;
    WindowHandle dialog;
    WindowHandle first;
    WindowHandle second;
    WindowHandle unregistered;
    CTipWindow tip;
};

} // namespace tooltip::test
