#pragma once
// An in-memory 8-bit palettised picture: a 256-colour palette and one index per pixel, rows stored
// bottom-up in one block together with a copy of the header and the palette. The pattern effects of
// the draw manager write indexes into it and copy it onto a device context.

#include "gfx/CBitmap.h"
#include "gfx/CDc.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>

namespace tooltip {

// The device-independent bitmap header at the start of the block (40 bytes).
struct BitmapInfoHeader {
    std::uint32_t size = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint16_t planes = 0;
    std::uint16_t bitCount = 0;
    std::uint32_t compression = 0;
    std::uint32_t sizeImage = 0;
    std::int32_t xPelsPerMeter = 0;
    std::int32_t yPelsPerMeter = 0;
    std::uint32_t clrUsed = 0;
    std::uint32_t clrImportant = 0;
};
static_assert(sizeof(BitmapInfoHeader) == 40);

class CPaletteImage {
public:
    CPaletteImage();
    CPaletteImage(const CPaletteImage&) = delete;
    CPaletteImage& operator=(const CPaletteImage&) = delete;
    virtual ~CPaletteImage();

    // Drops the pixels, the palette and the copy made for drawing; the picture is empty again.
    void ReleaseAll();
    // A picture of width x height with a 256-entry palette; palette and pixels are left as they
    // are in fresh memory. Returns the block, or null (and an empty picture) when it cannot be
    // made: negative sizes, or a picture over the size limit.
    std::uint8_t* Allocate(int width, int height);

    int PaletteBytes() const { return m_paletteCount * 4; }
    std::size_t BufferSize() const;
    std::uint8_t* PixelData() const;
    int RowStride() const { return m_stride; }
    int Width() const { return m_header.width; }
    int Height() const { return m_header.height; }
    const BitmapInfoHeader& Header() const { return m_header; }

    void SetPaletteColour(int index, int red, int green, int blue);
    // Moves every palette entry toward colour by percent (above 100 counts as 100, below 0 as 0).
    void TintPalette(int percent, gfx::ColorRef colour);
    // Stores index at (x, y), y counted from the top; positions outside the picture are ignored.
    void PutIndex(int x, int y, std::uint8_t index);
    void ZeroPixels();
    // Copies the picture onto dc at (x, y). The palette is fixed into the drawing copy at the first
    // call after Allocate; the pixels are copied on every call.
    void BlitTo(gfx::CDc& dc, int x, int y);

private:
    std::unique_ptr<std::uint8_t[]> m_block;
    BitmapInfoHeader m_header;
    std::int32_t m_stride = 0;
    std::uint16_t m_paletteCount = 0;
    gfx::CBitmap m_section;
    std::optional<gfx::CDc> m_memoryDc;
    std::array<gfx::Pixel, 256> m_sectionPalette{};
};

} // namespace tooltip
