#pragma once
// A dialog's push button. Only the button its template marks as the default is pressed by Enter
// from elsewhere in the dialog; any button that has the focus is pressed by Enter or Space. No
// button becomes the default by having had the focus, so Enter in an edit box never presses a
// button the user left behind.

#include <QPushButton>

namespace dialog {

class CPushButton : public QPushButton {
    Q_OBJECT
public:
    CPushButton(const QString& text, bool isDefault, QWidget* parent);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

} // namespace dialog
