// Text of the device context: metrics, extents with justification, and text output.

#include "gfx/CDc.h"

#include "gfx/DcDetail.h"
#include "gfx/FontData.h"

#include <QPainter>

#include <algorithm>
#include <cstdint>

namespace gfx {

namespace {

const detail::FontData& FontOf(const CDc& dc) {
    const detail::FontData* data = FontDataOf(dc.Font());
    return data ? *data : *FontDataOf(CFont::Default());
}

// Extra pixels the k-th space (from 0) of a justification of extra pixels over count spaces gets.
int ExtraForSpace(std::int64_t extra, std::int64_t count, std::int64_t k) {
    if (count <= 0 || k < 0 || k >= count) {
        return 0;
    }
    return static_cast<int>(extra * (k + 1) / count - extra * k / count);
}

} // namespace

TextMetrics CDc::GetTextMetrics() const {
    return FontOf(*this).textMetrics;
}

void CDc::SetTextJustification(int extra, int breakCount) {
    m_justification = breakCount > 0 ? Justification{extra, breakCount, 0} : Justification{};
}

Size CDc::GetTextExtent(std::string_view text) const {
    const detail::FontData& font = FontOf(*this);
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
