#include "gfx/CDc.h"

#include "gfx/DcDetail.h"
#include "gfx/RegionData.h"

#include <QPainter>
#include <QPen>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace gfx {

namespace detail {

std::vector<DeviceRect> WritableRects(const CDc& dc, const DeviceRect& area) {
    std::vector<DeviceRect> rects;
    ForEachWritableRect(dc, area, [&rects](const DeviceRect& part) { rects.push_back(part); });
    return rects;
}

DeviceRect InsideBitmap(const CDc& dc, const DeviceRect& area) {
    const Surface* surface = SurfaceOf(dc.Bitmap());
    return surface ? Intersect(area, {0, 0, surface->width, surface->height}) : DeviceRect{};
}

namespace {

// Fills count pixels from row with value: a few one by one, then the filled part is copied onto
// the rest, doubling each time.
void FillRow(Pixel* row, std::size_t count, Pixel value) {
    constexpr std::size_t kSeed = 16;
    std::fill_n(row, std::min(count, kSeed), value);
    for (std::size_t filled = kSeed; filled < count; filled *= 2) {
        std::memcpy(row + filled, row, std::min(filled, count - filled) * sizeof(Pixel));
    }
}

} // namespace

namespace {

// The three colour channels of a pixel, each in a 16-bit lane of its own (blue lowest), so that
// one multiplication scales all three: no lane of the sums below passes 16 bits.
constexpr std::uint64_t kLaneOnes = 0x0000'0001'0001'0001ULL;
constexpr std::uint64_t kLaneHigh = 0x0000'8000'8000'8000ULL;
constexpr std::uint64_t kLaneLow = 0x0000'00FF'00FF'00FFULL;

std::uint64_t SpreadChannels(Pixel p) {
    return (p & 0xFFU) | (static_cast<std::uint64_t>(p & 0xFF00U) << 8) |
           (static_cast<std::uint64_t>(p & 0xFF0000U) << 16);
}

Pixel GatherChannels(std::uint64_t lanes) {
    return static_cast<Pixel>((lanes & 0xFFU) | ((lanes >> 8) & 0xFF00U) |
                              ((lanes >> 16) & 0xFF0000U));
}

// Each channel moved from `from` towards `to` by a / 255 of the way, the move truncated towards
// zero: from + (to - from) * a / 255. As one sum, that is (from * (255 - a) + to * a) / 255
// rounded down when the channel rises and up when it falls (254 added before dividing), and
// n / 255 rounded down is (n + 1 + n / 256) / 256 for every n these sums reach.
std::uint64_t MixChannels(std::uint64_t from, std::uint64_t to, int a) {
    const auto weight = static_cast<std::uint64_t>(a);
    const std::uint64_t sum = from * (255 - weight) + to * weight;
    const std::uint64_t rises = (((to | kLaneHigh) - from) >> 15) & kLaneOnes;
    const std::uint64_t n = sum + (rises ^ kLaneOnes) * 254;
    return ((n + kLaneOnes + ((n >> 8) & kLaneLow)) >> 8) & kLaneLow;
}

} // namespace

void FillArea(const CDc& dc, const DeviceRect& area, Pixel value) {
    Surface* surface = SurfaceOf(dc.Bitmap());
    ForEachWritableRect(dc, area, [surface, value](const DeviceRect& r) {
        // One row is filled and copied to the others: the copy moves many pixels per step.
        Pixel* first = surface->Row(r.top) + r.left;
        const std::size_t width = static_cast<std::size_t>(r.right - r.left);
        FillRow(first, width, value);
        const std::size_t bytes = width * sizeof(Pixel);
        for (int y = r.top + 1; y < r.bottom; ++y) {
            std::memcpy(surface->Row(y) + r.left, first, bytes);
        }
    });
}

void PaintCoverage(const CDc& dc, const QImage& coverage, int x, int y, ColorRef color) {
    const DeviceRect area{x, y, x + coverage.width(), y + coverage.height()};
    PaintCoverage(dc, coverage, x, y, color, WritableRects(dc, area));
}

void PaintCoverage(const CDc& dc, const QImage& coverage, int x, int y, ColorRef color,
                   std::span<const DeviceRect> writable) {
    Surface* surface = SurfaceOf(dc.Bitmap());
    const DeviceRect area{x, y, x + coverage.width(), y + coverage.height()};
    const Pixel solid = PixelFromColor(color);
    const std::uint64_t to = SpreadChannels(solid);
    auto paint = [solid, to](Pixel& pixel, int a) {
        if (a == 255) {
            pixel = solid;
        } else if (a != 0) {
            pixel = GatherChannels(MixChannels(SpreadChannels(pixel), to, a));
        }
    };
    // An 8-bit coverage image has one byte per pixel; a premultiplied colour image has four, the
    // coverage being the alpha byte.
    const bool bytes = coverage.format() == QImage::Format_Alpha8;
    const int step = bytes ? 1 : 4;
    const int at = bytes ? 0 : 3;
    const uchar* bits = coverage.constBits();
    const qsizetype stride = coverage.bytesPerLine();
    for (const DeviceRect& part : writable) {
        const DeviceRect r = Intersect(part, area);
        for (int py = r.top; py < r.bottom; ++py) {
            const uchar* cover = bits + (py - y) * stride;
            Pixel* row = surface->Row(py);
            int px = r.left;
            if (bytes) {
                // Text coverage is mostly empty: pass over eight empty pixels at a time.
                for (; px + 8 <= r.right; px += 8) {
                    std::uint64_t eight = 0;
                    std::memcpy(&eight, cover + (px - x), sizeof eight);
                    if (eight == 0) {
                        continue;
                    }
                    for (int k = 0; k < 8; ++k) {
                        paint(row[px + k], cover[px + k - x]);
                    }
                }
            }
            for (; px < r.right; ++px) {
                paint(row[px], cover[(px - x) * step + at]);
            }
        }
    }
}

} // namespace detail

