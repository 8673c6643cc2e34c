#pragma once
// Dialog units: horizontal units are a quarter of the dialog font's average character width,
// vertical units an eighth of its character height. Both are rounded the way the desktop's
// dialog manager rounds them, so a control lands on the same pixel it would there.

#include <string_view>

namespace dialog {

struct BaseUnits {
    int x = 0; // average character width in pixels
    int y = 0; // character height in pixels
};

struct PixelRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// The letters whose mean width is a font's average character width.
inline constexpr std::string_view kAverageWidthSample =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

// number * numerator / denominator, rounded half away from zero; 0 for a zero denominator.
[[nodiscard]] int MulDiv(int number, int numerator, int denominator);

// Base units from the width of kAverageWidthSample and the font's height (ascent + descent).
[[nodiscard]] BaseUnits BaseUnitsFromMetrics(int sampleWidth, int height);

[[nodiscard]] int HorizontalPixels(const BaseUnits& units, int dialogUnits);
[[nodiscard]] int VerticalPixels(const BaseUnits& units, int dialogUnits);
[[nodiscard]] PixelRect ToPixels(const BaseUnits& units, int x, int y, int cx, int cy);

// Pixel height of a font of `points` on the 96-pixels-per-inch logical screen.
[[nodiscard]] int PointsToPixels(int points);

} // namespace dialog
