#pragma once
// The storage behind a region handle (internal to the drawing layer).

#include <QRegion>

namespace gfx::detail {

struct RegionData {
    QRegion region; // logical pixels
};

} // namespace gfx::detail
