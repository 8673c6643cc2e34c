// Block transfers of the device context: copies with raster operations, scaled copies, and 8-bit
// images through a colour table.

#include "gfx/CDc.h"

#include "gfx/DcDetail.h"

#include <algorithm>

namespace gfx {

namespace {

template <Rop op>
inline Pixel Apply(Pixel destination, Pixel source) {
    if constexpr (op == Rop::SrcCopy) {
        return source;
    } else if constexpr (op == Rop::SrcAnd) {
        return destination & source;
    } else if constexpr (op == Rop::SrcPaint) {
        return destination | source;
    } else if constexpr (op == Rop::SrcKeyed) {
        const Pixel kept = (source >> 24) != 0 ? destination & 0x00FFFFFFu : 0;
        return kept | (source & 0x00FFFFFFu);
    } else if constexpr (op == Rop::SrcBlend) {
        const double a = PixelAlpha(source) / 255.0;
        const double b = 1.0 - a;
        auto mix = [&](int d, int s) {
            return std::min(static_cast<int>(a * s) + static_cast<int>(b * d), 255);
        };
        return MakePixel(mix(PixelRed(destination), PixelRed(source)),
                         mix(PixelGreen(destination), PixelGreen(source)),
                         mix(PixelBlue(destination), PixelBlue(source)), 0);
    } else {
        return destination ^ source;
    }
}

// A stretch by a few pixels maps long runs of destination pixels onto consecutive source pixels:
// [first, first + length) of the map onto source columns from `from`.
struct MapRun {
    int first = 0;
    int length = 0;
    int from = 0;
};

std::vector<MapRun> RunsOf(const std::vector<int>& map) {
    std::vector<MapRun> runs;
    for (int n = 0; n < static_cast<int>(map.size()); ++n) {
        const int s = map[static_cast<std::size_t>(n)];
        if (s < 0) {
            continue;
        }
        if (!runs.empty() && runs.back().first + runs.back().length == n &&
            runs.back().from + runs.back().length == s) {
            ++runs.back().length;
        } else {
            runs.push_back({n, 1, s});
        }
    }
    return runs;
}

// A scaled copy, run by run: each row copies its runs whole instead of pixel by pixel. False,
// copying nothing, when the runs are too short for that to pay (enlarging, say).
bool CopyByRuns(detail::Surface& target, const CDc& destination, const detail::DeviceRect& area,
                const detail::Surface& source, const std::vector<int>& mapX,
                const std::vector<int>& mapY) {
    constexpr std::size_t kShortestMeanRun = 8;
    const std::vector<MapRun> runs = RunsOf(mapX);
    if (runs.size() * kShortestMeanRun > mapX.size()) {
        return false;
    }
    detail::ForEachWritableRect(destination, area, [&](const detail::DeviceRect& r) {
        for (int y = r.top; y < r.bottom; ++y) {
            const int sy = mapY[static_cast<std::size_t>(y - area.top)];
            if (sy < 0) {
                continue;
            }
            const Pixel* from = source.Row(sy);
            Pixel* to = target.Row(y);
            for (const MapRun& run : runs) {
                const int left = std::max(r.left, area.left + run.first);
                const int right = std::min(r.right, area.left + run.first + run.length);
                if (left < right) {
                    const Pixel* in = from + run.from + (left - area.left - run.first);
                    std::copy(in, in + (right - left), to + left);
                }
            }
        }
    });
    return true;
}

// Destination device pixel (x, y) of area takes source pixel (mapX[x - area.left],
// mapY[y - area.top]); a negative map entry marks a source position outside the source bitmap.
template <Rop op>
void Transfer(const CDc& destination, const detail::DeviceRect& area, const detail::Surface& source,
              const std::vector<int>& mapX, const std::vector<int>& mapY) {
    detail::Surface* target = detail::SurfaceOf(destination.Bitmap());
    if constexpr (op == Rop::SrcCopy) {
        if (CopyByRuns(*target, destination, area, source, mapX, mapY)) {
            return;
        }
    }
    for (const detail::DeviceRect& r : detail::WritableRects(destination, area)) {
        for (int y = r.top; y < r.bottom; ++y) {
            const int sy = mapY[y - area.top];
            if (sy < 0) {
                continue;
            }
            const Pixel* from = source.Row(sy);
            Pixel* to = target->Row(y);
            for (int x = r.left; x < r.right; ++x) {
                const int sx = mapX[x - area.left];
                if (sx >= 0) {
                    to[x] = Apply<op>(to[x], from[sx]);
                }
            }
        }
    }
}

// Source positions, by the nearest pixel, for destination pixels first .. first + count - 1 of
// total destination pixels that cover sourceCount source pixels from sourceStart; -1 marks a
// position outside 0 .. limit - 1.
std::vector<int> NearestMap(int first, int count, int total, int sourceStart, int sourceCount,
                            int limit) {
    std::vector<int> map(static_cast<std::size_t>(count > 0 ? count : 0));
    for (int n = 0; n < count; ++n) {
        const long long i = first + n;
        const long long s = sourceCount == total
                                ? sourceStart + i
                                : sourceStart + (2 * i + 1) * sourceCount / (2LL * total);
        map[static_cast<std::size_t>(n)] = s >= 0 && s < limit ? static_cast<int>(s) : -1;
    }
    return map;
}

// An unscaled transfer: row by row, with the source rectangle cut to the source bitmap.
template <Rop op>
void TransferUnscaled(const CDc& destination, const detail::DeviceRect& area,
                      const detail::Surface& source, const detail::DeviceRect& from) {
    detail::Surface* target = detail::SurfaceOf(destination.Bitmap());
    const int dx = from.left - area.left;
    const int dy = from.top - area.top;
    const detail::DeviceRect readable{-dx, -dy, source.width - dx, source.height - dy};
    for (const detail::DeviceRect& part :
         detail::WritableRects(destination, detail::Intersect(area, readable))) {
        for (int y = part.top; y < part.bottom; ++y) {
            const Pixel* in = source.Row(y + dy) + dx;
            Pixel* out = target->Row(y);
            if constexpr (op == Rop::SrcCopy) {
                std::copy(in + part.left, in + part.right, out + part.left);
            } else {
                for (int x = part.left; x < part.right; ++x) {
                    out[x] = Apply<op>(out[x], in[x]);
                }
            }
        }
    }
}

template <Rop op>
void TransferAny(const CDc& destination, const detail::DeviceRect& area,
                 const detail::Surface& source, const detail::DeviceRect& from) {
    if (area.right - area.left == from.right - from.left &&
        area.bottom - area.top == from.bottom - from.top) {
        TransferUnscaled<op>(destination, area, source, from);
        return;
    }
    // Only the part inside the destination bitmap is mapped.
    const detail::DeviceRect inside = detail::InsideBitmap(destination, area);
    if (inside.IsEmpty()) {
        return;
    }
    const std::vector<int> mapX =
        NearestMap(inside.left - area.left, inside.right - inside.left, area.right - area.left,
                   from.left, from.right - from.left, source.width);
    const std::vector<int> mapY =
        NearestMap(inside.top - area.top, inside.bottom - inside.top, area.bottom - area.top,
                   from.top, from.bottom - from.top, source.height);
    Transfer<op>(destination, inside, source, mapX, mapY);
}

bool TransferScaled(const CDc& destination, const detail::DeviceRect& area,
                    const detail::Surface& source, const detail::DeviceRect& from, Rop rop) {
    switch (rop) {
    case Rop::SrcCopy:
        TransferAny<Rop::SrcCopy>(destination, area, source, from);
        break;
    case Rop::SrcAnd:
        TransferAny<Rop::SrcAnd>(destination, area, source, from);
        break;
    case Rop::SrcPaint:
        TransferAny<Rop::SrcPaint>(destination, area, source, from);
        break;
    case Rop::SrcInvert:
        TransferAny<Rop::SrcInvert>(destination, area, source, from);
        break;
    case Rop::SrcKeyed:
        TransferAny<Rop::SrcKeyed>(destination, area, source, from);
        break;
    case Rop::SrcBlend:
        TransferAny<Rop::SrcBlend>(destination, area, source, from);
        break;
    }
    return true;
}

// A copy of the part r (inside the surface) of surface, as a surface of its own.
detail::Surface SnapshotOf(const detail::Surface& surface, const detail::DeviceRect& r) {
    detail::Surface snapshot;
    snapshot.width = r.right - r.left;
    snapshot.height = r.bottom - r.top;
    snapshot.ratio = surface.ratio;
    snapshot.pixels.resize(static_cast<std::size_t>(snapshot.width) * snapshot.height);
    for (int y = r.top; y < r.bottom; ++y) {
        std::copy(surface.Row(y) + r.left, surface.Row(y) + r.right, snapshot.Row(y - r.top));
    }
    return snapshot;
}

} // namespace

bool CDc::BitBlt(int x, int y, int width, int height, const CDc& source, int sourceX, int sourceY,
                 Rop rop) {
    return StretchBlt(x, y, width, height, source, sourceX, sourceY, width, height, rop);
}

bool CDc::StretchBlt(int x, int y, int width, int height, const CDc& source, int sourceX,
                     int sourceY, int sourceWidth, int sourceHeight, Rop rop) {
    const detail::Surface* from = detail::SurfaceOf(source.Bitmap());
    if (!from || !detail::SurfaceOf(m_bitmap) || width < 0 || height < 0 || sourceWidth < 0 ||
        sourceHeight < 0) {
        return false;
    }
    if (width == 0 || height == 0 || sourceWidth == 0 || sourceHeight == 0) {
        return true;
    }
    const detail::DeviceRect area =
        detail::ToDevice({x, y, x + width, y + height}, DevicePixelRatio());
    const detail::DeviceRect sourceArea = detail::ToDevice(
        {sourceX, sourceY, sourceX + sourceWidth, sourceY + sourceHeight}, from->ratio);
    if (from == detail::SurfaceOf(m_bitmap)) {
        // Copying within one bitmap: read from a snapshot so that overlapping areas copy right.
        // Only the readable part of the source rectangle is taken, so copying one row across a
        // strip does not copy the whole bitmap for every row.
        const detail::DeviceRect readable =
            detail::Intersect(sourceArea, {0, 0, from->width, from->height});
        if (readable.IsEmpty()) {
            return true; // nothing of the source lies inside its bitmap: nothing is copied
        }
        const detail::Surface snapshot = SnapshotOf(*from, readable);
        const detail::DeviceRect shifted{
            sourceArea.left - readable.left, sourceArea.top - readable.top,
            sourceArea.right - readable.left, sourceArea.bottom - readable.top};
        return TransferScaled(*this, area, snapshot, shifted, rop);
    }
    return TransferScaled(*this, area, *from, sourceArea, rop);
}

bool CDc::DrawIndexedImage(int x, int y, int width, int height, const std::uint8_t* indexes,
                           int stride, bool bottomUp, std::span<const Pixel> colorTable) {
    detail::Surface* target = detail::SurfaceOf(m_bitmap);
    if (!target || !indexes || colorTable.size() < 256 || width < 0 || height < 0 ||
        stride < width) {
        return false;
    }
    const detail::DeviceRect area =
        detail::ToDevice({x, y, x + width, y + height}, DevicePixelRatio());
    const detail::DeviceRect inside = detail::InsideBitmap(*this, area);
    if (inside.IsEmpty()) {
        return true;
    }
    const std::vector<int> mapX = NearestMap(inside.left - area.left, inside.right - inside.left,
                                             area.right - area.left, 0, width, width);
    const std::vector<int> mapY = NearestMap(inside.top - area.top, inside.bottom - inside.top,
                                             area.bottom - area.top, 0, height, height);
    for (const detail::DeviceRect& r : detail::WritableRects(*this, inside)) {
        for (int py = r.top; py < r.bottom; ++py) {
            const int row = mapY[static_cast<std::size_t>(py - inside.top)];
            const std::uint8_t* line =
                indexes + static_cast<std::size_t>(bottomUp ? height - 1 - row : row) * stride;
            Pixel* to = target->Row(py);
            for (int px = r.left; px < r.right; ++px) {
                to[px] = colorTable[line[mapX[static_cast<std::size_t>(px - inside.left)]]];
            }
        }
    }
    return true;
}

} // namespace gfx
