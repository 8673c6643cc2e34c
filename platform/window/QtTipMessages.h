#pragma once
// Which of Qt's input events the tip window tells apart, as the messages it knows.

#include "window/WindowSystem.h"

#include <QEvent>

namespace platformwindow {

struct QtTipEvent {
    tooltip::TipMessageCode code = tooltip::TipMessageCode::Other;
    gfx::Point screenPos; // the cursor in screen coordinates
};

// Other for every event the tip window has no use for.
[[nodiscard]] QtTipEvent TranslateEvent(const QEvent& event);

} // namespace platformwindow
