#include "window/CQtMessageRelay.h"

#include "window/QtTipMessages.h"

#include <QApplication>
#include <QChildEvent>

#include <algorithm>

namespace platformwindow {

CQtMessageRelay::CQtMessageRelay(HandleOf handleOf) : m_handleOf(std::move(handleOf)) {}

CQtMessageRelay::~CQtMessageRelay() {
    if (m_installed && qApp != nullptr) {
        qApp->removeEventFilter(this);
    }
}

void CQtMessageRelay::TrackMouse(QWidget& widget) {
    widget.setMouseTracking(true);
    for (QWidget* child : widget.findChildren<QWidget*>()) {
        if (!child->isWindow()) {
            child->setMouseTracking(true);
        }
    }
}

void CQtMessageRelay::Attach(QWidget& owner, tooltip::WindowHandle popup,
                             tooltip::ITipMessageSink& sink) {
    if (!m_installed && qApp != nullptr) {
        qApp->installEventFilter(this);
        m_installed = true;
    }
    TrackMouse(owner);
    m_attachments.push_back({&owner, popup, &sink});
}

void CQtMessageRelay::Detach(tooltip::WindowHandle popup) {
    std::erase_if(m_attachments, [&](const Attachment& a) { return a.popup == popup; });
}

bool CQtMessageRelay::eventFilter(QObject* watched, QEvent* event) {
    if (m_attachments.empty() || !watched->isWidgetType()) {
        return false;
    }
    auto* widget = static_cast<QWidget*>(watched);
    const auto inside = [widget](const Attachment& a) {
        return a.owner && (a.owner == widget || a.owner->isAncestorOf(widget));
    };
    // Every tip window of a window hears all of the window's input: a key pressed while a button
    // of the main window has the focus hides the page's tip too, and moving from a page control
    // onto such a button hides the page's tip instead of leaving two tips up.
    const auto sameWindow = [widget](const Attachment& a) {
        return a.owner && a.owner->window() == widget->window();
    };
    if (event->type() == QEvent::ChildAdded) {
        if (std::none_of(m_attachments.begin(), m_attachments.end(), inside)) {
            return false;
        }
        // Controls made later report their mouse moves too.
        QObject* child = static_cast<QChildEvent*>(event)->child();
        if (child->isWidgetType() && !static_cast<QWidget*>(child)->isWindow()) {
            static_cast<QWidget*>(child)->setMouseTracking(true);
        }
        return false;
    }
    const QtTipEvent translated = TranslateEvent(*event);
    if (translated.code == tooltip::TipMessageCode::Other) {
        return false;
    }
    const tooltip::TipMessage message{m_handleOf(widget), translated.code, CursorPosition()};
    for (std::size_t i = 0; i < m_attachments.size(); ++i) {
        if (sameWindow(m_attachments[i])) {
            m_attachments[i].sink->RelayMessage(message);
        }
    }
    return false;
}

} // namespace platformwindow
