#include "gfx/QtInterop.h"

#include "gfx/RegionData.h"
#include "gfx/Surface.h"

#include <cmath>
#include <cstring>

namespace gfx {

QImage ToQImage(const CBitmap& bitmap, bool keepAlpha) {
    const detail::Surface* surface = detail::SurfaceOf(bitmap);
    if (!surface) {
        return {};
    }
    QImage image(surface->width, surface->height,
                 keepAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    for (int y = 0; y < surface->height; ++y) {
        auto* row = reinterpret_cast<Pixel*>(image.scanLine(y));
        const Pixel* source = surface->Row(y);
        for (int x = 0; x < surface->width; ++x) {
            row[x] = keepAlpha ? source[x] : (source[x] | 0xFF000000u);
        }
    }
    image.setDevicePixelRatio(surface->ratio);
    return image;
}

CBitmap FromQImage(const QImage& image) {
    if (image.isNull()) {
        return {};
    }
    const double ratio = image.devicePixelRatio() >= 1.0 ? image.devicePixelRatio() : 1.0;
    const int width = static_cast<int>(std::lround(image.width() / ratio));
    const int height = static_cast<int>(std::lround(image.height() / ratio));
    CBitmap bitmap = CBitmap::Create(width > 0 ? width : 1, height > 0 ? height : 1, ratio);
    detail::Surface* surface = detail::SurfaceOf(bitmap);
    if (!surface) {
        return {};
    }
    const bool hasAlpha = image.hasAlphaChannel();
    const int rows = std::min(surface->height, image.height());
    const int columns = std::min(surface->width, image.width());
    // Converted a band of rows at a time, so that a large picture is never held twice over in
    // its decoded size besides the bitmap.
    constexpr int kBandRows = 64;
    const bool ready = image.format() == QImage::Format_ARGB32;
    for (int top = 0; top < rows; top += kBandRows) {
        const int bandRows = std::min(kBandRows, rows - top);
        const QImage band =
            ready ? image
                  : image.copy(0, top, columns, bandRows).convertToFormat(QImage::Format_ARGB32);
        const int first = ready ? top : 0;
        for (int y = 0; y < bandRows; ++y) {
            const auto* source = reinterpret_cast<const Pixel*>(band.constScanLine(first + y));
            Pixel* row = surface->Row(top + y);
            for (int x = 0; x < columns; ++x) {
                row[x] = hasAlpha ? source[x] : (source[x] & 0x00FFFFFFu);
            }
        }
    }
    return bitmap;
}

QRegion ToQRegion(const CRegion& region) {
    const detail::RegionData* data = RegionDataOf(region);
    return data ? data->region : QRegion();
}

} // namespace gfx
