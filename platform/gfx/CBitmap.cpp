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

// False when the sizes are beyond the bound: then nothing is read.
bool PrepareReader(QImageReader& reader, std::size_t maxBytes, QSize scaledSize) {
    if (maxBytes != 0) {
        // The picture is decoded at its own size before any scaling, so both sizes are bounded.
        // A reader that cannot tell the size first is not trusted to stay within the bound.
        if (!WithinBound(reader.size(), maxBytes) ||
            (scaledSize.isValid() && !WithinBound(scaledSize, maxBytes))) {
            return false;
        }
        reader.setAllocationLimit(static_cast<int>(
            std::min<std::size_t>((maxBytes >> 20) + 1, static_cast<std::size_t>(INT_MAX))));
    }
    if (scaledSize.isValid()) {
        reader.setScaledSize(scaledSize);
    }
    return true;
}

// Decodes straight into a new bitmap's pixels where the reader's format is the bitmap's layout,
// so that a large picture is never held twice; otherwise (or when the reader put the picture
// elsewhere after all) the decoded image is returned and `into` stays null.
QImage ReadPictureInto(QImageReader& reader, std::size_t maxBytes, CBitmap& into) {
    if (!PrepareReader(reader, maxBytes, {})) {
        return {};
    }
    const QSize size = reader.size();
    const QImage::Format format = reader.imageFormat();
    if (!size.isValid() || (format != QImage::Format_RGB32 && format != QImage::Format_ARGB32)) {
        return reader.read();
    }
    CBitmap bitmap = CBitmap::Create(size.width(), size.height());
    if (!bitmap) {
        return reader.read();
    }
    auto* pixels = reinterpret_cast<uchar*>(bitmap.Bits());
    QImage view(pixels, size.width(), size.height(), size.width() * 4, format);
    if (!reader.read(&view)) {
        return {};
    }
    if (view.constBits() != pixels || view.devicePixelRatio() != 1.0) {
        return view.constBits() == pixels ? view.copy() : view;
    }
    if (format == QImage::Format_RGB32) {
        // Pictures without alpha get zero alpha bytes.
        Pixel* bits = bitmap.Bits();
        const std::size_t count = static_cast<std::size_t>(size.width()) * size.height();
        for (std::size_t i = 0; i < count; ++i) {
            bits[i] &= 0x00FFFFFFu;
        }
    }
    into = std::move(bitmap);
    return {};
}

// Calls read with a reader over the picture file.
template <typename Read>
QImage WithReader(const std::string& path, Read&& read) {
    if (path.starts_with(':')) {
        // The program's own pictures and open bundles live in memory.
        QImageReader reader(QString::fromStdString(path));
        return read(reader);
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
    return read(reader);
}

} // namespace

QImage ReadPictureFile(const std::string& path, std::size_t maxBytes, QSize scaledSize) {
    return WithReader(path, [&](QImageReader& reader) {
        return PrepareReader(reader, maxBytes, scaledSize) ? reader.read() : QImage();
    });
}

CBitmap CBitmap::LoadFile(const std::string& path, std::size_t maxBytes) {
    CBitmap direct;
    const QImage image = WithReader(
        path, [&](QImageReader& reader) { return ReadPictureInto(reader, maxBytes, direct); });
    if (direct) {
        return direct;
    }
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
