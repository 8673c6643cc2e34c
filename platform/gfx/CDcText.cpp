// Text of the device context: metrics, extents with justification, and text output. Simple text
// (see FontData.h) is measured straight from its UTF-8 bytes and, on bitmaps of ratio 1, drawn
// from glyphs the font keeps, so that a tip measuring the same words many times and repainting on
// every hover change shapes and renders nothing; other text is shaped and rendered by Qt.

#include "gfx/CDc.h"

#include "gfx/DcDetail.h"
#include "gfx/FontData.h"

#include <QPainter>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <optional>
#include <vector>

namespace gfx {

namespace {

const detail::FontData& FontOf(const CDc& dc) {
    const detail::FontData* data = FontDataOf(dc.Font());
    return data ? *data : *FontDataOf(CFont::Default());
}

using detail::ExtraForSpace;

} // namespace

TextMetrics CDc::GetTextMetrics() const {
    return FontOf(*this).textMetrics;
}

void CDc::SetTextJustification(int extra, int breakCount) {
    m_justification = breakCount > 0 ? Justification{extra, breakCount, 0} : Justification{};
}

Size CDc::GetTextExtent(std::string_view text) const {
    return GetTextExtent(text, INT_MAX);
}

Size CDc::GetTextExtent(std::string_view text, int limit) const {
    const detail::FontData& font = FontOf(*this);
    const detail::Spread spread{m_justification.extra, m_justification.count, m_justification.used};
    if (const std::optional<int> simple = font.SimpleAdvance(text, spread, limit)) {
        return {*simple, font.textMetrics.height};
    }
    const QString string = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    int width = font.Advance(string);
    int k = m_justification.used;
    for (QChar c : string) {
        if (c == u' ') {
            width += ExtraForSpace(m_justification.extra, m_justification.count, k++);
        }
    }
    return {width, font.textMetrics.height};
}

namespace {

struct Justified {
    int extra = 0;
    int count = 0;
    int first = 0; // the index among the counted spaces of the text's first space
};

// Paints the runs of text (each ending after a space) from x = left on the baseline, a run moved
// by the extra pixels of the spaces before it; runs that start right of limit are not painted.
// Returns the number of spaces in text.
int PaintRuns(QPainter& painter, const detail::FontData& font, const QString& text, double left,
              double limit, const Justified& justified) {
    QFont plain = font.font;
    plain.setUnderline(false); // drawn once across the whole text instead, gaps included
    plain.setStrikeOut(false);
    painter.setFont(plain);
    if (justified.count <= 0 || justified.extra == 0 || justified.first >= justified.count) {
        // Nothing to spread: one call draws the whole text.
        painter.drawText(QPointF(left, font.textMetrics.ascent), text);
        return static_cast<int>(text.count(u' '));
    }
    qsizetype start = 0;
    int advance = 0; // of the text before the run
    int shift = 0;
    int spaces = 0;
    while (start < text.size()) {
        qsizetype end = text.indexOf(u' ', start);
        end = end < 0 ? text.size() : end + 1;
        if (left + advance + shift > limit) {
            return spaces + static_cast<int>(text.mid(start).count(u' '));
        }
        const QString run = text.mid(start, end - start);
        painter.drawText(QPointF(left + advance + shift, font.textMetrics.ascent), run);
        advance += font.Advance(run);
        if (text[end - 1] == u' ') {
            shift += ExtraForSpace(justified.extra, justified.count, justified.first + spaces);
            ++spaces;
        }
        start = end;
    }
    return spaces;
}

// Underline and strike-out lines across width pixels from left.
void PaintLines(QPainter& painter, const detail::FontData& font, double left, int width) {
    const int thickness = std::max(1, font.metrics.lineWidth());
    if (font.logical.underline) {
        painter.fillRect(
            QRectF(left, font.textMetrics.ascent + font.metrics.underlinePos(), width, thickness),
            QColor(0, 0, 0, 255));
    }
    if (font.logical.strikeOut) {
        painter.fillRect(
            QRectF(left, font.textMetrics.ascent - font.metrics.strikeOutPos(), width, thickness),
            QColor(0, 0, 0, 255));
    }
}

bool AllSimple(std::string_view text) {
    char16_t code = 0;
    for (std::size_t i = 0; i < text.size();) {
        if (!detail::NextSimple(text, i, code)) {
            return false;
        }
    }
    return true;
}

int CountSpaces(std::string_view text) {
    return static_cast<int>(std::count(text.begin(), text.end(), ' '));
}

// Lays a glyph's coverage over line coverage whose top-left pixel lies at (x, y) relative to the
// line's, as rendering lays an opaque pen's glyph over a premultiplied image: the alpha of
// source-over, rounded as the renderer rounds.
void LayGlyph(uchar* line, qsizetype lineStride, int lineWidth, int lineHeight, const QImage& glyph,
              int x, int y) {
    const int x0 = std::max(0, x);
    const int x1 = std::min(lineWidth, x + glyph.width());
    const int y0 = std::max(0, y);
    const int y1 = std::min(lineHeight, y + glyph.height());
    const uchar* glyphBits = glyph.constBits();
    for (int py = y0; py < y1; ++py) {
        const uchar* from = glyphBits + (py - y) * glyph.bytesPerLine();
        uchar* to = line + py * lineStride;
        for (int px = x0; px < x1; ++px) {
            const int c = from[px - x];
            if (c == 255) {
                to[px] = 255;
            } else if (c != 0) {
                const int t = 255 * c + to[px] * (255 - c);
                to[px] = static_cast<uchar>((t + (t >> 8) + 0x80) >> 8);
            }
        }
    }
}

struct PlacedGlyph {
    const QImage* coverage;
    int x; // device pixels
    int y;
};

// Underline and strike-out bands of a cell width pixels wide at (x, y), relative to the cell.
template <typename Fill>
void ForEachLine(const detail::FontData& font, int width, Fill fill) {
    const int thickness = std::max(1, font.metrics.lineWidth());
    if (font.logical.underline) {
        fill(QRect(0, font.textMetrics.ascent + font.metrics.underlinePos(), width, thickness));
    }
    if (font.logical.strikeOut) {
        fill(QRect(0, font.textMetrics.ascent - font.metrics.strikeOutPos(), width, thickness));
    }
}

// Glyphs that overlap are put together into the line's coverage first, as rendering the string
// does, so that their shared pixels mix exactly as there.
void PaintOverlapping(const CDc& dc, const detail::FontData& font, const detail::DeviceRect& reach,
                      const std::vector<PlacedGlyph>& placed, int x, int y, int width) {
    QImage line(reach.right - reach.left, reach.bottom - reach.top, QImage::Format_Alpha8);
    if (line.isNull()) {
        return;
    }
    line.fill(0);
    uchar* bits = line.bits();
    for (const PlacedGlyph& glyph : placed) {
        LayGlyph(bits, line.bytesPerLine(), line.width(), line.height(), *glyph.coverage,
                 glyph.x - reach.left, glyph.y - reach.top);
    }
    const QRect cell(x - reach.left, y - reach.top, width, font.textMetrics.height);
    ForEachLine(font, width, [&](const QRect& band) {
        const QRect r = band.translated(cell.topLeft()).intersected(cell).intersected(line.rect());
        for (int py = r.top(); py <= r.bottom(); ++py) {
            std::fill_n(bits + py * line.bytesPerLine() + r.left(), r.width(), uchar{255});
        }
    });
    detail::PaintCoverage(dc, line, reach.left, reach.top, dc.TextColor());
}

// Simple text on a bitmap of ratio 1, its cell (width wide) at (x, y), from the font's kept
// glyphs: the very pixels rendering the string gives, without rendering anything once the glyphs
// are known. Returns the number of spaces drawn.
int PaintKeptGlyphs(const CDc& dc, const detail::FontData& font, int x, int y,
                    std::string_view text, int width, const detail::Spread& spread) {
    const int height = font.textMetrics.height;
    // Glyphs may reach past their advance by up to a cell height on either side.
    const detail::DeviceRect reach = detail::InsideBitmap(
        dc, {detail::ToDevice(x - height, 1.0), detail::ToDevice(y, 1.0),
             detail::ToDevice(x + width + height, 1.0), detail::ToDevice(y + height, 1.0)});
    const std::vector<detail::DeviceRect> writable = detail::WritableRects(dc, reach);
    if (writable.empty()) {
        return CountSpaces(text);
    }
    const auto lock = font.Lock();
    std::vector<PlacedGlyph> placed;
    placed.reserve(text.size());
    bool overlap = false;
    std::int64_t inkRight = INT64_MIN;
    std::int64_t pen = x;
    int spaces = 0;
    char16_t code = 0;
    for (std::size_t i = 0; i < text.size() && detail::NextSimple(text, i, code);) {
        const detail::CachedGlyph& glyph = font.GlyphLocked(code);
        if (!glyph.coverage.isNull()) {
            const std::int64_t left = pen + glyph.left;
            const std::int64_t right = left + glyph.coverage.width();
            overlap = overlap || left < inkRight;
            inkRight = std::max(inkRight, right);
            if (left < reach.right && right > reach.left) {
                placed.push_back({&glyph.coverage, static_cast<int>(left), y + glyph.top});
            }
        }
        pen += font.AdvanceLocked(code);
        if (code == u' ') {
            pen += ExtraForSpace(spread.extra, spread.count, spread.first + spaces++);
        }
    }
    if (overlap) {
        PaintOverlapping(dc, font, reach, placed, x, y, width);
        return spaces;
    }
    for (const PlacedGlyph& glyph : placed) {
        detail::PaintCoverage(dc, *glyph.coverage, glyph.x, glyph.y, dc.TextColor(), writable);
    }
    const detail::DeviceRect cell = detail::Intersect(reach, {x, y, x + width, y + height});
    ForEachLine(font, width, [&](const QRect& band) {
        const detail::DeviceRect r{x + band.left(), y + band.top(), x + band.left() + band.width(),
                                   y + band.top() + band.height()};
        detail::FillArea(dc, detail::Intersect(r, cell), PixelFromColor(dc.TextColor()));
    });
    return spaces;
}

} // namespace

void CDc::TextOut(int x, int y, std::string_view text) {
    if (text.empty()) {
        return;
    }
    const detail::FontData& font = FontOf(*this);
    const Size extent = GetTextExtent(text);
    if (m_bkMode == BkMode::Opaque) {
        FillSolidRect({x, y, x + extent.cx, y + extent.cy}, m_bkColor);
    }
    if (DevicePixelRatio() == 1.0 && AllSimple(text)) {
        const detail::Spread spread{m_justification.extra, m_justification.count,
                                    m_justification.used};
        const int spaces = PaintKeptGlyphs(*this, font, x, y, text, extent.cx, spread);
        if (m_justification.count > 0) {
            m_justification.used += spaces;
        }
        return;
    }
    const double ratio = DevicePixelRatio();
    // Glyphs may reach past their advance (italics, bearings): leave room on both sides.
    const int margin = font.textMetrics.height;
    const detail::DeviceRect cell{detail::ToDevice(x - margin, ratio), detail::ToDevice(y, ratio),
                                  detail::ToDevice(x + extent.cx + margin, ratio),
                                  detail::ToDevice(y + extent.cy, ratio)};
    // Only the part of the cell inside the bitmap is rendered.
    const detail::DeviceRect reach = detail::InsideBitmap(*this, cell);
    const QString string = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    const Justified justified{m_justification.extra, m_justification.count, m_justification.used};
    int spaces = static_cast<int>(string.count(u' '));
    if (!detail::WritableRects(*this, reach).empty()) {
        // Glyphs render fastest (through Qt's glyph cache) onto premultiplied colour images.
        QImage coverage(reach.right - reach.left, reach.bottom - reach.top,
                        QImage::Format_ARGB32_Premultiplied);
        if (coverage.isNull()) {
            return;
        }
        coverage.fill(0);
        coverage.setDevicePixelRatio(ratio);
        QPainter painter(&coverage);
        painter.translate((cell.left - reach.left) / ratio, (cell.top - reach.top) / ratio);
        painter.setPen(QColor(0, 0, 0, 255));
        spaces =
            PaintRuns(painter, font, string, margin, (reach.right - cell.left) / ratio, justified);
        PaintLines(painter, font, margin, extent.cx);
        painter.end();
        detail::PaintCoverage(*this, coverage, reach.left, reach.top, m_textColor);
    }
    if (m_justification.count > 0) {
        m_justification.used += spaces;
    }
}

} // namespace gfx
