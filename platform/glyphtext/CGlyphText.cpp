#include "glyphtext/CGlyphText.h"

#include "gfx/FontData.h"
#include "text/Utf8.h"

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <array>
#include <vector>

namespace glyphtext {

namespace {

// Fonts and glyphs kept; past these the caches start again, so no text can grow them for ever.
constexpr std::size_t kMaxFonts = 64;
constexpr std::size_t kMaxGlyphsPerFont = 2048;

// Characters that never need shaping in the faces tips use: Latin, Greek and Cyrillic letters
// without combining marks, general punctuation, currency and letter-like symbols.
bool DrawnAlone(char32_t c) {
    return (c >= 0x20 && c < 0x0300) || (c >= 0x0370 && c < 0x0483) ||
           (c >= 0x2000 && c < 0x2070 && (c < 0x200B || c > 0x200F) && (c < 0x202A || c > 0x202E) &&
            (c < 0x2060)) ||
           (c >= 0x20A0 && c < 0x20C0) || (c >= 0x2100 && c < 0x2150);
}

const gfx::detail::FontData& DataOf(const gfx::CFont& font) {
    const gfx::detail::FontData* data = gfx::FontDataOf(font);
    return data != nullptr ? *data : *gfx::FontDataOf(gfx::CFont::Default());
}

} // namespace

int ExtraForSpace(const Justification& j, int k) {
    if (j.count <= 0 || k < 0 || k >= j.count) {
        return 0;
    }
    const std::int64_t extra = j.extra;
    return static_cast<int>(extra * (k + 1) / j.count - extra * k / j.count);
}

struct CGlyphText::FontGlyphs {
    struct Glyph {
        int advance = 0;
        QImage coverage; // only the glyph's ink; null for a glyph with none
        int left = 0;    // offset of the coverage from the pen position
        int top = 0;     // offset of the coverage from the cell's top
    };

    // Holding the font keeps its data alive, so the address that keys this entry is never reused
    // by another font while the entry exists.
    FontGlyphs(gfx::CFont font, const gfx::detail::FontData& data)
        : font(std::move(font)), data(data) {}

    const Glyph& Get(char32_t c) {
        if (c < ascii.size() && asciiReady[c]) {
            return ascii[c];
        }
        if (c >= ascii.size()) {
            if (const auto it = other.find(c); it != other.end()) {
                return it->second;
            }
            if (other.size() >= kMaxGlyphsPerFont) {
                other.clear();
            }
        }
        Glyph glyph = Make(c);
        if (c < ascii.size()) {
            asciiReady[c] = true;
            return ascii[c] = std::move(glyph);
        }
        return other.emplace(c, std::move(glyph)).first->second;
    }

    Glyph Make(char32_t c) const {
        Glyph glyph;
        const QString s = QString::fromUcs4(&c, 1);
        glyph.advance = data.metrics.horizontalAdvance(s);
        if (c == U' ') {
            return glyph;
        }
        // Glyphs may reach past their advance (italics, bearings): leave room on both sides.
        const int margin = data.textMetrics.height;
        QImage coverage(glyph.advance + 2 * margin, data.textMetrics.height, QImage::Format_Alpha8);
        if (coverage.isNull()) {
            return glyph;
        }
        coverage.fill(0);
        QFont plain = data.font;
        plain.setUnderline(false);
        plain.setStrikeOut(false);
        QPainter painter(&coverage);
        painter.setFont(plain);
        painter.setPen(QColor(0, 0, 0, 255));
        painter.drawText(QPointF(margin, data.textMetrics.ascent), s);
        painter.end();
        // Keep only the ink, so drawing visits no empty margin.
        int x0 = coverage.width();
        int x1 = -1;
        int y0 = coverage.height();
        int y1 = -1;
        for (int y = 0; y < coverage.height(); ++y) {
            const uchar* row = coverage.constScanLine(y);
            for (int x = 0; x < coverage.width(); ++x) {
                if (row[x] != 0) {
                    x0 = std::min(x0, x);
                    x1 = std::max(x1, x);
                    y0 = std::min(y0, y);
                    y1 = std::max(y1, y);
                }
            }
        }
        if (x1 < 0) {
            return glyph;
        }
        glyph.coverage = coverage.copy(x0, y0, x1 - x0 + 1, y1 - y0 + 1);
        glyph.left = x0 - margin;
        glyph.top = y0;
        return glyph;
    }

