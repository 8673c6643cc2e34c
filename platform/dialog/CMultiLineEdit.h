#pragma once
// A multi-line edit box that behaves as one in a dialog: Tab moves the focus, and unless it wants
// Enter, Enter goes to the dialog (which presses its default button). A box without a border has
// no frame to light up when it has the focus, so it draws a focus rectangle of its own.

#include <QPlainTextEdit>

namespace dialog {

class CMultiLineEdit : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit CMultiLineEdit(bool wantReturn, QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    static constexpr int kFocusCueWidth = 2;
    bool m_wantReturn;
};

} // namespace dialog
