#pragma once
// A pen: style, width and colour of the lines a device context draws.

#include "gfx/GfxTypes.h"

namespace gfx {

enum class PenStyle { Solid = 0, Dash = 1, Dot = 2, DashDot = 3, DashDotDot = 4, Null = 5 };

// A small value; a device context keeps a copy of the pen selected into it. As on the platform, a
// pen wider than one pixel draws solid whatever its style, with round ends.
class CPen {
public:
    CPen() = default; // black, solid, one pixel
    CPen(PenStyle style, int width, ColorRef color)
        : m_style(style), m_width(width), m_color(color) {}

    PenStyle Style() const { return m_style; }
    int Width() const { return m_width; }
    ColorRef Color() const { return m_color; }
    friend bool operator==(const CPen&, const CPen&) = default;

private:
    PenStyle m_style = PenStyle::Solid;
    int m_width = 1;
    ColorRef m_color = 0;
};

} // namespace gfx
