#include "dialog/CMultiLineEdit.h"

#include <QKeyEvent>

namespace dialog {

CMultiLineEdit::CMultiLineEdit(bool wantReturn, QWidget* parent)
    : QPlainTextEdit(parent), m_wantReturn(wantReturn) {
    setTabChangesFocus(true);
}

void CMultiLineEdit::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && !m_wantReturn && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        event->ignore();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

} // namespace dialog