    gfx::CFont font;
    const gfx::detail::FontData& data;
    std::array<Glyph, 128> ascii{};
    std::array<bool, 128> asciiReady{};
    std::unordered_map<char32_t, Glyph> other;
};

CGlyphText::CGlyphText() = default;
CGlyphText::~CGlyphText() = default;

CGlyphText::FontGlyphs& CGlyphText::GlyphsOf(const gfx::CFont& font) {
    const gfx::detail::FontData& data = DataOf(font);
    const auto it = m_fonts.find(&data);
    if (it != m_fonts.end()) {
        return *it->second;
    }
    if (m_fonts.size() >= kMaxFonts) {
        m_fonts.clear();
    }
    const gfx::CFont& owner = gfx::FontDataOf(font) != nullptr ? font : gfx::CFont::Default();
    return *m_fonts.emplace(&data, std::make_unique<FontGlyphs>(owner, data)).first->second;
}

int CGlyphText::Extent(const gfx::CFont& font, std::string_view text, const Justification& j,
                       int limit) {
    FontGlyphs& glyphs = GlyphsOf(font);
    int width = 0;
    int spaces = 0;
    bool shaped = false;
    for (std::size_t p = 0; p < text.size();) {
        const char32_t c = text::DecodeUtf8(text, p);
        if (!DrawnAlone(c)) {
            shaped = true;
            break;
        }
        width += glyphs.Get(c).advance;
        if (c == U' ') {
            width += ExtraForSpace(j, j.used + spaces++);
        }
        if (width > limit) {
            return width;
        }
    }
    if (!shaped) {
        return width;
    }
    const QString string = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    width = glyphs.data.metrics.horizontalAdvance(string);
    spaces = 0;
    for (const QChar c : string) {
        if (c == u' ') {
            width += ExtraForSpace(j, j.used + spaces++);
        }
    }
    return width;
}

namespace {

// The parts of area that drawing may change: inside the bitmap and the clip region.
std::vector<gfx::Rect> WritableRects(const gfx::CDc& dc, const gfx::Rect& area) {
    std::vector<gfx::Rect> writable;
    const gfx::Rect whole{0, 0, dc.Bitmap().Width(), dc.Bitmap().Height()};
    auto cut = [&](const gfx::Rect& r) {
        const gfx::Rect part{std::max({r.left, whole.left, area.left}),
                             std::max({r.top, whole.top, area.top}),
                             std::min({r.right, whole.right, area.right}),
                             std::min({r.bottom, whole.bottom, area.bottom})};
        if (!part.IsEmpty()) {
            writable.push_back(part);
        }
    };
    if (dc.ClipRegion()) {
        for (const gfx::Rect& r : dc.ClipRegion()->Rects()) {
            cut(r);
        }
    } else {
        cut(whole);
    }
    return writable;
}

// Paints a colour through coverage onto a 32-bit surface: full coverage writes the colour,
// partial coverage mixes it in; painted pixels get a zero alpha byte, as all drawing does.
struct CoveragePainter {
    CoveragePainter(const gfx::CBitmap& bitmap, gfx::ColorRef colour)
        : bits(bitmap.Bits()), stride(bitmap.PixelWidth()), red(gfx::RedOf(colour)),
          green(gfx::GreenOf(colour)), blue(gfx::BlueOf(colour)),
          solid(gfx::PixelFromColor(colour)) {}

