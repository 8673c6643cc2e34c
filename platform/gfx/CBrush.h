#pragma once
// A brush: the colour that fills rectangles and regions. Only solid and null brushes exist here.

#include "gfx/GfxTypes.h"

namespace gfx {

class CBrush {
public:
    CBrush() = default; // white, as a fresh device context holds
    explicit CBrush(ColorRef color) : m_color(color) {}
    static CBrush Null() {
        CBrush brush;
        brush.m_null = true;
        return brush;
    }

    bool IsNull() const { return m_null; }
    ColorRef Color() const { return m_color; }
    friend bool operator==(const CBrush&, const CBrush&) = default;

private:
    ColorRef m_color = Rgb(255, 255, 255);
    bool m_null = false;
};

} // namespace gfx
