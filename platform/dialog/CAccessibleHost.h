#pragma once
// The accessible face of a dialog or a property page: its children as Qt gives them, less the
// widgets that carry nothing for a screen reader (separators, frames; see kAccessibleHidden), so
// that no unnamed "frame" or "filler" is read out between the controls.

#include <QAccessibleWidget>

namespace dialog {

class CAccessibleHost : public QAccessibleWidget {
public:
    CAccessibleHost(QWidget* host, QAccessible::Role role);

    [[nodiscard]] int childCount() const override;
    [[nodiscard]] QAccessibleInterface* child(int index) const override;
    [[nodiscard]] int indexOfChild(const QAccessibleInterface* child) const override;
    [[nodiscard]] QString text(QAccessible::Text kind) const override;

    // Installs the factory that gives dialogs, pages and sheet tabs their accessible faces.
    static void InstallFactory();

private:
    [[nodiscard]] QList<QWidget*> Children() const;
};

} // namespace dialog
