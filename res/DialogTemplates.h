#pragma once
// The program's dialog templates.

#include "dialog/DialogTemplate.h"

namespace res {

// The template with identifier `id`, or nullptr.
[[nodiscard]] const dialog::DialogTemplate* FindDialogTemplate(int id);

[[nodiscard]] const dialog::DialogTemplate& AboutBoxTemplate();
[[nodiscard]] const dialog::DialogTemplate& MainDialogTemplate();
[[nodiscard]] const dialog::DialogTemplate& SignInPageTemplate();
[[nodiscard]] const dialog::DialogTemplate& NameInfoTemplate();

} // namespace res
