#include "window/QtTipMessages.h"

#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>

namespace platformwindow {

namespace {

using Code = tooltip::TipMessageCode;

struct MouseRow {
    QEvent::Type type;
    Qt::MouseButton button;
    Code code;
};

constexpr MouseRow kMouseRows[] = {
    {QEvent::MouseMove, Qt::NoButton, Code::MouseMove},
    {QEvent::MouseButtonPress, Qt::LeftButton, Code::LButtonDown},
    {QEvent::MouseButtonPress, Qt::RightButton, Code::RButtonDown},
    {QEvent::MouseButtonPress, Qt::MiddleButton, Code::MButtonDown},
    {QEvent::MouseButtonRelease, Qt::LeftButton, Code::LButtonUp},
    {QEvent::MouseButtonRelease, Qt::RightButton, Code::RButtonUp},
    {QEvent::MouseButtonRelease, Qt::MiddleButton, Code::MButtonUp},
    {QEvent::MouseButtonDblClick, Qt::LeftButton, Code::LButtonDblClk},
    {QEvent::MouseButtonDblClick, Qt::RightButton, Code::RButtonDblClk},
    {QEvent::MouseButtonDblClick, Qt::MiddleButton, Code::MButtonDblClk},
    {QEvent::NonClientAreaMouseButtonPress, Qt::LeftButton, Code::NcLButtonDown},
    {QEvent::NonClientAreaMouseButtonPress, Qt::RightButton, Code::NcRButtonDown},
    {QEvent::NonClientAreaMouseButtonPress, Qt::MiddleButton, Code::NcMButtonDown},
    {QEvent::NonClientAreaMouseButtonDblClick, Qt::LeftButton, Code::NcLButtonDblClk},
    {QEvent::NonClientAreaMouseButtonDblClick, Qt::RightButton, Code::NcRButtonDblClk},
    {QEvent::NonClientAreaMouseButtonDblClick, Qt::MiddleButton, Code::NcMButtonDblClk},
};

QtTipEvent TranslateMouse(const QMouseEvent& mouse) {
    // A move carries the buttons held, not the one that changed: it matches by type alone.
    const Qt::MouseButton button =
        mouse.type() == QEvent::MouseMove ? Qt::NoButton : mouse.button();
    const QPoint global = mouse.globalPosition().toPoint();
    for (const MouseRow& row : kMouseRows) {
        if (row.type == mouse.type() && row.button == button) {
            return {row.code, {global.x(), global.y()}};
        }
    }
    return {};
}

} // namespace

gfx::Point CursorPosition() {
    const QPoint p = QCursor::pos();
    return {p.x(), p.y()};
}

QtTipEvent TranslateEvent(const QEvent& event) {
    switch (event.type()) {
    case QEvent::MouseMove:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonDblClick:
        return TranslateMouse(static_cast<const QMouseEvent&>(event));
    case QEvent::Wheel: {
        const QPoint global = static_cast<const QWheelEvent&>(event).globalPosition().toPoint();
        return {Code::MouseWheel, {global.x(), global.y()}};
    }
    case QEvent::KeyPress: {
        const bool alt = static_cast<const QKeyEvent&>(event).modifiers() & Qt::AltModifier;
        return {alt ? Code::SysKeyDown : Code::KeyDown, CursorPosition()};
    }
    default:
        return {};
    }
}

} // namespace platformwindow
