#pragma once
// The help viewer's entry point. One help window serves the whole program; showing a topic reuses
// it. A reference that names no existing topic shows nothing and answers nullptr.

#include <QWidget>

#include <cstdint>
#include <string_view>

namespace help {

enum HelpCommand : unsigned {
    kHhDisplayTopic = 0x0000,
    kHhCloseAll = 0x0012,
};

// The help window is never owned by `caller`; a new one opens beside it, on its screen.
QWidget* HtmlHelp(QWidget* caller, std::string_view file, HelpCommand command, std::uintptr_t data);

} // namespace help
