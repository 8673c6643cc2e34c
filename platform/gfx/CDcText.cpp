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
    int width = font.metrics.horizontalAdvance(string);
    int k = m_justification.used;
    for (QChar c : string) {
        if (c == u' ') {
            width += ExtraForSpace(m_justification.extra, m_justification.count, k++);
        }
    }
    return {width, font.textMetrics.height};
}

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
    const int left = detail::ToDevice(x - margin, ratio);
    const int top = detail::ToDevice(y, ratio);
    const int right = detail::ToDevice(x + extent.cx + margin, ratio);
    const int bottom = detail::ToDevice(y + extent.cy, ratio);
    const QString string = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    int spaces = 0;
    if (!detail::WritableRects(*this, {left, top, right, bottom}).empty()) {
        QImage coverage(right - left, bottom - top, QImage::Format_Alpha8);
        if (coverage.isNull()) {
            return;
        }
        coverage.fill(0);
        coverage.setDevicePixelRatio(ratio);
        QPainter painter(&coverage);
        painter.setFont(font.font);
        painter.setPen(QColor(0, 0, 0, 255));
        // Each run ends after a space; a run starts where the text before it ends, moved by the
        // extra pixels of the spaces before it.
        qsizetype start = 0;
        int shift = 0;
        while (start < string.size()) {
            qsizetype end = string.indexOf(u' ', start);
            end = end < 0 ? string.size() : end + 1;
            const int offset = font.metrics.horizontalAdvance(string.left(start)) + shift;
            painter.drawText(QPointF(margin + offset, font.textMetrics.ascent),
                             string.mid(start, end - start));
            if (string[end - 1] == u' ') {
                shift += ExtraForSpace(m_justification.extra, m_justification.count,
                                       m_justification.used + spaces);
                ++spaces;
            }
            start = end;
        }
        painter.end();
        detail::PaintCoverage(*this, coverage, left, top, m_textColor);
    } else {
        spaces = static_cast<int>(string.count(u' '));
    }
    if (m_justification.count > 0) {
        m_justification.used += spaces;
    }
}

} // namespace gfx