namespace {

// Dash patterns of one-pixel styled pens, in pixels: on, off, on, off, ...
std::span<const int> DashPattern(PenStyle style) {
    static constexpr std::array kDash{18, 6};
    static constexpr std::array kDot{3, 3};
    static constexpr std::array kDashDot{9, 6, 3, 6};
    static constexpr std::array kDashDotDot{9, 3, 3, 3, 3, 3};
    switch (style) {
    case PenStyle::Dash:
        return kDash;
    case PenStyle::Dot:
        return kDot;
    case PenStyle::DashDot:
        return kDashDot;
    case PenStyle::DashDotDot:
        return kDashDotDot;
    default:
        return {};
    }
}

// Whether the pixel at step n of a styled line lies on a dash.
bool OnDash(std::span<const int> pattern, int n) {
    if (pattern.empty()) {
        return true;
    }
    int period = 0;
    for (int length : pattern) {
        period += length;
    }
    int offset = n % period;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (offset < pattern[i]) {
            return i % 2 == 0;
        }
        offset -= pattern[i];
    }
    return true;
}

} // namespace

CDc::CDc() : m_bitmap(CBitmap::Create(1, 1)) {}

CDc::CDc(CBitmap bitmap) : m_bitmap(bitmap ? std::move(bitmap) : CBitmap::Create(1, 1)) {}

CBitmap CDc::SelectBitmap(CBitmap bitmap) {
    CBitmap previous = std::move(m_bitmap);
    m_bitmap = std::move(bitmap);
    return previous;
}

CFont CDc::SelectFont(CFont font) {
    CFont previous = std::move(m_font);
    m_font = std::move(font);
    return previous;
}

