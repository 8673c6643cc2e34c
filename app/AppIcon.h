#pragma once
// The program's icons, by resource identifier.

#include <QIcon>

// The icon with identifier `resource`; an empty icon for an identifier without one.
[[nodiscard]] QIcon LoadAppIcon(int resource);
