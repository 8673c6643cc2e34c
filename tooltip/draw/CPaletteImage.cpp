#include "tooltip/draw/CPaletteImage.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace tooltip {

namespace {

constexpr std::uint16_t kPaletteEntries = 256;
// Pictures beyond this many index bytes are refused rather than attempted.
constexpr std::int64_t kMaxImageBytes = 64LL * 1024 * 1024;

} // namespace

CPaletteImage::CPaletteImage() {
    ReleaseAll();
}

CPaletteImage::~CPaletteImage() {
    ReleaseAll();
}

void CPaletteImage::ReleaseAll() {
    m_memoryDc.reset();
    m_section = gfx::CBitmap();
    m_block.reset();
    m_header = BitmapInfoHeader{};
    m_stride = 0;
    m_paletteCount = 0;
}

std::uint8_t* CPaletteImage::Allocate(int width, int height) {
    ReleaseAll();
    if (width < 0 || height < 0) {
        return nullptr;
    }
    const std::int64_t stride = ((static_cast<std::int64_t>(width) * 8 + 31) >> 5) * 4;
    const std::int64_t imageBytes = stride * height;
    if (imageBytes > kMaxImageBytes) {
        return nullptr;
    }
    const std::size_t total =
        sizeof(BitmapInfoHeader) + kPaletteEntries * 4 + static_cast<std::size_t>(imageBytes);
    m_block.reset(new (std::nothrow) std::uint8_t[total]);
    if (!m_block) {
        return nullptr;
    }
    m_paletteCount = kPaletteEntries;
    m_stride = static_cast<std::int32_t>(stride);
    m_header.size = sizeof(BitmapInfoHeader);
    m_header.width = width;
    m_header.height = height;
    m_header.planes = 1;
    m_header.bitCount = 8;
    m_header.compression = 0; // uncompressed
    m_header.sizeImage = static_cast<std::uint32_t>(imageBytes);
    std::memcpy(m_block.get(), &m_header, sizeof(m_header));
    return m_block.get();
}

std::size_t CPaletteImage::BufferSize() const {
    return m_header.size + static_cast<std::size_t>(PaletteBytes()) + m_header.sizeImage;
}

std::uint8_t* CPaletteImage::PixelData() const {
    if (!m_block) {
        return nullptr;
    }
    BitmapInfoHeader stored;
    std::memcpy(&stored, m_block.get(), sizeof(stored));
    return m_block.get() + stored.size + PaletteBytes();
}

void CPaletteImage::SetPaletteColour(int index, int red, int green, int blue) {
    if (!m_block || m_paletteCount == 0 || index < 0 || index >= m_paletteCount) {
        return;
    }
    std::uint8_t* entry = m_block.get() + m_header.size + index * 4;
    entry[0] = static_cast<std::uint8_t>(blue);
    entry[1] = static_cast<std::uint8_t>(green);
    entry[2] = static_cast<std::uint8_t>(red);
    entry[3] = 0;
}

void CPaletteImage::TintPalette(int percent, gfx::ColorRef colour) {
    if (!m_block || m_paletteCount == 0) {
        return;
    }
    percent = std::clamp(percent, 0, 100);
    const int target[3] = {gfx::BlueOf(colour), gfx::GreenOf(colour), gfx::RedOf(colour)};
    std::uint8_t* entry = m_block.get() + m_header.size;
    for (int i = 0; i < m_paletteCount; ++i, entry += 4) {
        for (int channel = 0; channel < 3; ++channel) {
            entry[channel] = static_cast<std::uint8_t>(
                (target[channel] * percent + entry[channel] * (100 - percent)) / 100);
        }
    }
}

void CPaletteImage::PutIndex(int x, int y, std::uint8_t index) {
    if (!m_block || m_paletteCount == 0 || x < 0 || y < 0 || x >= m_header.width ||
        y >= m_header.height) {
        return;
    }
    PixelData()[x + static_cast<std::size_t>(m_header.height - y - 1) * m_stride] = index;
}

void CPaletteImage::ZeroPixels() {
    if (m_block) {
        std::memset(PixelData(), 0, m_header.sizeImage);
    }
}

void CPaletteImage::BlitTo(gfx::CDc& dc, int x, int y) {
    if (!m_block || m_paletteCount == 0) {
        return;
    }
    if (!m_section) {
        m_section = gfx::CBitmap::Create(m_header.width, m_header.height);
        if (!m_section) {
            return;
        }
        // The palette is fixed into the drawing copy now; later palette changes do not show.
        const std::uint8_t* entry = m_block.get() + m_header.size;
        for (int i = 0; i < m_paletteCount; ++i, entry += 4) {
            m_sectionPalette[static_cast<std::size_t>(i)] =
                gfx::MakePixel(entry[2], entry[1], entry[0], entry[3]);
        }
    }
    if (!m_memoryDc) {
        m_memoryDc.emplace();
    }
    gfx::CBitmap previous = m_memoryDc->SelectBitmap(m_section);
    if (m_memoryDc->DrawIndexedImage(0, 0, m_header.width, m_header.height, PixelData(), m_stride,
                                     true, m_sectionPalette)) {
        dc.BitBlt(x, y, m_header.width, m_header.height, *m_memoryDc, 0, 0, gfx::Rop::SrcCopy);
    }
    m_memoryDc->SelectBitmap(std::move(previous));
}

} // namespace tooltip