CPen CDc::SelectPen(CPen pen) {
    return std::exchange(m_pen, pen);
}
CBrush CDc::SelectBrush(CBrush brush) {
    return std::exchange(m_brush, brush);
}
ColorRef CDc::SetTextColor(ColorRef color) {
    return std::exchange(m_textColor, color);
}
ColorRef CDc::SetBkColor(ColorRef color) {
    return std::exchange(m_bkColor, color);
}
BkMode CDc::SetBkMode(BkMode mode) {
    return std::exchange(m_bkMode, mode);
}

double CDc::DevicePixelRatio() const {
    return m_bitmap.DevicePixelRatio();
}

void CDc::FillRect(const Rect& rect, const CBrush& brush) {
    if (!brush.IsNull()) {
        FillSolidRect(rect, brush.Color());
    }
}

void CDc::FillSolidRect(const Rect& rect, ColorRef color) {
    if (!rect.IsEmpty()) {
        detail::FillArea(*this, detail::ToDevice(rect, DevicePixelRatio()), PixelFromColor(color));
    }
}

void CDc::FillRegion(const CRegion& region, const CBrush& brush) {
    if (brush.IsNull()) {
        return;
    }
    for (const Rect& rect : region.Rects()) {
        FillSolidRect(rect, brush.Color());
    }
}

void CDc::FrameRegion(const CRegion& region, const CBrush& brush, int width, int height) {
    if (region.IsEmpty() || width <= 0 || height <= 0) {
        return;
    }
    // The inside is what stays inside when the region is moved by the frame size every way.
    CRegion inside = region;
    for (const Point shift :
         {Point{width, 0}, Point{-width, 0}, Point{0, height}, Point{0, -height}}) {
        CRegion moved = region;
        moved.Offset(shift.x, shift.y);
        inside = inside.Intersected(moved);
    }
    FillRegion(region.Subtracted(inside), brush);
}

void CDc::SelectClipRegion(const CRegion& region) {
    m_clip = region;
}
void CDc::RemoveClipRegion() {
    m_clip.reset();
}

Point CDc::MoveTo(int x, int y) {
    return std::exchange(m_position, Point{x, y});
}

namespace {

// A one-pixel line in device pixels from (x0, y0) up to, not including, (x1, y1).
void DrawThinLine(const CDc& dc, int x0, int y0, int x1, int y1, std::span<const int> pattern,
                  const Pixel* gapPixel, Pixel linePixel) {
    Pixel* const bits = dc.Bitmap().Bits();
    const int stride = dc.Bitmap().PixelWidth();
    const std::vector<detail::DeviceRect> writable = detail::WritableRects(
        dc, {std::min(x0, x1), std::min(y0, y1), std::max(x0, x1) + 1, std::max(y0, y1) + 1});
    auto put = [&](int x, int y, Pixel value) {
        for (const detail::DeviceRect& r : writable) {
            if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) {
                bits[static_cast<std::size_t>(y) * stride + x] = value;
                return;
            }
        }
    };
    const int dx = std::abs(x1 - x0);
    const int dy = -std::abs(y1 - y0);
    const int sx = x0 < x1 ? 1 : -1;
    const int sy = y0 < y1 ? 1 : -1;
    int error = dx + dy;
    for (int step = 0; x0 != x1 || y0 != y1; ++step) {
        const bool on = OnDash(pattern, step);
        if (on || gapPixel) {
            put(x0, y0, on ? linePixel : *gapPixel);
        }
        const int twice = 2 * error;
        if (twice >= dy) {
            error += dy;
            x0 += sx;
        }
        if (twice <= dx) {
            error += dx;
            y0 += sy;
        }
    }
}

