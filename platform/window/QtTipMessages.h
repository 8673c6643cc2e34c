#pragma once
// Which of Qt's input events the tip window tells apart, as the messages it knows.

#include "window/WindowSystem.h"

#include <QEvent>

namespace platformwindow {

struct QtTipEvent {
    tooltip::TipMessageCode code = tooltip::TipMessageCode::Other;
    gfx::Point screenPos; // the cursor in screen coordinates
};

// Other for every event the tip window has no use for. The position is the event's own, rounded.
[[nodiscard]] QtTipEvent TranslateEvent(const QEvent& event);

// Where the cursor is now, in screen coordinates. The relayed messages carry this position rather
// than their events' own: the tip window compares a message's position with a later query of the
// cursor to learn whether the cursor has rested, and an event's fractional position (a touchpad,
// a scaled output, a Wayland pointer) rounds differently from the query, so a still cursor would
// read as moved and no tip would show.
[[nodiscard]] gfx::Point CursorPosition();

} // namespace platformwindow
