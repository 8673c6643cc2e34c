#include "gfx/CBitmap.h"

#include "gfx/CDc.h"
#include "gfx/CRegularFile.h"
#include "gfx/QtInterop.h"
#include "gfx/Surface.h"

#include <QFile>
#include <QImage>
#include <QImageReader>

#include <algorithm>
#include <climits>
#include <cmath>

namespace gfx {

namespace detail {

Surface* SurfaceOf(const CBitmap& bitmap) {
    return bitmap.m_surface.get();
}

CBitmap MakeBitmap(std::shared_ptr<Surface> surface) {
    return CBitmap(std::move(surface));
}

} // namespace detail

CBitmap CBitmap::Create(int width, int height, double devicePixelRatio) {
    if (width <= 0 || height <= 0 || !(devicePixelRatio >= 1.0 && devicePixelRatio <= 8.0)) {
        return {};
    }
    const double deviceWidth = std::ceil(width * devicePixelRatio);
    const double deviceHeight = std::ceil(height * devicePixelRatio);
    if (deviceWidth > detail::kMaxSurfaceSide || deviceHeight > detail::kMaxSurfaceSide ||
        deviceWidth * deviceHeight > static_cast<double>(detail::kMaxSurfacePixels)) {
        return {};
    }
    auto surface = std::make_shared<detail::Surface>();
    surface->width = static_cast<int>(deviceWidth);
    surface->height = static_cast<int>(deviceHeight);
    surface->logicalWidth = width;
    surface->logicalHeight = height;
    surface->ratio = devicePixelRatio;
    surface->pixels.assign(static_cast<std::size_t>(surface->width) * surface->height, 0);
    return CBitmap(std::move(surface));
}

CBitmap CBitmap::CreateCompatible(const CDc& dc, int width, int height) {
    return Create(width, height, dc.DevicePixelRatio());
}

namespace {

bool WithinBound(QSize size, std::size_t maxBytes) {
    return size.isValid() && static_cast<unsigned long long>(size.width()) *
                                     static_cast<unsigned long long>(size.height()) * 4 <=
                                 maxBytes;
}

QImage ReadPicture(QImageReader& reader, std::size_t maxBytes, QSize scaledSize) {
    if (maxBytes != 0) {
        // The picture is decoded at its own size before any scaling, so both sizes are bounded.
        // A reader that cannot tell the size first is not trusted to stay within the bound.
        if (!WithinBound(reader.size(), maxBytes) ||
            (scaledSize.isValid() && !WithinBound(scaledSize, maxBytes))) {
            return {};
        }
        reader.setAllocationLimit(static_cast<int>(
            std::min<std::size_t>((maxBytes >> 20) + 1, static_cast<std::size_t>(INT_MAX))));
    }
    if (scaledSize.isValid()) {
        reader.setScaledSize(scaledSize);
    }
    return reader.read();
}

} // namespace

QImage ReadPictureFile(const std::string& path, std::size_t maxBytes, QSize scaledSize) {
    if (path.starts_with(':')) {
        // The program's own pictures and open bundles live in memory.
        QImageReader reader(QString::fromStdString(path));
        return ReadPicture(reader, maxBytes, scaledSize);
    }
    CRegularFile file(path);
    if (!file) {
        return {};
    }
    QFile device;
    if (!device.open(file.Release(), QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        return {};
    }
    QImageReader reader(&device);
    return ReadPicture(reader, maxBytes, scaledSize);
}

CBitmap CBitmap::LoadFile(const std::string& path, std::size_t maxBytes) {
    const QImage image = ReadPictureFile(path, maxBytes);
    if (image.isNull()) {
        return {};
    }
    return FromQImage(image);
}

int CBitmap::Width() const {
    return m_surface ? m_surface->logicalWidth : 0;
}
int CBitmap::Height() const {
    return m_surface ? m_surface->logicalHeight : 0;
}
int CBitmap::PixelWidth() const {
    return m_surface ? m_surface->width : 0;
}
int CBitmap::PixelHeight() const {
    return m_surface ? m_surface->height : 0;
}
double CBitmap::DevicePixelRatio() const {
    return m_surface ? m_surface->ratio : 1.0;
}

Pixel* CBitmap::Bits() const {
    return m_surface ? m_surface->pixels.data() : nullptr;
}

Pixel CBitmap::GetPixel(int x, int y) const {
    if (!m_surface || x < 0 || y < 0 || x >= m_surface->width || y >= m_surface->height) {
        return 0;
    }
    return m_surface->Row(y)[x];
}

void CBitmap::SetPixel(int x, int y, Pixel value) const {
    if (m_surface && x >= 0 && y >= 0 && x < m_surface->width && y < m_surface->height) {
        m_surface->Row(y)[x] = value;
    }
}

CBitmap CBitmap::Clone() const {
    if (!m_surface) {
        return {};
    }
    return CBitmap(std::make_shared<detail::Surface>(*m_surface));
}

bool CBitmap::SavePng(const std::string& path, bool keepAlpha) const {
    if (!m_surface) {
        return false;
    }
    return ToQImage(*this, keepAlpha).save(QString::fromStdString(path), "PNG");
}

} // namespace gfx