// A line drawn through a coverage image that covers only the part of the bitmap the line can reach.
void DrawCoveredLine(const CDc& dc, int x0, int y0, int x1, int y1, int deviceWidth,
                     std::span<const int> pattern, ColorRef color) {
    const int margin = deviceWidth + 1;
    const detail::DeviceRect reach =
        detail::InsideBitmap(dc, {std::min(x0, x1) - margin, std::min(y0, y1) - margin,
                                  std::max(x0, x1) + margin + 1, std::max(y0, y1) + margin + 1});
    if (reach.IsEmpty()) {
        return;
    }
    QImage coverage(reach.right - reach.left, reach.bottom - reach.top, QImage::Format_Alpha8);
    if (coverage.isNull()) {
        return;
    }
    coverage.fill(0);
    {
        QPainter painter(&coverage);
        painter.setRenderHint(QPainter::Antialiasing, false);
        QPen pen(QColor(0, 0, 0, 255), deviceWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        if (deviceWidth <= 1) {
            pen.setCapStyle(Qt::FlatCap);
        }
        if (!pattern.empty()) {
            QList<qreal> dashes;
            for (int length : pattern) {
                dashes << length;
            }
            pen.setDashPattern(dashes);
        }
        painter.setPen(pen);
        // An odd width centres on the pixel, an even one on its top-left corner, so that a line of
        // width w at x covers x - w / 2 up to x + (w - 1) / 2.
        const double centre = deviceWidth % 2 == 1 ? 0.5 : 0.0;
        painter.drawLine(QPointF(x0 - reach.left + centre, y0 - reach.top + centre),
                         QPointF(x1 - reach.left + centre, y1 - reach.top + centre));
    }
    detail::PaintCoverage(dc, coverage, reach.left, reach.top, color);
}

} // namespace

void CDc::LineTo(int x, int y) {
    const Point from = std::exchange(m_position, Point{x, y});
    if (m_pen.Style() == PenStyle::Null) {
        return;
    }
    const double ratio = DevicePixelRatio();
    const int deviceWidth = static_cast<int>(std::lround(std::max(1, m_pen.Width()) * ratio));
    // As on the platform, wide pens draw solid; a thin styled pen keeps its dashes on dense
    // bitmaps.
    const std::span<const int> pattern =
        m_pen.Width() <= 1 ? DashPattern(m_pen.Style()) : std::span<const int>();
    const int x0 = detail::ToDevice(from.x, ratio);
    const int y0 = detail::ToDevice(from.y, ratio);
    const int x1 = detail::ToDevice(x, ratio);
    const int y1 = detail::ToDevice(y, ratio);
    // Thin lines are stepped pixel by pixel; one reaching far outside the bitmap would take
    // too many steps, so it is drawn through coverage of the reachable part instead.
    const long long length = std::max(std::llabs(static_cast<long long>(x1) - x0),
                                      std::llabs(static_cast<long long>(y1) - y0));
    const long long bound = 4LL * (m_bitmap.PixelWidth() + m_bitmap.PixelHeight()) + 64;
    if (deviceWidth <= 1 && pattern.empty() && (y0 == y1 || x0 == x1) && (x0 != x1 || y0 != y1)) {
        // A solid thin line along a row or a column is a one-pixel-wide fill of the pixels
        // stepped from the start up to, not including, the end.
        const detail::DeviceRect line =
            x0 == x1 ? detail::DeviceRect{x0, std::min(y0, y1 + 1), x0 + 1, std::max(y0 + 1, y1)}
                     : detail::DeviceRect{std::min(x0, x1 + 1), y0, std::max(x0 + 1, x1), y0 + 1};
        detail::FillArea(*this, line, PixelFromColor(m_pen.Color()));
    } else if (deviceWidth <= 1 && length <= bound) {
        const Pixel gap = PixelFromColor(m_bkColor);
        const bool fillGaps = !pattern.empty() && m_bkMode == BkMode::Opaque;
        DrawThinLine(*this, x0, y0, x1, y1, pattern, fillGaps ? &gap : nullptr,
                     PixelFromColor(m_pen.Color()));
    } else {
        DrawCoveredLine(*this, x0, y0, x1, y1, deviceWidth, pattern, m_pen.Color());
    }
}

} // namespace gfx
