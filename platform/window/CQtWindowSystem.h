#pragma once
// The window system of the desktop program, through Qt Widgets: tip popups, questions about the
// widgets under a point (widgets stand for windows; each gets a handle the first time it is
// named), the cursor, the screens, and the relay of every owner's input events to its tip window.

#include "window/CQtMessageRelay.h"
#include "window/WindowSystem.h"

#include <QPointer>
#include <QWidget>

#include <map>

namespace platformwindow {

class CTipPopup;

class CQtWindowSystem : public tooltip::WindowSystem {
public:
    CQtWindowSystem();
    ~CQtWindowSystem() override;

    // The one the program's windows share; made at first use, after the application object.
    static CQtWindowSystem& Shared();

    [[nodiscard]] tooltip::WindowHandle HandleOf(QWidget* widget) const;
    [[nodiscard]] QWidget* WidgetOf(tooltip::WindowHandle window) const;
    // Every input event of owner and its controls reaches sink first (see CQtMessageRelay).
    void RelayEvents(QWidget& owner, tooltip::WindowHandle popup, tooltip::ITipMessageSink& sink);

    tooltip::WindowHandle CreatePopup(tooltip::WindowHandle owner, std::string_view className,
                                      tooltip::IPopupEvents& events) override;
    void DestroyPopup(tooltip::WindowHandle popup) override;
    void ShowPopup(tooltip::WindowHandle popup, const gfx::Rect& screenRect,
                   const gfx::CRegion& shape) override;
    void HidePopup(tooltip::WindowHandle popup) override;
    bool IsVisible(tooltip::WindowHandle window) const override;
    bool ComposesTranslucency(tooltip::WindowHandle popup) const override;
    gfx::CDc* GetDc(tooltip::WindowHandle popup) override;
    void ReleaseDc(tooltip::WindowHandle popup) override;
    void SetCursorShape(tooltip::WindowHandle popup, tooltip::CursorShape shape) override;
    void SetTimer(tooltip::WindowHandle popup, unsigned id, unsigned milliseconds) override;
    void KillTimer(tooltip::WindowHandle popup, unsigned id) override;
    tooltip::WindowHandle WindowFromPoint(gfx::Point screen) const override;
    tooltip::WindowHandle Parent(tooltip::WindowHandle window) const override;
    tooltip::WindowHandle ChildFromPoint(tooltip::WindowHandle window,
                                         gfx::Point client) const override;
    gfx::Point ScreenToClient(tooltip::WindowHandle window, gfx::Point screen) const override;
    bool IsEnabled(tooltip::WindowHandle window) const override;
    std::string ClassName(tooltip::WindowHandle window) const override;
    unsigned Style(tooltip::WindowHandle window) const override;
    gfx::Point CursorPos() const override;
    std::vector<gfx::Rect> ScreenGeometries() const override;

    // Whether the desktop blends windows by their alpha (Wayland always; X11 while a compositing
    // manager runs).
    [[nodiscard]] static bool DesktopComposites();

private:
    [[nodiscard]] CTipPopup* PopupOf(tooltip::WindowHandle popup) const;

    mutable std::map<std::uintptr_t, QPointer<QWidget>> m_widgets;
    mutable std::uintptr_t m_nextHandle = 1;
    CQtMessageRelay m_relay;
};

} // namespace platformwindow
