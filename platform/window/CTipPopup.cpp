#include "window/CTipPopup.h"

#include "gfx/QtInterop.h"
#include "window/QtTipMessages.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QTimerEvent>

#include <algorithm>

namespace platformwindow {

CTipPopup::CTipPopup(QWidget* owner, tooltip::IPopupEvents& events, bool translucent)
    : QWidget(owner != nullptr ? owner->window() : nullptr, Qt::ToolTip | Qt::FramelessWindowHint |
                                                                Qt::WindowDoesNotAcceptFocus |
                                                                Qt::NoDropShadowWindowHint),
      m_events(events), m_translucent(translucent),
      m_dc(gfx::CBitmap::Create(1, 1, owner != nullptr ? owner->devicePixelRatioF() : 1.0)) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_TranslucentBackground, translucent);
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);
}

CTipPopup::~CTipPopup() {
    for (const auto& [id, qtId] : m_timers) {
        killTimer(qtId);
    }
}

void CTipPopup::ShowAt(const gfx::Rect& screenRect, const gfx::CRegion& shape) {
    const QPoint centre((screenRect.left + screenRect.right) / 2,
                        (screenRect.top + screenRect.bottom) / 2);
    const QScreen* screen = QGuiApplication::screenAt(centre);
    const double ratio = screen != nullptr ? screen->devicePixelRatio() : devicePixelRatioF();
    hide();
    m_dc.SelectBitmap(gfx::CBitmap::Create(std::max(screenRect.Width(), 1),
                                           std::max(screenRect.Height(), 1), ratio));
    if (!m_translucent) {
        CaptureScreen(screenRect, ratio);
    }
    setMask(gfx::ToQRegion(shape));
    setGeometry(screenRect.left, screenRect.top, screenRect.Width(), screenRect.Height());
    m_presentOnly = false;
    show();
    raise();
}

// The screen under the window, taken while the window is hidden: what a window without a
// background of its own would show at its first paint.
void CTipPopup::CaptureScreen(const gfx::Rect& screenRect, double ratio) {
    QScreen* screen = QGuiApplication::screenAt(QPoint(screenRect.left, screenRect.top));
    if (screen == nullptr) {
        screen = QGuiApplication::primaryScreen();
    }
    if (screen == nullptr) {
        return;
    }
    const QRect area = screen->geometry();
    QImage grab = screen
                      ->grabWindow(0, screenRect.left - area.left(), screenRect.top - area.top(),
                                   screenRect.Width(), screenRect.Height())
                      .toImage();
    if (grab.isNull()) {
        return;
    }
    if (grab.devicePixelRatio() != ratio) {
        grab = grab.scaled(QSize(static_cast<int>(screenRect.Width() * ratio),
                                 static_cast<int>(screenRect.Height() * ratio)));
        grab.setDevicePixelRatio(ratio);
    }
    const gfx::CBitmap picture = gfx::FromQImage(grab);
    m_dc.BitBlt(0, 0, screenRect.Width(), screenRect.Height(), gfx::CDc(picture), 0, 0);
}

void CTipPopup::Present() {
    m_presentOnly = true;
    update();
}

void CTipPopup::paintEvent(QPaintEvent*) {
    if (!m_presentOnly) {
        m_events.OnPaint(m_dc);
    }
    m_presentOnly = false;
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(QPoint(0, 0), gfx::ToQImage(m_dc.Bitmap(), m_translucent));
}

bool CTipPopup::event(QEvent* event) {
    const QtTipEvent relayed = TranslateEvent(*event);
    if (relayed.code != tooltip::TipMessageCode::Other) {
        m_events.OnPopupMessage({tooltip::WindowHandle{}, relayed.code, CursorPosition()});
        if (relayed.code == tooltip::TipMessageCode::MouseMove) {
            m_events.OnSetCursor();
        }
    }
    return QWidget::event(event);
}

void CTipPopup::SetTimer(unsigned id, unsigned milliseconds) {
    KillTimer(id);
    // Qt's default coarse timers may fire up to 5 % early: a tip's display time ran short by 40 ms.
    m_timers[id] =
        startTimer(static_cast<int>(std::min(milliseconds, 0x7FFFFFFFu)), Qt::PreciseTimer);
}

void CTipPopup::KillTimer(unsigned id) {
    if (const auto it = m_timers.find(id); it != m_timers.end()) {
        killTimer(it->second);
        m_timers.erase(it);
    }
}

void CTipPopup::timerEvent(QTimerEvent* event) {
    for (const auto& [id, qtId] : m_timers) {
        if (qtId == event->timerId()) {
            m_events.OnTimer(id);
            return;
        }
    }
    QWidget::timerEvent(event);
}

void CTipPopup::SetShape(tooltip::CursorShape shape) {
    setCursor(shape == tooltip::CursorShape::Hand ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

} // namespace platformwindow
