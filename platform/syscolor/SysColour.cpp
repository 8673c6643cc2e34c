#include "syscolor/SysColour.h"

#include <QGuiApplication>
#include <QPalette>

#include <array>

namespace syscolor {

namespace {

struct Source {
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
};

// The palette role that plays each part of the user interface. Captions and borders belong to
// the window manager, which does not tell clients its colours, so the nearest palette role stands
// in for them.
constexpr std::array<Source, 25> kSources{{
    {QPalette::Active, QPalette::Window},          // ActiveBorder
    {QPalette::Active, QPalette::Highlight},       // ActiveCaption
    {QPalette::Active, QPalette::Dark},            // AppWorkspace
    {QPalette::Active, QPalette::Window},          // Background
    {QPalette::Active, QPalette::Button},          // ButtonFace
    {QPalette::Active, QPalette::Light},           // ButtonHighlight
    {QPalette::Active, QPalette::Dark},            // ButtonShadow
    {QPalette::Active, QPalette::ButtonText},      // ButtonText
    {QPalette::Active, QPalette::HighlightedText}, // CaptionText
    {QPalette::Disabled, QPalette::Text},          // GrayText
    {QPalette::Active, QPalette::Highlight},       // Highlight
    {QPalette::Active, QPalette::HighlightedText}, // HighlightText
    {QPalette::Inactive, QPalette::Window},        // InactiveBorder
    {QPalette::Inactive, QPalette::Mid},           // InactiveCaption
    {QPalette::Disabled, QPalette::WindowText},    // InactiveCaptionText
    {QPalette::Active, QPalette::ToolTipBase},     // InfoBackground
    {QPalette::Active, QPalette::ToolTipText},     // InfoText
    {QPalette::Active, QPalette::Window},          // Menu
    {QPalette::Active, QPalette::WindowText},      // MenuText
    {QPalette::Active, QPalette::Button},          // ScrollBar
    {QPalette::Active, QPalette::Shadow},          // DarkShadow3D
    {QPalette::Active, QPalette::Midlight},        // Light3D
    {QPalette::Active, QPalette::Base},            // Window
    {QPalette::Active, QPalette::Shadow},          // WindowFrame
    {QPalette::Active, QPalette::Text},            // WindowText
}};

} // namespace

std::uint32_t GetSysColour(SysColour which) {
    const auto index = static_cast<std::size_t>(which);
    if (index >= kSources.size()) {
        return 0;
    }
    const QPalette palette = qGuiApp != nullptr ? QGuiApplication::palette() : QPalette();
    const QColor colour = palette.color(kSources[index].group, kSources[index].role);
    return static_cast<std::uint32_t>(colour.red()) |
           (static_cast<std::uint32_t>(colour.green()) << 8) |
           (static_cast<std::uint32_t>(colour.blue()) << 16);
}

} // namespace syscolor
