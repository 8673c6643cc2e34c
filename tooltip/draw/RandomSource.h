#pragma once
// The pseudo-random numbers of the pattern effects: 0 to 32767, from the C library's generator
// unless a caller (a test) supplies its own sequence.

#include <cstdlib>
#include <functional>

namespace tooltip {

inline constexpr int kRandomMax = 32767;

using RandomSource = std::function<int()>;

// The C library's generator, cut to 0 .. 32767.
inline int RuntimeRandom() {
    return std::rand() & kRandomMax;
}

} // namespace tooltip
