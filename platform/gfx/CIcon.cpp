#include "gfx/CIcon.h"

#include "gfx/QtInterop.h"

#include <QImage>
#include <QImageReader>

namespace gfx {

CIcon CIcon::Create(const CBitmap& color, const CBitmap& mask, Point hotSpot) {
    if (!color || !mask) {
        return {};
    }
    CIcon icon;
    icon.m_data = std::make_shared<const Data>(Data{color.Clone(), mask.Clone(), hotSpot});
    return icon;
}

CIcon CIcon::FromBitmap(const CBitmap& picture) {
    return picture ? FromOwnPicture(picture.Clone()) : CIcon();
}

// The picture's pixels become the icon's colour bitmap as they are, without a copy.
CIcon CIcon::FromOwnPicture(CBitmap color) {
    if (!color) {
        return {};
    }
    CBitmap mask = CBitmap::Create(color.Width(), color.Height(), color.DevicePixelRatio());
    if (!mask) {
        return {};
    }
    Pixel* colorBits = color.Bits();
    Pixel* maskBits = mask.Bits();
    const std::size_t count = static_cast<std::size_t>(color.PixelWidth()) * color.PixelHeight();
    for (std::size_t i = 0; i < count; ++i) {
        if (PixelAlpha(colorBits[i]) == 0) {
            colorBits[i] = 0;
            maskBits[i] = MakePixel(255, 255, 255);
        }
    }
    const Point hotSpot{color.Width() / 2, color.Height() / 2};
    CIcon icon;
    icon.m_data = std::make_shared<const Data>(Data{std::move(color), std::move(mask), hotSpot});
    return icon;
}

CIcon CIcon::LoadFile(const std::string& path, int width, int height, std::size_t maxBytes) {
    QImage image =
        ReadPictureFile(path, maxBytes, width > 0 && height > 0 ? QSize(width, height) : QSize());
    if (image.isNull()) {
        return {};
    }
    if (width > 0 && height > 0 && image.size() != QSize(width, height)) {
        image = image.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    if (!image.hasAlphaChannel()) {
        image = image.convertToFormat(QImage::Format_ARGB32);
        // An opaque picture: every pixel shows.
        for (int y = 0; y < image.height(); ++y) {
            auto* row = reinterpret_cast<Pixel*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                row[x] |= 0xFF000000u;
            }
        }
    }
    CBitmap picture = FromQImage(image);
    image = QImage(); // not held beside the icon's bitmaps
    return FromOwnPicture(std::move(picture));
}

bool CIcon::GetInfo(IconInfo& info) const {
    if (!m_data) {
        return false;
    }
    info.color = m_data->color.Clone();
    info.mask = m_data->mask.Clone();
    info.hotSpot = m_data->hotSpot;
    return true;
}

CIcon CIcon::Copy() const {
    return m_data ? Create(m_data->color, m_data->mask, m_data->hotSpot) : CIcon();
}

const CBitmap& CIcon::Color() const {
    static const CBitmap none;
    return m_data ? m_data->color : none;
}

const CBitmap& CIcon::Mask() const {
    static const CBitmap none;
    return m_data ? m_data->mask : none;
}

Point CIcon::HotSpot() const {
    return m_data ? m_data->hotSpot : Point{};
}

} // namespace gfx
