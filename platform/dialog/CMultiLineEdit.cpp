#include "dialog/CMultiLineEdit.h"

#include <QKeyEvent>
#include <QPainter>

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

void CMultiLineEdit::paintEvent(QPaintEvent* event) {
    QPlainTextEdit::paintEvent(event);
    if (!hasFocus() || frameShape() != QFrame::NoFrame) {
        return;
    }
    // Two pixels in the highlight colour, as bordered boxes show their focus, inside the text area.
    QPainter painter(viewport());
    QPen pen(palette().color(QPalette::Highlight));
    pen.setWidth(kFocusCueWidth);
    pen.setJoinStyle(Qt::MiterJoin);
    painter.setPen(pen);
    painter.drawRect(QRectF(viewport()->rect()).adjusted(1, 1, -1, -1));
}

void CMultiLineEdit::focusInEvent(QFocusEvent* event) {
    QPlainTextEdit::focusInEvent(event);
    viewport()->update();
}

void CMultiLineEdit::focusOutEvent(QFocusEvent* event) {
    QPlainTextEdit::focusOutEvent(event);
    viewport()->update();
}

} // namespace dialog