    void Paint(const QImage& coverage, int gx, int gy,
               const std::vector<gfx::Rect>& writable) const {
        const uchar* coverBits = coverage.constBits();
        const qsizetype coverStride = coverage.bytesPerLine();
        for (const gfx::Rect& r : writable) {
            const int x0 = std::max(r.left, gx);
            const int x1 = std::min(r.right, gx + coverage.width());
            const int y0 = std::max(r.top, gy);
            const int y1 = std::min(r.bottom, gy + coverage.height());
            for (int py = y0; py < y1; ++py) {
                const uchar* cover = coverBits + (py - gy) * coverStride;
                gfx::Pixel* row = bits + static_cast<std::ptrdiff_t>(py) * stride;
                for (int px = x0; px < x1; ++px) {
                    row[px] = Mixed(row[px], cover[px - gx]);
                }
            }
        }
    }

    gfx::Pixel Mixed(gfx::Pixel old, int a) const {
        if (a == 255) {
            return solid;
        }
        if (a == 0) {
            return old;
        }
        auto mix = [a](int from, int to) { return from + (to - from) * a / 255; };
        return gfx::MakePixel(mix(gfx::PixelRed(old), red), mix(gfx::PixelGreen(old), green),
                              mix(gfx::PixelBlue(old), blue), 0);
    }

    gfx::Pixel* bits;
    int stride;
    int red;
    int green;
    int blue;
    gfx::Pixel solid;
};

} // namespace

void CGlyphText::Draw(gfx::CDc& dc, int x, int y, std::string_view text, Justification& j) {
    if (text.empty()) {
        return;
    }
    const gfx::CFont& font = dc.Font();
    FontGlyphs& glyphs = GlyphsOf(font);
    bool alone = dc.Bitmap() && dc.Bitmap().DevicePixelRatio() == 1.0;
    for (std::size_t p = 0; alone && p < text.size();) {
        alone = DrawnAlone(text::DecodeUtf8(text, p));
    }
    if (!alone) {
        DrawShaped(dc, x, y, text, j);
        return;
    }
    const gfx::detail::FontData& data = glyphs.data;
    const int width = Extent(font, text, j);
    const int height = data.textMetrics.height;
    if (dc.GetBkMode() == gfx::BkMode::Opaque) {
        dc.FillSolidRect({x, y, x + width, y + height}, dc.BkColor());
    }
    // Glyphs may reach past their advance by up to a cell height on either side.
    const std::vector<gfx::Rect> writable =
        WritableRects(dc, {x - height, y, x + width + height, y + height});
    const CoveragePainter painter(dc.Bitmap(), dc.TextColor());
    int pen = x;
    for (std::size_t p = 0; p < text.size();) {
        const char32_t c = text::DecodeUtf8(text, p);
        const FontGlyphs::Glyph& glyph = glyphs.Get(c);
        if (!glyph.coverage.isNull()) {
            painter.Paint(glyph.coverage, pen + glyph.left, y + glyph.top, writable);
        }
        pen += glyph.advance;
        if (c == U' ') {
            pen += ExtraForSpace(j, j.used++);
        }
    }
    // Lines of underlined and struck-out fonts run under the whole piece, spaces included.
    const int thickness = std::max(1, data.metrics.lineWidth());
    if (data.font.underline()) {
        const int top = y + data.textMetrics.ascent + data.metrics.underlinePos();
        dc.FillSolidRect({x, top, pen, top + thickness}, dc.TextColor());
    }
    if (data.font.strikeOut()) {
        const int top = y + data.textMetrics.ascent - data.metrics.strikeOutPos();
        dc.FillSolidRect({x, top, pen, top + thickness}, dc.TextColor());
    }
}

void CGlyphText::DrawShaped(gfx::CDc& dc, int x, int y, std::string_view text, Justification& j) {
    // Word by word, each run ending after its space, with the justification's extra pixels added
    // between runs by this class rather than the context.
    dc.SetTextJustification(0, 0);
    const gfx::CFont font = dc.Font();
    std::size_t start = 0;
    int pen = x;
    while (start < text.size()) {
        std::size_t end = text.find(' ', start);
        end = end == std::string_view::npos ? text.size() : end + 1;
        const std::string_view run = text.substr(start, end - start);
        dc.TextOut(pen, y, run);
        pen += Extent(font, run, Justification{});
        if (run.back() == ' ') {
            pen += ExtraForSpace(j, j.used++);
        }
        start = end;
    }
}

} // namespace glyphtext
