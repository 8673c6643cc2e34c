#pragma once
// The storage behind a font handle (internal to the drawing layer).

#include "gfx/CFont.h"

#include <QFont>
#include <QFontMetrics>
#include <QString>

#include <array>
#include <mutex>

namespace gfx::detail {

// Characters below this are laid out one by one (no shaping joins or moves them), so with kerning
// off a string's width is the sum of its characters' advances.
inline constexpr char16_t kSimpleTextEnd = 0x0300;

struct FontData {
    explicit FontData(const QFontMetrics& fontMetrics) : metrics(fontMetrics) {}

    LogFont logical;
    QFont font;
    QFontMetrics metrics;
    TextMetrics textMetrics;
    QString face;

    // Width of text: summed from remembered advances when every character is simple, so that the
    // layout's many measurements of the same words do not shape them again; shaped otherwise.
    int Advance(const QString& text) const;

private:
    mutable std::mutex m_mutex;
    mutable std::array<int, kSimpleTextEnd> m_advances{};
    mutable std::array<bool, kSimpleTextEnd> m_known{};
};

} // namespace gfx::detail
