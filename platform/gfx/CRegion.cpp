#include "gfx/CRegion.h"

#include "gfx/RegionData.h"

#include <QPolygon>

#include <algorithm>
#include <cmath>

namespace gfx {

namespace {

QRect ToQRect(int left, int top, int right, int bottom) {
    return QRect(left, top, right - left, bottom - top);
}

// Half-width of the rounded outline's corner ellipse at a row whose centre lies dy above or below
// the ellipse's centre line.
double CornerHalfWidth(double radiusX, double radiusY, double dy) {
    const double t = dy / radiusY;
    return t >= 1.0 ? 0.0 : radiusX * std::sqrt(1.0 - t * t);
}

} // namespace

const detail::RegionData* RegionDataOf(const CRegion& region) {
    return region.m_data.get();
}

CRegion CRegion::FromRect(const Rect& rect) {
    if (rect.IsEmpty()) {
        return {};
    }
    return CRegion(std::make_shared<const detail::RegionData>(
        detail::RegionData{QRegion(ToQRect(rect.left, rect.top, rect.right, rect.bottom))}));
}

CRegion CRegion::RoundRect(int left, int top, int right, int bottom, int cornerWidth,
                           int cornerHeight) {
    if (left > right) {
        std::swap(left, right);
    }
    if (top > bottom) {
        std::swap(top, bottom);
    }
    const int width = right - left;
    const int height = bottom - top;
    if (width <= 0 || height <= 0) {
        return {};
    }
    const double radiusX = std::clamp(cornerWidth, 0, width) / 2.0;
    const double radiusY = std::clamp(cornerHeight, 0, height) / 2.0;
    if (radiusX < 1.0 || radiusY < 1.0) {
        return FromRect({left, top, right, bottom});
    }
    QRegion region;
    for (int y = top; y < bottom; ++y) {
        const double centre = y + 0.5;
        double dy = 0.0;
        if (centre < top + radiusY) {
            dy = top + radiusY - centre;
        } else if (centre > bottom - radiusY) {
            dy = centre - (bottom - radiusY);
        }
        const double inset = radiusX - CornerHalfWidth(radiusX, radiusY, dy);
        // Pixels whose centre lies within [left + inset, right - inset].
        const int first = static_cast<int>(std::ceil(left + inset - 0.5));
        const int last = static_cast<int>(std::floor(right - inset - 0.5));
        if (last >= first) {
            region += QRect(first, y, last - first + 1, 1);
        }
    }
    return CRegion(std::make_shared<const detail::RegionData>(detail::RegionData{region}));
}

CRegion CRegion::Polygon(std::span<const Point> points) {
    if (points.size() < 3) {
        return {};
    }
    QPolygon polygon;
    for (const Point& point : points) {
        polygon << QPoint(point.x, point.y);
    }
    QRegion region(polygon, Qt::OddEvenFill);
    if (region.isEmpty()) {
        return {};
    }
    return CRegion(std::make_shared<const detail::RegionData>(detail::RegionData{region}));
}

CRegion CRegion::United(const CRegion& other) const {
    if (!other.m_data) {
        return *this;
    }
    if (!m_data) {
        return other;
    }
    return CRegion(std::make_shared<const detail::RegionData>(
        detail::RegionData{m_data->region.united(other.m_data->region)}));
}

CRegion CRegion::Intersected(const CRegion& other) const {
    if (!m_data || !other.m_data) {
        return {};
    }
    QRegion result = m_data->region.intersected(other.m_data->region);
    if (result.isEmpty()) {
        return {};
    }
    return CRegion(std::make_shared<const detail::RegionData>(detail::RegionData{result}));
}

CRegion CRegion::Subtracted(const CRegion& other) const {
    if (!m_data || !other.m_data) {
        return *this;
    }
    QRegion result = m_data->region.subtracted(other.m_data->region);
    if (result.isEmpty()) {
        return {};
    }
    return CRegion(std::make_shared<const detail::RegionData>(detail::RegionData{result}));
}

void CRegion::Offset(int dx, int dy) {
    if (m_data && (dx != 0 || dy != 0)) {
        m_data = std::make_shared<const detail::RegionData>(
            detail::RegionData{m_data->region.translated(dx, dy)});
    }
}

bool CRegion::IsEmpty() const {
    return !m_data || m_data->region.isEmpty();
}

bool CRegion::Contains(int x, int y) const {
    return m_data && m_data->region.contains(QPoint(x, y));
}

Rect CRegion::Bounds() const {
    if (!m_data) {
        return {};
    }
    const QRect r = m_data->region.boundingRect();
    return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

std::vector<Rect> CRegion::Rects() const {
    std::vector<Rect> rects;
    if (m_data) {
        for (const QRect& r : m_data->region) {
            rects.push_back({r.left(), r.top(), r.left() + r.width(), r.top() + r.height()});
        }
    }
    return rects;
}

bool operator==(const CRegion& a, const CRegion& b) {
    const QRegion empty;
    return (a.m_data ? a.m_data->region : empty) == (b.m_data ? b.m_data->region : empty);
}

} // namespace gfx
