#pragma once
// A multi-line edit box that behaves as one in a dialog: Tab moves the focus, and unless it wants
// Enter, Enter goes to the dialog (which presses its default button).

#include <QPlainTextEdit>

namespace dialog {

class CMultiLineEdit : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit CMultiLineEdit(bool wantReturn, QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool m_wantReturn;
};

} // namespace dialog
