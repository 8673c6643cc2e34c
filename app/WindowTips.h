#pragma once
// Sets up the tip window of one of the program's windows: made with the window as its parent,
// shown for 20 seconds, wrapped at 480 pixels, one tool per control of the table (in the table's
// order) with the string table's text, every input event of the window relayed to it, and each
// control described to screen readers by its tip's text without markup.

#include "tooltip/window/CTipWindow.h"

#include <QWidget>

#include <functional>
#include <span>

struct WindowTipTool {
    int controlId;
    int stringId;
};

// The drawer's services for the program's tips: the string table, the application palette.
[[nodiscard]] tooltip::HtmlDrawerServices WindowTipServices();
// The window system of the desktop that every tip window of the program shares.
[[nodiscard]] tooltip::WindowSystem& WindowTipSystem();

// A window that has no tip window leaves its controls without tips; nothing is reported.
void SetUpWindowTips(tooltip::CTipWindow& tips, QWidget& owner,
                     const std::function<QWidget*(int)>& control,
                     std::span<const WindowTipTool> tools);
