#pragma once
// The drawer's hold on a device context during a pass: the pass font, what the context held
// before the pass, and the fonts realised so far.

#include "gfx/CDc.h"
#include "tooltip/drawer/CHtmlDrawer.h"

#include <map>
#include <string>
#include <tuple>

namespace tooltip {

struct CHtmlDrawer::PassDevice {
    using FontKey = std::tuple<std::string, int, int, int, int, int>;
    // A tip uses a handful of fonts; the bound stops markup with endless distinct sizes from
    // growing the cache.
    static constexpr std::size_t kMaxCachedFonts = 64;

    gfx::CFont font;
    gfx::CFont previousFont;
    gfx::BkMode previousBkMode = gfx::BkMode::Opaque;
    gfx::ColorRef previousTextColour = 0;
    gfx::ColorRef previousBkColour = 0;
    std::map<FontKey, gfx::CFont> cache;
    // The key of `font`, so that a style change that keeps the font (a colour, a link) finds it
    // without building a key and searching the cache.
    FontKey fontKey;

    // Whether `font` is the font of style.
    bool Holds(const HtmlStyle& style) const {
        return !font.IsNull() && std::get<1>(fontKey) == style.size &&
               std::get<2>(fontKey) == style.weight && std::get<3>(fontKey) == style.italic &&
               std::get<4>(fontKey) == style.underline && std::get<5>(fontKey) == style.strikeout &&
               std::get<0>(fontKey) == style.face.str();
    }
};

} // namespace tooltip
