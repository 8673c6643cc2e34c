#pragma once
// The pixel store behind a bitmap handle (internal to the drawing layer). Pixels are device pixels,
// rows from the top, one 32-bit value per pixel; the logical size is the size divided by the ratio.

#include "gfx/GfxTypes.h"

#include <cstdint>
#include <vector>

namespace gfx::detail {

// Sides beyond this are refused, so that pixel counts and byte sizes stay far inside 32 bits.
inline constexpr int kMaxSurfaceSide = 32767;
inline constexpr std::int64_t kMaxSurfacePixels = 64LL * 1024 * 1024;

struct Surface {
    int width = 0;  // device pixels
    int height = 0; // device pixels
    int logicalWidth = 0;
    int logicalHeight = 0;
    double ratio = 1.0;
    std::vector<Pixel> pixels;

    Pixel* Row(int y) { return pixels.data() + static_cast<std::size_t>(y) * width; }
    const Pixel* Row(int y) const { return pixels.data() + static_cast<std::size_t>(y) * width; }
};

// A rectangle in device pixels; right and bottom exclusive.
struct DeviceRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool IsEmpty() const { return right <= left || bottom <= top; }
};

inline DeviceRect Intersect(const DeviceRect& a, const DeviceRect& b) {
    return {a.left > b.left ? a.left : b.left, a.top > b.top ? a.top : b.top,
            a.right < b.right ? a.right : b.right, a.bottom < b.bottom ? a.bottom : b.bottom};
}

} // namespace gfx::detail
