#include "tooltip/window/CFakeWindowSystem.h"

#include <algorithm>

namespace tooltip::test {

namespace {

bool Inside(const gfx::Rect& r, gfx::Point p) {
    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

} // namespace

CFakeWindowSystem::CFakeWindowSystem() : m_screens{{0, 0, 1920, 1080}} {}

WindowHandle CFakeWindowSystem::AddWindow(WindowHandle parent, const gfx::Rect& screenRect,
                                          std::string className, unsigned style) {
    const WindowHandle handle{m_nextId++};
    Window& window = m_windows[handle.value];
    window.parent = parent;
    window.screenRect = screenRect;
    window.className = std::move(className);
    window.style = style;
    return handle;
}

const CFakeWindowSystem::Window* CFakeWindowSystem::Find(WindowHandle window) const {
    const auto it = m_windows.find(window.value);
    return it == m_windows.end() ? nullptr : &it->second;
}

void CFakeWindowSystem::Advance(unsigned milliseconds) {
    const unsigned long long end = m_now + milliseconds;
    for (;;) {
        auto next = std::min_element(m_timers.begin(), m_timers.end(),
                                     [](auto& a, auto& b) { return a.second.due < b.second.due; });
        if (next == m_timers.end() || next->second.due > end) {
            break;
        }
        m_now = next->second.due;
        next->second.due += std::max(next->second.period, 1u);
        const auto [window, id] = next->first;
        if (const Window* w = Find(WindowHandle{window}); w != nullptr && w->events != nullptr) {
            w->events->OnTimer(id);
        }
    }
    m_now = end;
}

bool CFakeWindowSystem::TimerRunning(WindowHandle window, unsigned id) const {
    return m_timers.contains({window.value, id});
}

gfx::CBitmap CFakeWindowSystem::PopupPixels(WindowHandle popup) const {
    const Window* w = Find(popup);
    return w != nullptr && w->dc ? w->dc->Bitmap() : gfx::CBitmap{};
}

WindowHandle CFakeWindowSystem::CreatePopup(WindowHandle owner, std::string_view className,
                                            IPopupEvents& events) {
    const WindowHandle popup = AddWindow(owner, {}, std::string(className));
    Window& w = Get(popup);
    w.visible = false;
    w.events = &events;
    w.dc = std::make_unique<gfx::CDc>(gfx::CBitmap::Create(1, 1));
    // A popup belongs to no parent window: it is a window of its own that its owner outlives.
    w.parent = {};
    m_lastPopup = popup;
    return popup;
}

void CFakeWindowSystem::DestroyPopup(WindowHandle popup) {
    std::erase_if(m_timers, [&](const auto& entry) { return entry.first.first == popup.value; });
    m_windows.erase(popup.value);
}

void CFakeWindowSystem::ShowPopup(WindowHandle popup, const gfx::Rect& screenRect,
                                  const gfx::CRegion& shape) {
    Window& w = Get(popup);
    w.screenRect = screenRect;
    w.shape = shape;
    w.visible = true;
    // The popup's pixels start as the screen under it, as a window without a background shows.
    w.dc = std::make_unique<gfx::CDc>(
        gfx::CBitmap::Create(std::max(screenRect.Width(), 1), std::max(screenRect.Height(), 1)));
    if (m_screenPicture) {
        w.dc->BitBlt(0, 0, screenRect.Width(), screenRect.Height(), gfx::CDc(m_screenPicture),
                     screenRect.left, screenRect.top);
    }
    ++w.paints;
    w.events->OnPaint(*w.dc);
}

void CFakeWindowSystem::HidePopup(WindowHandle popup) {
    Get(popup).visible = false;
}

bool CFakeWindowSystem::IsVisible(WindowHandle window) const {
    const Window* w = Find(window);
    return w != nullptr && w->visible;
}

gfx::CDc* CFakeWindowSystem::GetDc(WindowHandle popup) {
    Window* w = m_windows.contains(popup.value) ? &Get(popup) : nullptr;
    return w != nullptr ? w->dc.get() : nullptr;
}

void CFakeWindowSystem::SetCursorShape(WindowHandle popup, CursorShape shape) {
    Get(popup).cursor = shape;
}

void CFakeWindowSystem::SetTimer(WindowHandle window, unsigned id, unsigned milliseconds) {
    m_timers[{window.value, id}] = Timer{milliseconds, m_now + milliseconds};
    ++m_timerStarts;
}

void CFakeWindowSystem::KillTimer(WindowHandle window, unsigned id) {
    m_timers.erase({window.value, id});
}

bool CFakeWindowSystem::HitTest(std::uintptr_t id, gfx::Point screen) const {
    const Window& w = m_windows.at(id);
    if (!w.visible || !Inside(w.screenRect, screen)) {
        return false;
    }
    if (w.events != nullptr) { // a popup takes only the points of its shape
        return w.shape.Contains(screen.x - w.screenRect.left, screen.y - w.screenRect.top);
    }
    return true;
}

// Windows added later lie on top of earlier ones; disabled windows are passed over, so the point
// falls to the window beneath (their parent).
WindowHandle CFakeWindowSystem::DeepestAt(std::uintptr_t id, gfx::Point screen) const {
    for (auto it = m_windows.rbegin(); it != m_windows.rend(); ++it) {
        if (it->second.parent.value == id && it->second.enabled && HitTest(it->first, screen)) {
            return DeepestAt(it->first, screen);
        }
    }
    return WindowHandle{id};
}

WindowHandle CFakeWindowSystem::WindowFromPoint(gfx::Point screen) const {
    for (auto it = m_windows.rbegin(); it != m_windows.rend(); ++it) {
        if (!it->second.parent && it->second.enabled && HitTest(it->first, screen)) {
            return DeepestAt(it->first, screen);
        }
    }
    return {};
}

WindowHandle CFakeWindowSystem::Parent(WindowHandle window) const {
    const Window* w = Find(window);
    return w != nullptr ? w->parent : WindowHandle{};
}

WindowHandle CFakeWindowSystem::ChildFromPoint(WindowHandle window, gfx::Point client) const {
    const Window* w = Find(window);
    if (w == nullptr) {
        return {};
    }
    const gfx::Point screen{client.x + w->screenRect.left, client.y + w->screenRect.top};
    if (!Inside(w->screenRect, screen)) {
        return {};
    }
    for (auto it = m_windows.rbegin(); it != m_windows.rend(); ++it) {
        if (it->second.parent == window && it->second.visible &&
            Inside(it->second.screenRect, screen)) {
            return WindowHandle{it->first};
        }
    }
    return window;
}

gfx::Point CFakeWindowSystem::ScreenToClient(WindowHandle window, gfx::Point screen) const {
    const Window* w = Find(window);
    return w == nullptr ? screen
                        : gfx::Point{screen.x - w->screenRect.left, screen.y - w->screenRect.top};
}

bool CFakeWindowSystem::IsEnabled(WindowHandle window) const {
    const Window* w = Find(window);
    return w != nullptr && w->enabled;
}

std::string CFakeWindowSystem::ClassName(WindowHandle window) const {
    const Window* w = Find(window);
    return w != nullptr ? w->className : std::string();
}

unsigned CFakeWindowSystem::Style(WindowHandle window) const {
    const Window* w = Find(window);
    return w != nullptr ? w->style : 0;
}

} // namespace tooltip::test
