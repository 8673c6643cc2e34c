#pragma once
// Layout coordinates are bounded so that no markup (huge break counts, widths or fonts) can
// overflow them; past the bound a tip is useless anyway.

#include <algorithm>

namespace tooltip {

inline constexpr long long kMaxCoordinate = 1'000'000;
// Bounds the repeat count of "<br=n>" and "<t=n>".
inline constexpr int kMaxRepeat = 1000;

[[nodiscard]] constexpr int ClampCoordinate(long long value) {
    return static_cast<int>(std::clamp(value, -kMaxCoordinate, kMaxCoordinate));
}
[[nodiscard]] constexpr int SaturatingAdd(int a, long long b) {
    return ClampCoordinate(static_cast<long long>(a) + b);
}

} // namespace tooltip
