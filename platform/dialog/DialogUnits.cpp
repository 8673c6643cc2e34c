#include "dialog/DialogUnits.h"

#include <cstdint>

namespace dialog {

int MulDiv(int number, int numerator, int denominator) {
    if (denominator == 0) {
        return 0;
    }
    const std::int64_t product = static_cast<std::int64_t>(number) * numerator;
    const std::int64_t half = (denominator < 0 ? -denominator : denominator) / 2;
    const bool negative = (product < 0) != (denominator < 0);
    const std::int64_t magnitude = (product < 0 ? -product : product);
    const std::int64_t divisor = denominator < 0 ? -static_cast<std::int64_t>(denominator)
                                                 : static_cast<std::int64_t>(denominator);
    const std::int64_t quotient = (magnitude + half) / divisor;
    return static_cast<int>(negative ? -quotient : quotient);
}

BaseUnits BaseUnitsFromMetrics(int sampleWidth, int height) {
    // The sample holds 26 letter pairs; the halving with +1 rounds the pair width to a character.
    return BaseUnits{(sampleWidth / 26 + 1) / 2, height};
}

int HorizontalPixels(const BaseUnits& units, int dialogUnits) {
    return MulDiv(dialogUnits, units.x, 4);
}

int VerticalPixels(const BaseUnits& units, int dialogUnits) {
    return MulDiv(dialogUnits, units.y, 8);
}

PixelRect ToPixels(const BaseUnits& units, int x, int y, int cx, int cy) {
    return PixelRect{HorizontalPixels(units, x), VerticalPixels(units, y),
                     HorizontalPixels(units, cx), VerticalPixels(units, cy)};
}

int PointsToPixels(int points) {
    return MulDiv(points, 96, 72);
}

} // namespace dialog
