#pragma once
// The storage behind a font handle (internal to the drawing layer).

#include "gfx/CFont.h"

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QString>

#include <array>
#include <climits>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>
#include <vector>

namespace gfx::detail {

// Characters below this are laid out one by one (no shaping joins or moves them), so with kerning
// off a string's width is the sum of its characters' advances.
inline constexpr char16_t kSimpleTextEnd = 0x0300;

// Pixels a justification of extra pixels over count spaces gives its k-th space (from 0).
inline int ExtraForSpace(std::int64_t extra, std::int64_t count, std::int64_t k) {
    if (count <= 0 || k < 0 || k >= count) {
        return 0;
    }
    return static_cast<int>(extra * (k + 1) / count - extra * k / count);
}

struct Spread {
    int extra = 0;
    int count = 0;
    int first = 0; // the index among the counted spaces of the text's first space
};

// Reads the character at text[i] into code and moves i past it when it is simple: ASCII or a
// two-byte sequence below kSimpleTextEnd. False for anything else (longer sequences, stray or
// malformed bytes), which leaves the text to the shaping path.
inline bool NextSimple(std::string_view text, std::size_t& i, char16_t& code) {
    constexpr unsigned char kLastSimpleLead = 0xC0 | ((kSimpleTextEnd - 1) >> 6);
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) {
        code = lead;
        ++i;
        return true;
    }
    if (lead < 0xC2 || lead > kLastSimpleLead || i + 1 >= text.size()) {
        return false;
    }
    const auto next = static_cast<unsigned char>(text[i + 1]);
    if ((next & 0xC0) != 0x80) {
        return false;
    }
    code = static_cast<char16_t>(((lead & 0x1F) << 6) | (next & 0x3F));
    i += 2;
    return true;
}

// A simple character drawn once in black and kept: its ink as 8-bit coverage, placed relative to
// the pen position on the cell's top.
struct CachedGlyph {
    QImage coverage; // null for a character without ink
    int left = 0;
    int top = 0;
};

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
    // Width of UTF-8 text with the spread's extra pixels on its spaces, summed straight from the
    // bytes when every character is simple (nothing converted or shaped); measuring stops once
    // the width passes limit, returning that width. Nothing when some character needs shaping.
    std::optional<int> SimpleAdvance(std::string_view text, const Spread& spread,
                                     int limit = INT_MAX) const;

    // Simple characters' advances and glyphs, under the lock that Lock() returns.
    [[nodiscard]] std::unique_lock<std::mutex> Lock() const { return std::unique_lock(m_mutex); }
    int AdvanceLocked(char16_t code) const;
    const CachedGlyph& GlyphLocked(char16_t code) const;

private:
    CachedGlyph MakeGlyph(char16_t code) const;
    QImage RenderGlyph(char16_t code, const QRect& area, int margin,
                       std::vector<uchar>& store) const;

    mutable std::mutex m_mutex;
    mutable std::unique_ptr<std::array<CachedGlyph, kSimpleTextEnd>> m_glyphs;
    mutable std::array<bool, kSimpleTextEnd> m_glyphKnown{};
    mutable std::array<int, kSimpleTextEnd> m_advances{};
    mutable std::array<bool, kSimpleTextEnd> m_known{};
};

} // namespace gfx::detail
