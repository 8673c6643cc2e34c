#pragma once
// The fonts that dialog templates name, mapped to fonts installed here, and the base units of a
// font measured as the desktop's dialog manager measures them.

#include "dialog/DialogUnits.h"

#include <QFont>

#include <string_view>

namespace dialog {

// The installed family that stands in for a template's face name: the classic dialog face maps to a
// metric-compatible sans serif; any other name is used as it stands.
[[nodiscard]] QString FontFamilyFor(std::string_view faceName);

// The font of a template: its face at `points` on the 96-pixels-per-inch logical screen.
[[nodiscard]] QFont DialogFont(std::string_view faceName, int points);

[[nodiscard]] BaseUnits MeasureBaseUnits(const QFont& font);

} // namespace dialog
