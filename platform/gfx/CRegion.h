#pragma once
// A region: a set of pixels in logical coordinates, made of rectangles, round rectangles and
// polygons, combined and moved. A value: copies are independent (they share storage until one of
// them changes).

#include "gfx/GfxTypes.h"

#include <memory>
#include <span>
#include <vector>

namespace gfx {

namespace detail {
struct RegionData;
}

class CRegion {
public:
    CRegion() = default; // empty

    [[nodiscard]] static CRegion FromRect(const Rect& rect);
    // The pixels of (left, top) to (right, bottom), right and bottom excluded, with corners cut
    // along ellipses of cornerWidth x cornerHeight (each at most the rectangle's size). A pixel is
    // inside when its centre lies within the rounded outline.
    [[nodiscard]] static CRegion RoundRect(int left, int top, int right, int bottom,
                                           int cornerWidth, int cornerHeight);
    // The polygon's pixels by alternate (even-odd) filling: a pixel is inside when its centre lies
    // inside; right and bottom edges are excluded, as for rectangles.
    [[nodiscard]] static CRegion Polygon(std::span<const Point> points);

    [[nodiscard]] CRegion United(const CRegion& other) const;
    [[nodiscard]] CRegion Intersected(const CRegion& other) const;
    [[nodiscard]] CRegion Subtracted(const CRegion& other) const;
    void Offset(int dx, int dy);

    bool IsEmpty() const;
    bool Contains(int x, int y) const;
    Rect Bounds() const;
    std::vector<Rect> Rects() const; // disjoint rectangles covering the region
    friend bool operator==(const CRegion& a, const CRegion& b);

private:
    explicit CRegion(std::shared_ptr<const detail::RegionData> data) : m_data(std::move(data)) {}

    std::shared_ptr<const detail::RegionData> m_data; // null while empty

    friend const detail::RegionData* RegionDataOf(const CRegion& region);
};

// Internal to the drawing layer; null for an empty region.
const detail::RegionData* RegionDataOf(const CRegion& region);

} // namespace gfx
