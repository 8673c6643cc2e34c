#pragma once
// The colour names of the markup, with their values as written on the web (0xRRGGBB).

#include <span>
#include <string_view>

namespace tooltip {

struct HtmlNamedColour {
    std::string_view name;
    unsigned rgb;
};

// The 140 named colours, in the order they are entered into a drawer's colour table.
[[nodiscard]] std::span<const HtmlNamedColour> NamedColours();

} // namespace tooltip
