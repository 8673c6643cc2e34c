#pragma once
// Helpers shared by the parts of the device context (internal to the drawing layer): mapping
// logical to device pixels, the writable part of an area, and painting by coverage.

#include "gfx/CDc.h"
#include "gfx/Surface.h"

#include <QImage>

#include <algorithm>
#include <cmath>
#include <span>
#include <vector>

namespace gfx::detail {

// Coordinates far outside any surface are held within this bound, so that sizes computed from
// them cannot overflow.
inline constexpr int kCoordinateLimit = 1 << 28;

inline int ToDevice(int logical, double ratio) {
    const double scaled = ratio == 1.0 ? logical : std::round(logical * ratio);
    return static_cast<int>(std::clamp<double>(scaled, -kCoordinateLimit, kCoordinateLimit));
}

inline DeviceRect ToDevice(const Rect& rect, double ratio) {
    return {ToDevice(rect.left, ratio), ToDevice(rect.top, ratio), ToDevice(rect.right, ratio),
            ToDevice(rect.bottom, ratio)};
}

// Calls visit with each part of area (device pixels) that drawing may change: inside the bitmap
// and the clip region. Nothing is allocated without a clip region, so the many small fills of a
// gradient or a frame cost no allocation each.
template <typename Visit>
void ForEachWritableRect(const CDc& dc, const DeviceRect& area, Visit&& visit) {
    const Surface* surface = SurfaceOf(dc.Bitmap());
    if (!surface) {
        return;
    }
    const DeviceRect bounded = Intersect(area, {0, 0, surface->width, surface->height});
    if (bounded.IsEmpty()) {
        return;
    }
    if (!dc.ClipRegion()) {
        visit(bounded);
        return;
    }
    for (const Rect& clip : dc.ClipRegion()->Rects()) {
        const DeviceRect part = Intersect(bounded, ToDevice(clip, surface->ratio));
        if (!part.IsEmpty()) {
            visit(part);
        }
    }
}

// The parts of area (device pixels) that drawing may change: inside the bitmap and the clip region.
std::vector<DeviceRect> WritableRects(const CDc& dc, const DeviceRect& area);

// The part of area inside the bitmap of dc (ignoring the clip region).
DeviceRect InsideBitmap(const CDc& dc, const DeviceRect& area);

void FillArea(const CDc& dc, const DeviceRect& area, Pixel value);

// Paints colour through an 8-bit coverage image whose top-left pixel lies at device (x, y): full
// coverage writes the colour, partial coverage mixes it in; covered pixels get a zero alpha byte.
void PaintCoverage(const CDc& dc, const QImage& coverage, int x, int y, ColorRef color);
// The same within writable (rectangles that WritableRects gave), for callers painting many small
// images into one area.
void PaintCoverage(const CDc& dc, const QImage& coverage, int x, int y, ColorRef color,
                   std::span<const DeviceRect> writable);

} // namespace gfx::detail
