#pragma once
// A popup that shows a rich tip for the controls of a window. The owner registers its controls as
// tools, each with a tip text in the tip markup, and hands every message it receives to
// RelayMessage first; from those messages the tip window decides when a tip appears (the cursor
// has rested on a tool for the initial delay), where (a balloon whose anchor points at the
// cursor, kept on the virtual screen), and when it goes (the display time, a click, a key, a move
// within the tool, another application becoming active).
//
// States: Hidden with no timer; Hidden while the initial delay runs for the pending tool; Shown.
// The display timer runs while Shown (unless the display time is 0); the animation timer runs only
// while a shown tip holds an animated picture.

#include "tooltip/drawer/CHtmlDrawer.h"
#include "tooltip/window/TipPlacement.h"
#include "window/WindowSystem.h"

#include "gfx/CBitmap.h"
#include "gfx/CBrush.h"
#include "gfx/CRegion.h"

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace tooltip {

enum class TipTiming : int { Display = 2, Initial = 3, Animation = 6 };

enum class TipState { Hidden, Shown };

struct TipTool {
    std::string text; // tip markup
};

// How the tip window learns whether the shown tip is animated and advances it; the drawer's
// image animations plug in here.
struct TipAnimationHook {
    // True while the prepared tip holds an animated picture. Empty: the drawer's HasAnimation.
    std::function<bool()> hasAnimation;
    // Advances the animations one step; true when a frame changed. Empty: the drawer's OnTimer.
    std::function<bool()> step;
};

class CTipWindow : private IPopupEvents, private IHtmlMessageTarget, public ITipMessageSink {
public:
    static constexpr const char* kClassName = "KeldwickTipWindow";
    static constexpr unsigned TimerInitial = 256;
    static constexpr unsigned TimerDisplay = 257;
    static constexpr unsigned TimerAnimation = 260;
    static constexpr unsigned kDefaultInitialDelay = 500;
    static constexpr unsigned kDefaultDisplayTime = 5000;
    static constexpr unsigned kAnimationPeriod = 100;

    // The drawer gets the services; its hand cursor is this window's. The tip's colours come from
    // the services' system colours (the application palette when empty).
    explicit CTipWindow(WindowSystem& windows, HtmlDrawerServices services = {});
    ~CTipWindow() override;
    CTipWindow(const CTipWindow&) = delete;
    CTipWindow& operator=(const CTipWindow&) = delete;

    // Makes the popup, owned by parent. False when it cannot be made: the relay then ignores
    // every message.
    [[nodiscard]] bool CreateTipWindow(WindowHandle parent);
    void DestroyWindow();

    void SetTiming(TipTiming kind, unsigned milliseconds);
    void SetWrapWidth(int pixels) { m_drawer.SetMaxWidth(pixels); }
    // Registering a window again replaces its text.
    void RegisterTool(WindowHandle window, std::string_view text);
    // The text of the string table's entry (empty when there is none).
    void RegisterTool(WindowHandle window, int stringId);
    void SetAnimationHook(TipAnimationHook hook) { m_animation = std::move(hook); }

    void RelayMessage(const TipMessage& message) override;

    // --- for the owner's accessibility, previews and tests ---
    [[nodiscard]] WindowHandle Window() const { return m_window; }
    [[nodiscard]] TipState State() const { return m_state; }
    [[nodiscard]] const std::map<WindowHandle, TipTool>& Tools() const { return m_toolsByWindow; }
    [[nodiscard]] WindowHandle CurrentTool() const { return m_currentTool; }
    [[nodiscard]] const TipSettings& Settings() const { return m_settings; }
    [[nodiscard]] const TipPlacement& Placement() const { return m_placement; }
    [[nodiscard]] const gfx::Rect& TextRect() const { return m_textRect; }
    [[nodiscard]] const gfx::Rect& WindowRect() const { return m_windowRect; }
    [[nodiscard]] const gfx::CRegion& TipRegion() const { return m_tipRegion; }
    [[nodiscard]] const gfx::CBitmap& Background() const { return m_background; }
    [[nodiscard]] CHtmlDrawer& Drawer() { return m_drawer; }
    [[nodiscard]] unsigned DisplayTime() const { return m_displayTime; }
    [[nodiscard]] unsigned InitialDelay() const { return m_initialDelay; }

    // The virtual screen's metrics over all monitors, by the platform's metric indexes:
    // 76 left, 77 top, 78 width, 79 height, 80 monitor count; 0 for any other.
    [[nodiscard]] int GetVirtualScreenMetric(int index) const;

    // Measures the pending tool's text, places and shapes the tip so that its anchor points at
    // `point` (screen coordinates) and shows it. Nothing for a text with nothing to show, nor for
    // one too large to draw.
    void ShowPendingTool(gfx::Point point);
    // Composes the tip into dc (a context on the popup's pixels).
    void DrawTip(gfx::CDc& dc);
    // Takes the popup's own context, draws, and puts the result on the screen.
    void DrawTipNow();

protected:
    // Frames the tip's shape; a subclass may draw its own border.
    virtual void OnDrawBorder(gfx::CDc& dc, const gfx::CRegion& region);

private:
    class HandCursor : public IHtmlCursor {
    public:
        explicit HandCursor(CTipWindow& owner) : m_owner(owner) {}
        void SetHandCursor() override;

    private:
        CTipWindow& m_owner;
    };

    // Popup events.
    void OnPaint(gfx::CDc& dc) override;
    void OnTimer(unsigned id) override;
    void OnSetCursor() override;
    void OnActivateApp(bool active) override;
    void OnPopupMessage(const TipMessage& message) override;
    // Reports of the drawer.
    void SendMessage(unsigned message, std::intptr_t wParam, std::intptr_t lParam) override;

    void OnMouseMove(const TipMessage& message);
    void OnLButtonDown(const TipMessage& message);
    [[nodiscard]] WindowHandle FindToolAt(gfx::Point point) const;
    [[nodiscard]] bool CursorOverTip() const;
    void ScheduleTool(WindowHandle window);
    void OnInitialExpired();
    void OnDisplayExpired();
    void OnAnimationTick();
    void EndTip();
    void KillTip();
    void StartAnimationIfNeeded();
    void StopAnimation();
    [[nodiscard]] bool ShownTipIsAnimated() const;
    // False when there is nothing to show or the tip's pictures cannot be made.
    [[nodiscard]] bool LayOutTip(gfx::CDc& dc, gfx::Point point);
    [[nodiscard]] gfx::Rect VirtualScreen() const;
    void ReleaseShowState();

    WindowSystem& m_windows;
    HandCursor m_handCursor;
    CHtmlDrawer m_drawer;
    WindowHandle m_parent;
    WindowHandle m_window;
    gfx::Point m_lastMousePos{-1, -1};
    WindowHandle m_currentTool; // the tool whose tip was last painted
    WindowHandle m_pendingTool;
    std::string m_pendingText;
    TipState m_state = TipState::Hidden;
    unsigned m_displayTime = kDefaultDisplayTime;
    unsigned m_initialDelay = kDefaultInitialDelay;
    unsigned m_animationPeriod = 0;
    bool m_animationRunning = false;
    TipAnimationHook m_animation;
    HtmlStringLoader m_loadString;

    // Display settings and what each show lays out.
    TipSettings m_settings;
    gfx::ColorRef m_backgroundColour = 0;
    gfx::CBrush m_borderBrush;
    gfx::Rect m_textRect;
    gfx::Rect m_bodyRect;
    gfx::Rect m_windowRect; // with the shadow once shown
    TipPlacement m_placement;
    gfx::CRegion m_tipRegion;
    gfx::CBitmap m_background;
    gfx::CBitmap m_screen;   // what lay under the window at the first paint after a show
    gfx::CBitmap m_shadowed; // the screen with the shadow cast on it, for every repaint
    gfx::CBitmap m_content;  // the tip's own pixels, redrawn at every paint

    std::map<WindowHandle, TipTool> m_toolsByWindow;
};

} // namespace tooltip
