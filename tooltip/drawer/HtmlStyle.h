#pragma once
// The drawer's formatting record. A style tag saves a whole copy on the style stack when it opens
// and restores that copy when it closes, so every field is a plain value; texts that come from the
// markup (face, picture, link target) are shared between the copies, so a copy costs a fixed
// amount however long they are.

#include "tooltip/drawer/HtmlSharedText.h"

#include <cstdint>
#include <string>

namespace tooltip {

// Red in the low byte, green in the second, blue in the third.
using HtmlColour = std::uint32_t;

[[nodiscard]] constexpr HtmlColour HtmlRgb(int red, int green, int blue) {
    return static_cast<HtmlColour>((red & 0xFF) | ((green & 0xFF) << 8) | ((blue & 0xFF) << 16));
}

enum HtmlBackgroundMode : int { BkModeTransparent = 1, BkModeOpaque = 2 };
enum HtmlTextAlign : int { AlignLeft = 0, AlignCenter = 1, AlignRight = 2, AlignJustify = 3 };
enum HtmlVerticalAlign : int {
    VAlignTop = 0,
    VAlignMiddle = 1,
    VAlignBottom = 2,
    VAlignBaseline = 3
};
enum HtmlTextTransform : int {
    TransformNone = 0,
    TransformUpper = 1,
    TransformLower = 2,
    TransformCapitalize = 3
};
enum HtmlLinkKind : int { LinkNone = 0, LinkHref = 1, LinkMessage = 2 };

struct HtmlStyle {
    std::string name;
    int size = 16;
    int weight = 400;
    int italic = 0;
    int underline = 0;
    int strikeout = 0;
    int overline = 0;
    HtmlSharedText face{"Verdana"};
    HtmlColour colour = 0;
    HtmlColour backgroundColour = 0xFFFFFF;
    HtmlColour borderLightColour = 0;
    HtmlColour borderDarkColour = 0;
    HtmlColour middleColour = 0xFFFFFF;
    HtmlColour endColour = 0xFFFFFF;
    int backgroundMode = BkModeTransparent;
    int backgroundEffect = -1;
    HtmlSharedText backgroundImage;
    int textAlign = AlignLeft;
    int verticalAlign = VAlignBaseline;
    int borderStyle = 0;
    int borderWidth = 0;
    int width = 0;
    int height = 0;
    int textTransform = TransformNone;
    int cellPadding = 2;
    int cellSpacing = 0;
    int linkKind = LinkNone;
    HtmlSharedText linkTarget;

    // Every field back to its starting value except a table cell's own width and height, which
    // each cell sets for itself.
    void Reset() {
        const int keepWidth = width;
        const int keepHeight = height;
        *this = HtmlStyle{};
        width = keepWidth;
        height = keepHeight;
    }
};

} // namespace tooltip
