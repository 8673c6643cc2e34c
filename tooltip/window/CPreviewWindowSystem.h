#pragma once
// A window system without a display, for previews of whole tips: one owner window with one
// control covering a screen whose picture the caller gives, and one popup whose pixels start as
// the part of that picture under it. Timers never fire, so a tip window over it shows a tip only
// with an initial delay of 0.

#include "window/WindowSystem.h"

#include "gfx/CBitmap.h"
#include "gfx/CDc.h"

#include <memory>

namespace tooltip {

class CPreviewWindowSystem : public WindowSystem {
public:
    // The screen spans the picture (logical size); popups get the picture's device pixel ratio.
    explicit CPreviewWindowSystem(gfx::CBitmap screen);

    [[nodiscard]] WindowHandle Owner() const { return kOwner; }
    [[nodiscard]] WindowHandle Control() const { return kControl; }
    void SetCursor(gfx::Point point) { m_cursor = point; }
    // The screen with the popup on it, as the user would see it.
    [[nodiscard]] gfx::CBitmap ScreenWithPopup() const;
    [[nodiscard]] const gfx::Rect& PopupRect() const { return m_popupRect; }

    WindowHandle CreatePopup(WindowHandle owner, std::string_view className,
                             IPopupEvents& events) override;
    void DestroyPopup(WindowHandle popup) override;
    void ShowPopup(WindowHandle popup, const gfx::Rect& screenRect,
                   const gfx::CRegion& shape) override;
    void HidePopup(WindowHandle) override { m_visible = false; }
    bool IsVisible(WindowHandle window) const override;
    bool ComposesTranslucency(WindowHandle) const override { return false; }
    gfx::CDc* GetDc(WindowHandle popup) override;
    void ReleaseDc(WindowHandle) override {}
    void SetCursorShape(WindowHandle, CursorShape) override {}
    void SetTimer(WindowHandle, unsigned, unsigned) override {}
    void KillTimer(WindowHandle, unsigned) override {}
    WindowHandle WindowFromPoint(gfx::Point screen) const override;
    WindowHandle Parent(WindowHandle window) const override;
    WindowHandle ChildFromPoint(WindowHandle window, gfx::Point client) const override;
    gfx::Point ScreenToClient(WindowHandle window, gfx::Point screen) const override;
    bool IsEnabled(WindowHandle) const override { return true; }
    std::string ClassName(WindowHandle window) const override;
    unsigned Style(WindowHandle) const override { return 0; }
    gfx::Point CursorPos() const override { return m_cursor; }
    std::vector<gfx::Rect> ScreenGeometries() const override;

private:
    static constexpr WindowHandle kOwner{1};
    static constexpr WindowHandle kControl{2};
    static constexpr WindowHandle kPopup{3};

    [[nodiscard]] bool OnScreen(gfx::Point point) const;

    gfx::CBitmap m_screen;
    gfx::Point m_cursor;
    IPopupEvents* m_events = nullptr;
    bool m_visible = false;
    gfx::Rect m_popupRect;
    gfx::CRegion m_shape;
    std::unique_ptr<gfx::CDc> m_dc;
};

} // namespace tooltip
