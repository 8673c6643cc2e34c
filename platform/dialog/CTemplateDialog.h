#pragma once
// A dialog window built from a template. Its initialisation (OnInitDialog) runs once, after the
// controls exist and before the window is first shown. DoModal runs a local loop until the dialog
// ends; it blocks only the dialog's own parent, so windows it does not own stay usable.

#include "dialog/DialogTemplate.h"
#include "dialog/DialogUnits.h"

#include <QDialog>

namespace dialog {

class CTemplateDialog : public QDialog {
    Q_OBJECT
public:
    explicit CTemplateDialog(const DialogTemplate& dialog, QWidget* parent = nullptr);

    [[nodiscard]] QWidget* Control(int id) const;
    [[nodiscard]] const BaseUnits& Units() const { return m_units; }
    [[nodiscard]] int TemplateId() const { return m_templateId; }

    // Shows the dialog and returns its result once it has ended.
    int DoModal();

    // Runs OnInitDialog unless it has run already.
    void EnsureInitialised();

    void setVisible(bool visible) override;

protected:
    virtual void OnInitDialog() {}

private:
    int m_templateId;
    BaseUnits m_units;
    bool m_initialised = false;
};

} // namespace dialog
