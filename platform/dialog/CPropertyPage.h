#pragma once
// A page of a property sheet, built from a child template. Its controls exist from construction;
// its initialisation (OnInitDialog) runs once, when the sheet first makes it active.

#include "dialog/DialogTemplate.h"
#include "dialog/DialogUnits.h"

#include <QWidget>

namespace dialog {

class CPropertyPage : public QWidget {
    Q_OBJECT
public:
    explicit CPropertyPage(const DialogTemplate& page, QWidget* parent = nullptr);

    [[nodiscard]] QWidget* Control(int id) const;
    [[nodiscard]] const QString& Caption() const { return m_caption; }
    [[nodiscard]] const BaseUnits& Units() const { return m_units; }
    [[nodiscard]] bool Initialised() const { return m_initialised; }

    // Runs OnInitDialog unless it has run already.
    void EnsureInitialised();

protected:
    virtual void OnInitDialog() {}

private:
    QString m_caption;
    BaseUnits m_units;
    bool m_initialised = false;
};

} // namespace dialog
