#include "tooltip/window/CPreviewWindowSystem.h"

#include <algorithm>

namespace tooltip {

CPreviewWindowSystem::CPreviewWindowSystem(gfx::CBitmap screen) : m_screen(std::move(screen)) {}

gfx::CBitmap CPreviewWindowSystem::ScreenWithPopup() const {
    gfx::CBitmap picture = m_screen.Clone();
    if (m_visible && m_dc) {
        gfx::CDc dc(picture);
        // Only the popup's shape covers the screen.
        gfx::CRegion shape = m_shape;
        shape.Offset(m_popupRect.left, m_popupRect.top);
        dc.SelectClipRegion(shape);
        dc.BitBlt(m_popupRect.left, m_popupRect.top, m_popupRect.Width(), m_popupRect.Height(),
                  *m_dc, 0, 0);
    }
    return picture;
}

WindowHandle CPreviewWindowSystem::CreatePopup(WindowHandle, std::string_view,
                                               IPopupEvents& events) {
    m_events = &events;
    m_dc = std::make_unique<gfx::CDc>(gfx::CBitmap::Create(1, 1, m_screen.DevicePixelRatio()));
    return kPopup;
}

void CPreviewWindowSystem::DestroyPopup(WindowHandle) {
    m_events = nullptr;
    m_visible = false;
}

void CPreviewWindowSystem::ShowPopup(WindowHandle, const gfx::Rect& screenRect,
                                     const gfx::CRegion& shape) {
    m_popupRect = screenRect;
    m_shape = shape;
    m_visible = true;
    m_dc = std::make_unique<gfx::CDc>(gfx::CBitmap::Create(std::max(screenRect.Width(), 1),
                                                           std::max(screenRect.Height(), 1),
                                                           m_screen.DevicePixelRatio()));
    m_dc->BitBlt(0, 0, screenRect.Width(), screenRect.Height(), gfx::CDc(m_screen), screenRect.left,
                 screenRect.top);
    if (m_events != nullptr) {
        m_events->OnPaint(*m_dc);
    }
}

bool CPreviewWindowSystem::IsVisible(WindowHandle window) const {
    return window == kPopup ? m_visible : window == kOwner || window == kControl;
}

gfx::CDc* CPreviewWindowSystem::GetDc(WindowHandle popup) {
    return popup == kPopup ? m_dc.get() : nullptr;
}

bool CPreviewWindowSystem::OnScreen(gfx::Point point) const {
    return point.x >= 0 && point.y >= 0 && point.x < m_screen.Width() &&
           point.y < m_screen.Height();
}

WindowHandle CPreviewWindowSystem::WindowFromPoint(gfx::Point screen) const {
    if (m_visible && m_shape.Contains(screen.x - m_popupRect.left, screen.y - m_popupRect.top)) {
        return kPopup;
    }
    return OnScreen(screen) ? kControl : WindowHandle{};
}

WindowHandle CPreviewWindowSystem::Parent(WindowHandle window) const {
    return window == kControl ? kOwner : WindowHandle{};
}

WindowHandle CPreviewWindowSystem::ChildFromPoint(WindowHandle window, gfx::Point client) const {
    if (!OnScreen(client)) {
        return {};
    }
    return window == kOwner ? kControl : window;
}

gfx::Point CPreviewWindowSystem::ScreenToClient(WindowHandle window, gfx::Point screen) const {
    if (window == kPopup) {
        return {screen.x - m_popupRect.left, screen.y - m_popupRect.top};
    }
    return screen;
}

std::string CPreviewWindowSystem::ClassName(WindowHandle window) const {
    return window == kPopup ? "KeldwickTipWindow" : window == kOwner ? "#32770" : "Button";
}

std::vector<gfx::Rect> CPreviewWindowSystem::ScreenGeometries() const {
    return {{0, 0, m_screen.Width(), m_screen.Height()}};
}

} // namespace tooltip
