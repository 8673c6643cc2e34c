#pragma once
// The colours of the user interface (the application palette), as 32-bit colour values with red
// in the low byte, green in the second and blue in the third.

#include <cstdint>

namespace syscolor {

enum class SysColour {
    ActiveBorder,
    ActiveCaption,
    AppWorkspace,
    Background,
    ButtonFace,
    ButtonHighlight,
    ButtonShadow,
    ButtonText,
    CaptionText,
    GrayText,
    Highlight,
    HighlightText,
    InactiveBorder,
    InactiveCaption,
    InactiveCaptionText,
    InfoBackground,
    InfoText,
    Menu,
    MenuText,
    ScrollBar,
    DarkShadow3D,
    Light3D,
    Window,
    WindowFrame,
    WindowText,
};

// Reads the colour from the running application's palette at the moment of the call. Without a
// running GUI application the colours of Qt's default palette are used.
[[nodiscard]] std::uint32_t GetSysColour(SysColour which);

} // namespace syscolor
