#pragma once
// A window system for tests: scripted windows with screen rectangles, a cursor the test moves, a
// virtual clock that fires timers only when the test advances it, and popups whose pixels start as
// a copy of a scripted screen picture.

#include "window/WindowSystem.h"

#include "gfx/CBitmap.h"
#include "gfx/CDc.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace tooltip::test {

class CFakeWindowSystem : public WindowSystem {
public:
    struct Window {
        WindowHandle parent;
        gfx::Rect screenRect;
        bool enabled = true;
        bool visible = true;
        std::string className;
        unsigned style = 0;
        // Popups only.
        IPopupEvents* events = nullptr;
        gfx::CRegion shape;
        std::unique_ptr<gfx::CDc> dc;
        int paints = 0;
        CursorShape cursor = CursorShape::Arrow;
    };

    CFakeWindowSystem();

    // --- scripting ---
    WindowHandle AddWindow(WindowHandle parent, const gfx::Rect& screenRect,
                           std::string className = "Button", unsigned style = 0);
    Window& Get(WindowHandle window) { return m_windows.at(window.value); }
    void SetScreens(std::vector<gfx::Rect> screens) { m_screens = std::move(screens); }
    // The picture of the virtual screen from (0, 0); popups start from the part under them.
    void SetScreenPicture(gfx::CBitmap picture) { m_screenPicture = std::move(picture); }
    void SetTranslucent(bool translucent) { m_translucent = translucent; }
    void SetCursor(gfx::Point point) { m_cursor = point; }
    // Runs the clock forward, firing each timer as it comes due.
    void Advance(unsigned milliseconds);
    [[nodiscard]] unsigned long long Now() const { return m_now; }
    [[nodiscard]] bool TimerRunning(WindowHandle window, unsigned id) const;
    [[nodiscard]] std::size_t RunningTimers() const { return m_timers.size(); }
    [[nodiscard]] unsigned long long TimerStarts() const { return m_timerStarts; }
    [[nodiscard]] WindowHandle LastPopup() const { return m_lastPopup; }
    // The popup's pixels as last put on the screen.
    [[nodiscard]] gfx::CBitmap PopupPixels(WindowHandle popup) const;

    // --- WindowSystem ---
    WindowHandle CreatePopup(WindowHandle owner, std::string_view className,
                             IPopupEvents& events) override;
    void DestroyPopup(WindowHandle popup) override;
    void ShowPopup(WindowHandle popup, const gfx::Rect& screenRect,
                   const gfx::CRegion& shape) override;
    void HidePopup(WindowHandle popup) override;
    bool IsVisible(WindowHandle window) const override;
    bool ComposesTranslucency(WindowHandle) const override { return m_translucent; }
    gfx::CDc* GetDc(WindowHandle popup) override;
    void ReleaseDc(WindowHandle) override {}
    void SetCursorShape(WindowHandle popup, CursorShape shape) override;
    void SetTimer(WindowHandle window, unsigned id, unsigned milliseconds) override;
    void KillTimer(WindowHandle window, unsigned id) override;
    WindowHandle WindowFromPoint(gfx::Point screen) const override;
    WindowHandle Parent(WindowHandle window) const override;
    WindowHandle ChildFromPoint(WindowHandle window, gfx::Point client) const override;
    gfx::Point ScreenToClient(WindowHandle window, gfx::Point screen) const override;
    bool IsEnabled(WindowHandle window) const override;
    std::string ClassName(WindowHandle window) const override;
    unsigned Style(WindowHandle window) const override;
    gfx::Point CursorPos() const override { return m_cursor; }
    std::vector<gfx::Rect> ScreenGeometries() const override { return m_screens; }

private:
    struct Timer {
        unsigned period = 0;
        unsigned long long due = 0;
    };
    using TimerKey = std::pair<std::uintptr_t, unsigned>;

    [[nodiscard]] const Window* Find(WindowHandle window) const;
    [[nodiscard]] bool HitTest(std::uintptr_t id, gfx::Point screen) const;
    [[nodiscard]] WindowHandle DeepestAt(std::uintptr_t id, gfx::Point screen) const;

    std::map<std::uintptr_t, Window> m_windows;
    std::uintptr_t m_nextId = 1;
    std::map<TimerKey, Timer> m_timers;
    unsigned long long m_now = 0;
    unsigned long long m_timerStarts = 0;
    gfx::Point m_cursor;
    std::vector<gfx::Rect> m_screens;
    gfx::CBitmap m_screenPicture;
    bool m_translucent = false;
    WindowHandle m_lastPopup;
};

} // namespace tooltip::test
