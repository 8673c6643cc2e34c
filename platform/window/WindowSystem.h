#pragma once
// What the tip window needs of the windowing system, in its own words: a top-most popup that never
// takes the focus, questions about the windows under a point, per-window timers, the cursor, the
// screens, and device contexts to paint the popup with. The desktop program answers through Qt;
// tests answer through a fake with scripted windows and a virtual clock.

#include "gfx/CDc.h"
#include "gfx/CRegion.h"
#include "gfx/GfxTypes.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tooltip {

// A window of the windowing system; the null handle names no window.
struct WindowHandle {
    std::uintptr_t value = 0;

    explicit operator bool() const { return value != 0; }
    friend bool operator==(const WindowHandle&, const WindowHandle&) = default;
    friend auto operator<=>(const WindowHandle&, const WindowHandle&) = default;
};

// The messages the tip window tells apart; every other message is Other. The values are those
// of the platform's window messages, so logs and tables read alike.
enum class TipMessageCode : unsigned {
    Other = 0,
    MouseMove = 0x0200,
    LButtonDown = 0x0201,
    LButtonUp = 0x0202,
    LButtonDblClk = 0x0203,
    RButtonDown = 0x0204,
    RButtonUp = 0x0205,
    RButtonDblClk = 0x0206,
    MButtonDown = 0x0207,
    MButtonUp = 0x0208,
    MButtonDblClk = 0x0209,
    MouseWheel = 0x020A,
    NcLButtonDown = 0x00A1,
    NcLButtonDblClk = 0x00A3,
    NcRButtonDown = 0x00A4,
    NcRButtonDblClk = 0x00A6,
    NcMButtonDown = 0x00A7,
    NcMButtonDblClk = 0x00A9,
    KeyDown = 0x0100,
    SysKeyDown = 0x0104,
};

// One message on its way to a window: the window it is aimed at, what it is, and where the cursor
// was when it was sent (screen coordinates).
struct TipMessage {
    WindowHandle window;
    TipMessageCode code = TipMessageCode::Other;
    gfx::Point screenPos;
};

// Whoever wants to see every message of a window before the window handles it.
class ITipMessageSink {
public:
    virtual ~ITipMessageSink() = default;
    virtual void RelayMessage(const TipMessage& message) = 0;
};

enum class CursorShape { Arrow, Hand };

// What the windowing system tells a popup it made.
class IPopupEvents {
public:
    virtual ~IPopupEvents() = default;
    // The popup is to be painted into dc, which holds what the popup showed before (the screen
    // under it at the first paint after it was shown).
    virtual void OnPaint(gfx::CDc& dc) = 0;
    virtual void OnTimer(unsigned id) = 0;
    // The cursor moved over the popup: choose its shape.
    virtual void OnSetCursor() = 0;
    // Another application became active (false) or this one did (true).
    virtual void OnActivateApp(bool active) = 0;
    // A message aimed at the popup itself, before the popup handles it.
    virtual void OnPopupMessage(const TipMessage& message) = 0;
};

// Low four bits of a combo box's style: an edit field with a drop-down list.
inline constexpr unsigned kComboStyleDropDown = 2;

class WindowSystem {
public:
    virtual ~WindowSystem() = default;

    // --- the popup ---
    // A hidden, top-most popup without a title that is never activated, owned by owner; the null
    // handle when it cannot be made. Its events go to events until it is destroyed.
    [[nodiscard]] virtual WindowHandle CreatePopup(WindowHandle owner, std::string_view className,
                                                   IPopupEvents& events) = 0;
    virtual void DestroyPopup(WindowHandle popup) = 0;
    // Gives the popup its shape (popup coordinates), moves it to screenRect and shows it without
    // activating it; the popup then paints.
    virtual void ShowPopup(WindowHandle popup, const gfx::Rect& screenRect,
                           const gfx::CRegion& shape) = 0;
    virtual void HidePopup(WindowHandle popup) = 0;
    [[nodiscard]] virtual bool IsVisible(WindowHandle window) const = 0;
    // True when the windowing system blends the popup's pixels by their alpha over what lies
    // beneath (a compositing desktop); then the popup cannot see the screen and draws its shadow
    // as black with alpha.
    [[nodiscard]] virtual bool ComposesTranslucency(WindowHandle popup) const = 0;
    // A device context on the popup's pixels (logical size of the popup, its device pixel ratio),
    // valid until ReleaseDc, which puts what was drawn on the screen. Null while the popup has no
    // pixels.
    [[nodiscard]] virtual gfx::CDc* GetDc(WindowHandle popup) = 0;
    virtual void ReleaseDc(WindowHandle popup) = 0;
    virtual void SetCursorShape(WindowHandle popup, CursorShape shape) = 0;

    // --- timers: a timer of a window fires OnTimer(id) every period until killed ---
    virtual void SetTimer(WindowHandle popup, unsigned id, unsigned milliseconds) = 0;
    virtual void KillTimer(WindowHandle popup, unsigned id) = 0;

    // --- questions about windows ---
    // The deepest enabled, visible window under the screen point.
    [[nodiscard]] virtual WindowHandle WindowFromPoint(gfx::Point screen) const = 0;
    [[nodiscard]] virtual WindowHandle Parent(WindowHandle window) const = 0;
    // The child of window under the point (window coordinates), whether enabled or not; window
    // itself when no child is there; null when the point lies outside window.
    [[nodiscard]] virtual WindowHandle ChildFromPoint(WindowHandle window,
                                                      gfx::Point client) const = 0;
    [[nodiscard]] virtual gfx::Point ScreenToClient(WindowHandle window,
                                                    gfx::Point screen) const = 0;
    [[nodiscard]] virtual bool IsEnabled(WindowHandle window) const = 0;
    [[nodiscard]] virtual std::string ClassName(WindowHandle window) const = 0;
    [[nodiscard]] virtual unsigned Style(WindowHandle window) const = 0;

    // --- cursor and screens ---
    [[nodiscard]] virtual gfx::Point CursorPos() const = 0;
    // The geometry of every monitor, in the virtual screen's coordinates.
    [[nodiscard]] virtual std::vector<gfx::Rect> ScreenGeometries() const = 0;
};

} // namespace tooltip
