#pragma once
// The storage behind a font handle (internal to the drawing layer).

#include "gfx/CFont.h"

#include <QFont>
#include <QFontMetrics>
#include <QString>

namespace gfx::detail {

struct FontData {
    LogFont logical;
    QFont font;
    QFontMetrics metrics;
    TextMetrics textMetrics;
    QString face;
};

} // namespace gfx::detail
