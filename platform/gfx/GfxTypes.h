#pragma once
// Plain records and codes shared by every part of the drawing layer. Geometry is in logical pixels;
// a surface may carry a device pixel ratio, which only the layer itself applies.

#include <bit>
#include <cstdint>

namespace gfx {

static_assert(std::endian::native == std::endian::little,
              "pixels are addressed as 32-bit values whose bytes are blue, green, red, alpha");

// A colour as the tooltip engine passes it around: red in the low byte, then green, then blue.
using ColorRef = std::uint32_t;

constexpr ColorRef Rgb(int red, int green, int blue) {
    return static_cast<ColorRef>((red & 0xFF) | ((green & 0xFF) << 8) | ((blue & 0xFF) << 16));
}
constexpr int RedOf(ColorRef c) {
    return static_cast<int>(c & 0xFF);
}
constexpr int GreenOf(ColorRef c) {
    return static_cast<int>((c >> 8) & 0xFF);
}
constexpr int BlueOf(ColorRef c) {
    return static_cast<int>((c >> 16) & 0xFF);
}

// A pixel of a 32-bit surface read as one value: its bytes in memory are blue, green, red, alpha,
// so the value is 0xAARRGGBB.
using Pixel = std::uint32_t;

constexpr Pixel MakePixel(int red, int green, int blue, int alpha = 0) {
    return static_cast<Pixel>((blue & 0xFF) | ((green & 0xFF) << 8) | ((red & 0xFF) << 16) |
                              (static_cast<std::uint32_t>(alpha & 0xFF) << 24));
}
constexpr int PixelBlue(Pixel p) {
    return static_cast<int>(p & 0xFF);
}
constexpr int PixelGreen(Pixel p) {
    return static_cast<int>((p >> 8) & 0xFF);
}
constexpr int PixelRed(Pixel p) {
    return static_cast<int>((p >> 16) & 0xFF);
}
constexpr int PixelAlpha(Pixel p) {
    return static_cast<int>(p >> 24);
}
// The pixel that painting a colour writes: the colour's channels with a zero alpha byte.
constexpr Pixel PixelFromColor(ColorRef c) {
    return MakePixel(RedOf(c), GreenOf(c), BlueOf(c), 0);
}
constexpr ColorRef ColorFromPixel(Pixel p) {
    return Rgb(PixelRed(p), PixelGreen(p), PixelBlue(p));
}

struct Point {
    int x = 0;
    int y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
    int cx = 0;
    int cy = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

// Right and bottom are exclusive.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    constexpr int Width() const { return right - left; }
    constexpr int Height() const { return bottom - top; }
    constexpr bool IsEmpty() const { return right <= left || bottom <= top; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

// Whether text is drawn over a filled background.
enum class BkMode { Transparent = 1, Opaque = 2 };

// Raster operations of the block transfers, on all 32 bits of each pixel.
enum class Rop {
    SrcCopy,   // destination = source
    SrcAnd,    // destination = destination AND source
    SrcPaint,  // destination = destination OR source
    SrcInvert, // destination = destination XOR source
    // A transparent-colour picture in one bitmap: a source pixel with a non-zero alpha byte is
    // keyed, and acts as the pair "AND with white, then OR with its colour" (destination colour
    // channels kept, source's ORed in, alpha byte 0); any other source pixel is copied.
    SrcKeyed,
    // Each colour channel = trunc(a * source) + trunc((1 - a) * destination), a = source alpha
    // byte / 255, clamped to 255; alpha byte 0.
    SrcBlend,
};

// Logical pixels per inch, the unit behind point sizes.
inline constexpr int kLogPixelsPerInch = 96;

} // namespace gfx
