#pragma once
// Creates the widgets of a dialog template inside a host widget, each at its template rectangle
// converted to pixels, in the template's tab order. Every control's object name is its decimal
// identifier, so code and tests find controls by identifier.

#include "dialog/DialogTemplate.h"
#include "dialog/DialogUnits.h"

#include <QIcon>
#include <QWidget>

#include <string>
#include <string_view>
#include <vector>

namespace dialog {

// Icons named by Icon controls come from the program's resources through this loader.
using IconLoader = QIcon (*)(int resource);

class CDialogBuilder {
public:
    // Installs the loader that Icon controls use; without one they stay empty.
    static void SetIconLoader(IconLoader loader);
    [[nodiscard]] static QIcon LoadIcon(int resource);

    // Sets the host's font from the template, measures the base units, creates the controls and
    // returns the base units used.
    static BaseUnits Build(QWidget& host, const DialogTemplate& dialog);

    // The host's client size for the template.
    [[nodiscard]] static QSize ClientSize(const DialogTemplate& dialog, const BaseUnits& units);

private:
    static QWidget* CreateControl(QWidget& host, const ControlTemplate& control);
    static QWidget* CreateEdit(QWidget& host, const ControlTemplate& control);
    static QWidget* CreateStatic(QWidget& host, const ControlTemplate& control);
};

// The direct child of `host` with identifier `id`, or nullptr.
[[nodiscard]] QWidget* FindControl(const QWidget& host, int id);

// A control's text as narrow (UTF-8) text. Multi-line edits hold their lines with CR LF ends, as
// the text that goes into them does.
[[nodiscard]] std::string ControlText(const QWidget& control);
void SetControlText(QWidget& control, std::string_view text);

} // namespace dialog
