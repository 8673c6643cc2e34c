#include "dialog/CPushButton.h"

#include <QKeyEvent>

namespace dialog {

CPushButton::CPushButton(const QString& text, bool isDefault, QWidget* parent)
    : QPushButton(text, parent) {
    // An auto-default button turns into the dialog's default when it gets the focus and, once the
    // dialog has been shown, stays it: Enter in any box would then press it.
    setAutoDefault(isDefault);
    setDefault(isDefault);
}

void CPushButton::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        click();
        return;
    }
    QPushButton::keyPressEvent(event);
}

} // namespace dialog
