#include "tooltip/window/CTipWindow.h"

#include "syscolor/SysColour.h"

#include <algorithm>
#include <cctype>
#include <utility>

namespace tooltip {

namespace {

// Whether a relayed message hides a shown tip at once: presses, double clicks, the wheel and keys;
// never releases.
bool KillsTip(TipMessageCode code) {
    constexpr TipMessageCode kKillers[] = {
        TipMessageCode::LButtonDblClk, TipMessageCode::RButtonDown,
        TipMessageCode::RButtonDblClk, TipMessageCode::MButtonDown,
        TipMessageCode::MButtonDblClk, TipMessageCode::MouseWheel,
        TipMessageCode::NcLButtonDown, TipMessageCode::NcLButtonDblClk,
        TipMessageCode::NcRButtonDown, TipMessageCode::NcRButtonDblClk,
        TipMessageCode::NcMButtonDown, TipMessageCode::NcMButtonDblClk,
        TipMessageCode::KeyDown,       TipMessageCode::SysKeyDown,
    };
    return std::find(std::begin(kKillers), std::end(kKillers), code) != std::end(kKillers);
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

gfx::ColorRef ReadColour(const HtmlDrawerServices& services, syscolor::SysColour which) {
    return services.systemColours ? services.systemColours(which) : syscolor::GetSysColour(which);
}

HtmlDrawerServices WithCursor(HtmlDrawerServices services, IHtmlCursor* cursor) {
    services.handCursor = cursor;
    return services;
}

} // namespace

CTipWindow::CTipWindow(WindowSystem& windows, HtmlDrawerServices services)
    : m_windows(windows), m_handCursor(*this), m_drawer(WithCursor(services, &m_handCursor)),
      m_loadString(services.loadString) {
    m_backgroundColour = ReadColour(services, syscolor::SysColour::InfoBackground);
    m_borderBrush = gfx::CBrush(ReadColour(services, syscolor::SysColour::InfoText));
    m_drawer.SetMaxWidth(0);
    SetTiming(TipTiming::Initial, kDefaultInitialDelay);
    SetTiming(TipTiming::Display, kDefaultDisplayTime);
}

CTipWindow::~CTipWindow() {
    if (m_window) {
        DestroyWindow();
    }
}

bool CTipWindow::CreateTipWindow(WindowHandle parent) {
    if (m_window) {
        return true;
    }
    m_parent = parent;
    m_window = m_windows.CreatePopup(parent, kClassName, *this);
    if (!m_window) {
        return false;
    }
    m_settings = TipSettings{};
    m_drawer.SetHoverCallback(this);
    SetTiming(TipTiming::Animation, kAnimationPeriod);
    return true;
}

void CTipWindow::DestroyWindow() {
    if (!m_window) {
        return;
    }
    KillTip();
    SetTiming(TipTiming::Animation, 0);
    m_drawer.SetHoverCallback(nullptr);
    m_windows.DestroyPopup(std::exchange(m_window, WindowHandle{}));
    ReleaseShowState();
}

void CTipWindow::SetTiming(TipTiming kind, unsigned milliseconds) {
    switch (kind) {
    case TipTiming::Display:
        m_displayTime = milliseconds;
        break;
    case TipTiming::Initial:
        m_initialDelay = milliseconds;
        break;
    case TipTiming::Animation:
        // The period is kept; the timer itself runs only while a shown tip is animated, so an
        // idle program is not woken ten times a second for nothing.
        StopAnimation();
        m_animationPeriod = milliseconds;
        StartAnimationIfNeeded();
        break;
    }
}

void CTipWindow::RegisterTool(WindowHandle window, std::string_view text) {
    m_toolsByWindow[window].text = std::string(text);
}

void CTipWindow::RegisterTool(WindowHandle window, int stringId) {
    RegisterTool(window, m_loadString ? m_loadString(stringId) : std::string());
}

void CTipWindow::RelayMessage(const TipMessage& message) {
    if (!m_window) {
        return;
    }
    switch (message.code) {
    case TipMessageCode::MouseMove:
        OnMouseMove(message);
        break;
    case TipMessageCode::LButtonDown:
        OnLButtonDown(message);
        break;
    default:
        if (KillsTip(message.code)) {
            KillTip();
        }
        break;
    }
}

void CTipWindow::OnMouseMove(const TipMessage& message) {
    if (message.screenPos == m_lastMousePos) {
        return;
    }
    m_lastMousePos = message.screenPos;
    if (CursorOverTip()) {
        EndTip();
        return;
    }
    const WindowHandle tool = FindToolAt(message.screenPos);
    if (!tool) {
        m_currentTool = {};
        m_windows.KillTimer(m_window, TimerInitial);
        EndTip();
        return;
    }
    if (tool == m_currentTool) {
        // Any move within the control whose tip is up hides it; it comes back only after the
        // cursor has left the control. A delay still running was started for another control
        // the cursor has since left (A, on to B, back to A): it must not show B's tip over A.
        m_windows.KillTimer(m_window, TimerInitial);
        EndTip();
        return;
    }
    ScheduleTool(tool);
}

void CTipWindow::OnLButtonDown(const TipMessage& message) {
    if (CursorOverTip()) {
        const gfx::Point client = m_windows.ScreenToClient(m_window, message.screenPos);
        m_drawer.OnLButtonDown({client.x, client.y});
    }
    KillTip();
}

bool CTipWindow::CursorOverTip() const {
    return m_windows.IsVisible(m_window) &&
           m_windows.WindowFromPoint(m_windows.CursorPos()) == m_window;
}

WindowHandle CTipWindow::FindToolAt(gfx::Point point) const {
    const WindowHandle under = m_windows.WindowFromPoint(point);
    if (!under) {
        return {};
    }
    const WindowHandle parent = m_windows.Parent(under);
    if (!parent) {
        return {};
    }
    WindowHandle candidate;
    // The edit field of a drop-down combo box shows the combo box's tip.
    if ((m_windows.Style(parent) & 0x0Fu) == kComboStyleDropDown &&
        EqualsIgnoringCase(m_windows.ClassName(parent), "combobox")) {
        candidate = parent;
    } else {
        candidate = m_windows.ChildFromPoint(under, m_windows.ScreenToClient(under, point));
    }
    // The window under the point skips disabled controls, so the child under the point finds a
    // disabled control here, and it shows no tip.
    if (!candidate || !m_windows.IsEnabled(candidate)) {
        return {};
    }
    return m_toolsByWindow.contains(candidate) ? candidate : WindowHandle{};
}

void CTipWindow::ScheduleTool(WindowHandle window) {
    if (m_state == TipState::Shown) {
        EndTip();
    }
    m_pendingTool = window;
    m_pendingText = m_toolsByWindow.at(window).text;
    if (m_initialDelay != 0) {
        m_windows.SetTimer(m_window, TimerInitial, m_initialDelay);
    } else {
        OnInitialExpired();
    }
}

void CTipWindow::OnTimer(unsigned id) {
    switch (id) {
    case TimerInitial:
        OnInitialExpired();
        break;
    case TimerDisplay:
        OnDisplayExpired();
        break;
    case TimerAnimation:
        OnAnimationTick();
        break;
    default:
        break;
    }
}

void CTipWindow::OnInitialExpired() {
    m_windows.KillTimer(m_window, TimerInitial);
    if (m_windows.CursorPos() != m_lastMousePos) {
        EndTip();
        return;
    }
    if (m_state == TipState::Shown) {
        return;
    }
    ShowPendingTool(m_lastMousePos);
    m_state = TipState::Shown;
    if (m_displayTime != 0) {
        m_windows.SetTimer(m_window, TimerDisplay, m_displayTime);
    }
    StartAnimationIfNeeded();
}

void CTipWindow::OnDisplayExpired() {
    // The current tool stays, so the tip does not come back while the cursor stays in it.
    m_windows.KillTimer(m_window, TimerInitial);
    m_windows.KillTimer(m_window, TimerDisplay);
    StopAnimation();
    m_windows.HidePopup(m_window);
    m_state = TipState::Hidden;
}

void CTipWindow::OnAnimationTick() {
    if (!m_windows.IsVisible(m_window) || m_state != TipState::Shown) {
        StopAnimation();
        return;
    }
    const bool changed = m_animation.step ? m_animation.step() : m_drawer.OnTimer();
    if (changed) {
        DrawTipNow();
    }
}

void CTipWindow::EndTip() {
    if (m_state == TipState::Shown) {
        OnDisplayExpired();
    }
}

void CTipWindow::KillTip() {
    m_state = TipState::Hidden;
    m_windows.KillTimer(m_window, TimerInitial);
    m_windows.KillTimer(m_window, TimerDisplay);
    StopAnimation();
    if (m_windows.IsVisible(m_window)) {
        m_windows.HidePopup(m_window);
    }
}

bool CTipWindow::ShownTipIsAnimated() const {
    if (m_state != TipState::Shown) {
        return false;
    }
    return m_animation.hasAnimation ? m_animation.hasAnimation() : m_drawer.HasAnimation();
}

void CTipWindow::StartAnimationIfNeeded() {
    if (!m_window || m_animationRunning || m_animationPeriod == 0 || !ShownTipIsAnimated()) {
        return;
    }
    m_windows.SetTimer(m_window, TimerAnimation, m_animationPeriod);
    m_animationRunning = true;
}

void CTipWindow::StopAnimation() {
    if (m_animationRunning) {
        m_windows.KillTimer(m_window, TimerAnimation);
        m_animationRunning = false;
    }
}

void CTipWindow::OnSetCursor() {
    const gfx::Point client = m_windows.ScreenToClient(m_window, m_windows.CursorPos());
    if (!m_drawer.OnSetCursor({client.x, client.y})) {
        m_windows.SetCursorShape(m_window, CursorShape::Arrow);
    }
}

void CTipWindow::HandCursor::SetHandCursor() {
    m_owner.m_windows.SetCursorShape(m_owner.m_window, CursorShape::Hand);
}

void CTipWindow::OnActivateApp(bool active) {
    if (!active) {
        KillTip();
    }
}

void CTipWindow::OnPopupMessage(const TipMessage& message) {
    RelayMessage(message);
}

void CTipWindow::SendMessage(unsigned message, std::intptr_t, std::intptr_t) {
    if (message == CHtmlDrawer::TipRepaintMessage) {
        DrawTipNow();
    }
}

int CTipWindow::GetVirtualScreenMetric(int index) const {
    constexpr int kXVirtualScreen = 76;
    constexpr int kYVirtualScreen = 77;
    constexpr int kCxVirtualScreen = 78;
    constexpr int kCyVirtualScreen = 79;
    constexpr int kMonitors = 80;
    const gfx::Rect screen = VirtualScreen();
    switch (index) {
    case kXVirtualScreen:
        return screen.left;
    case kYVirtualScreen:
        return screen.top;
    case kCxVirtualScreen:
        return screen.Width();
    case kCyVirtualScreen:
        return screen.Height();
    case kMonitors:
        return static_cast<int>(m_windows.ScreenGeometries().size());
    default:
        return 0;
    }
}

gfx::Rect CTipWindow::VirtualScreen() const {
    const std::vector<gfx::Rect> screens = m_windows.ScreenGeometries();
    if (screens.empty()) {
        return {};
    }
    gfx::Rect all = screens.front();
    for (const gfx::Rect& r : screens) {
        all = {std::min(all.left, r.left), std::min(all.top, r.top), std::max(all.right, r.right),
               std::max(all.bottom, r.bottom)};
    }
    return all;
}

} // namespace tooltip
