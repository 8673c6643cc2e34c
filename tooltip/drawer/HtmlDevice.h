#pragma once
// The drawing layer the drawer paints with.

#include "gfx/CDc.h"

namespace tooltip {

using HtmlDc = gfx::CDc;

} // namespace tooltip
