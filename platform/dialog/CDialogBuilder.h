#pragma once
// Creates the widgets of a dialog template inside a host widget, each at its template rectangle
// converted to pixels, in the template's tab order. Every control's object name is its decimal
// identifier, so code and tests find controls by identifier.

#include "dialog/DialogTemplate.h"
#include "dialog/DialogUnits.h"

#include <QIcon>
#include <QLabel>
#include <QWidget>

#include <string>
#include <string_view>
#include <vector>

namespace dialog {

// Icons named by Icon controls come from the program's resources through this loader.
using IconLoader = QIcon (*)(int resource);
// Strings named by templates (accessible names) come from the program's string table through this.
using StringLoader = std::string_view (*)(int id);

// Widgets that carry nothing for a screen reader (separators, frames) have this property set; the
// accessibility layer leaves them out of the tree.
inline constexpr const char* kAccessibleHidden = "keldwickAccessibleHidden";

class CDialogBuilder {
public:
    // Installs the loader that Icon controls use; without one they stay empty.
    static void SetIconLoader(IconLoader loader);
    [[nodiscard]] static QIcon LoadIcon(int resource);
    static void SetStringLoader(StringLoader loader);

    // The name a screen reader speaks for a label's text: mnemonic markers ("&") and a trailing
    // colon removed, blanks trimmed ("&User id:" gives "User id").
    [[nodiscard]] static QString LabelName(std::string_view text, bool noPrefix);

    // Sets the host's font from the template, measures the base units, creates the controls and
    // returns the base units used.
    //
    // Each control gets the accessible name a user expects, by one rule: an edit, combo box or
    // list takes the text of the static label just before it in the template, and that label
    // becomes its buddy (the label's mnemonic moves the focus to it); a control with text of its
    // own keeps it; a control with neither takes its template's name string.
    static BaseUnits Build(QWidget& host, const DialogTemplate& dialog);

    // The host's client size for the template.
    [[nodiscard]] static QSize ClientSize(const DialogTemplate& dialog, const BaseUnits& units);

private:
    static void NameControl(const ControlTemplate& control, QWidget& widget,
                            const ControlTemplate* labelTemplate, QLabel* label);
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
