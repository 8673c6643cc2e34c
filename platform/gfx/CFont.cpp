#include "gfx/CFont.h"

#include "gfx/FontData.h"

#include <fontconfig/fontconfig.h>

#include <QFontInfo>
#include <QPainter>

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <tuple>
#include <vector>

namespace gfx {

namespace {

constexpr int kDefaultCellHeight = 16;
constexpr int kMaxPixelSize = 2000;

// Asks the font configuration which installed family stands in for face (the same answer the
// desktop gives for it). Answers are kept for the life of the process.
QString ResolveFamily(const std::string& face) {
    static std::mutex mutex;
    static std::map<std::string, QString> known;
    std::lock_guard lock(mutex);
    if (auto it = known.find(face); it != known.end()) {
        return it->second;
    }
    QString family = QString::fromStdString(face);
    if (FcPattern* pattern = FcPatternCreate()) {
        FcPatternAddString(
            pattern, FC_FAMILY,
            reinterpret_cast<const FcChar8*>(face.empty() ? "sans-serif" : face.c_str()));
        FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult result = FcResultNoMatch;
        if (FcPattern* match = FcFontMatch(nullptr, pattern, &result)) {
            FcChar8* name = nullptr;
            if (FcPatternGetString(match, FC_FAMILY, 0, &name) == FcResultMatch && name) {
                family = QString::fromUtf8(reinterpret_cast<const char*>(name));
            }
            FcPatternDestroy(match);
        }
        FcPatternDestroy(pattern);
    }
    known.emplace(face, family);
    return family;
}

QFont MakeQFont(const LogFont& logical, const QString& family, int pixelSize) {
    QFont font(family);
    font.setPixelSize(std::max(1, pixelSize));
    const int weight = logical.weight <= 0 ? 400 : std::clamp(logical.weight, 1, 1000);
    font.setWeight(static_cast<QFont::Weight>(weight));
    font.setItalic(logical.italic != 0);
    font.setUnderline(logical.underline != 0);
    font.setStrikeOut(logical.strikeOut != 0);
    // Widths of pieces must add up to the width of the whole, as the layout measures piecewise.
    font.setKerning(false);
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

int CellHeight(const QFont& font) {
    const QFontMetrics metrics(font);
    return metrics.ascent() + metrics.descent();
}

// The largest pixel (em) size whose cell height does not exceed the requested one; the smallest
// size when even that is taller.
int SearchPixelSize(const LogFont& logical, const QString& family, int cellHeight) {
    const int reference = 100;
    const int referenceCell = std::max(1, CellHeight(MakeQFont(logical, family, reference)));
    const int estimate = std::clamp(cellHeight * reference / referenceCell, 1, kMaxPixelSize);
    int best = 0;
    for (int size = std::max(1, estimate - 3); size <= std::min(kMaxPixelSize, estimate + 3);
         ++size) {
        if (CellHeight(MakeQFont(logical, family, size)) <= cellHeight) {
            best = size;
        }
    }
    return best > 0 ? best : std::max(1, estimate - 3);
}

// The search above, remembered per face, weight, slant and height: fonts are made on every
// style change of a tip.
int PixelSizeForCell(const LogFont& logical, const QString& family, int cellHeight) {
    static std::mutex mutex;
    static std::map<std::tuple<QString, int, bool, int>, int> known;
    const auto key = std::make_tuple(family, logical.weight, logical.italic != 0, cellHeight);
    {
        std::lock_guard lock(mutex);
        if (auto it = known.find(key); it != known.end()) {
            return it->second;
        }
    }
    const int size = SearchPixelSize(logical, family, cellHeight);
    std::lock_guard lock(mutex);
    if (known.size() > 4096) {
        known.clear(); // a bound; in practice a handful of sizes are used
    }
    known.emplace(key, size);
    return size;
}

TextMetrics MetricsOf(const QFont& font, const QFontMetrics& metrics, int weight) {
    TextMetrics result;
    result.ascent = metrics.ascent();
    result.descent = metrics.descent();
    result.height = result.ascent + result.descent;
    result.internalLeading = std::max(0, result.height - font.pixelSize());
    result.externalLeading = std::max(0, metrics.leading());
    result.aveCharWidth = metrics.averageCharWidth();
    result.maxCharWidth = metrics.maxWidth();
    result.weight = weight;
    return result;
}

} // namespace

int detail::FontData::Advance(const QString& text) const {
    for (QChar c : text) {
        if (c.unicode() >= kSimpleTextEnd) {
            return metrics.horizontalAdvance(text);
        }
    }
    std::lock_guard lock(m_mutex);
    int width = 0;
    for (QChar c : text) {
        width += AdvanceLocked(c.unicode());
    }
    return width;
}

std::optional<int> detail::FontData::SimpleAdvance(std::string_view text, const Spread& spread,
                                                   int limit) const {
    std::lock_guard lock(m_mutex);
    std::int64_t width = 0;
    int spaces = 0;
    for (std::size_t i = 0; i < text.size();) {
        char16_t code = 0;
        if (!NextSimple(text, i, code)) {
            return std::nullopt;
        }
        width += AdvanceLocked(code);
        if (code == u' ') {
            width += ExtraForSpace(spread.extra, spread.count, spread.first + spaces++);
        }
        if (width > limit) {
            break;
        }
    }
    return static_cast<int>(std::clamp<std::int64_t>(width, INT_MIN, INT_MAX));
}

int detail::FontData::AdvanceLocked(char16_t code) const {
    if (!m_known[code]) {
        m_advances[code] = metrics.horizontalAdvance(QChar(code));
        m_known[code] = true;
    }
    return m_advances[code];
}

const detail::CachedGlyph& detail::FontData::GlyphLocked(char16_t code) const {
    if (!m_glyphs) {
        m_glyphs = std::make_unique<std::array<CachedGlyph, kSimpleTextEnd>>();
    }
    if (!m_glyphKnown[code]) {
        (*m_glyphs)[code] = MakeGlyph(code);
        m_glyphKnown[code] = true;
    }
    return (*m_glyphs)[code];
}

namespace {

// Ink of a glyph rendered on a canvas: the rectangle of pixels with coverage (empty when none).
QRect InkBounds(const QImage& canvas) {
    const int width = canvas.width();
    const int height = canvas.height();
    int x0 = width;
    int x1 = -1;
    int y0 = height;
    int y1 = -1;
    for (int y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(canvas.constScanLine(y));
        int first = 0;
        while (first < width && qAlpha(row[first]) == 0) {
            ++first;
        }
        if (first == width) {
            continue;
        }
        int last = width - 1;
        while (qAlpha(row[last]) == 0) {
            --last;
        }
        x0 = std::min(x0, first);
        x1 = std::max(x1, last);
        y0 = std::min(y0, y);
        y1 = y;
    }
    return x1 < 0 ? QRect() : QRect(x0, y0, x1 - x0 + 1, y1 - y0 + 1);
}

// The alpha bytes of the ink rectangle as 8-bit coverage.
QImage InkCoverage(const QImage& canvas, const QRect& ink) {
    QImage coverage(ink.size(), QImage::Format_Alpha8);
    if (coverage.isNull()) {
        return coverage;
    }
    for (int y = 0; y < ink.height(); ++y) {
        const auto* from = reinterpret_cast<const QRgb*>(canvas.constScanLine(ink.top() + y));
        uchar* to = coverage.scanLine(y);
        for (int x = 0; x < ink.width(); ++x) {
            to[x] = static_cast<uchar>(qAlpha(from[ink.left() + x]));
        }
    }
    return coverage;
}

} // namespace

// Renders the glyph on the part `area` of its full canvas (the cell, widened on both sides by
// `margin`), with the pen where the full canvas has it, so the pixels are those of the full
// canvas. The canvas lives in `store`, reused from glyph to glyph. Null when it cannot be made.
QImage detail::FontData::RenderGlyph(char16_t code, const QRect& area, int margin,
                                     std::vector<uchar>& store) const {
    const qsizetype stride = static_cast<qsizetype>(area.width()) * 4;
    store.assign(static_cast<std::size_t>(stride) * static_cast<std::size_t>(area.height()), 0);
    QImage canvas(store.data(), area.width(), area.height(), stride,
                  QImage::Format_ARGB32_Premultiplied);
    if (canvas.isNull()) {
        return canvas;
    }
    QFont plain = font;
    plain.setUnderline(false);
    plain.setStrikeOut(false);
    QPainter painter(&canvas);
    painter.setFont(plain);
    painter.setPen(QColor(0, 0, 0, 255));
    painter.drawText(QPointF(margin - area.left(), textMetrics.ascent - area.top()),
                     QString(QChar(code)));
    painter.end();
    return canvas;
}

detail::CachedGlyph detail::FontData::MakeGlyph(char16_t code) const {
    CachedGlyph glyph;
    if (code == u' ') {
        return glyph;
    }
    // Rendered as text output renders whole strings (onto a premultiplied colour image), so a
    // string put together from kept glyphs has the very pixels of the string drawn at once.
    // Glyphs may reach past their advance (italics, bearings): the full canvas leaves a cell
    // height on both sides. Only the part around the glyph's own bounds is rendered, so a huge
    // font does not render and scan a canvas of its full cell for every glyph.
    const int margin = textMetrics.height;
    const QRect full(0, 0, AdvanceLocked(code) + 2 * margin, textMetrics.height);
    constexpr int kPad = 4; // anti-aliasing and hinting may reach past the reported bounds
    const QRect bounds = metrics.boundingRect(QChar(code));
    QRect area = bounds.translated(margin, textMetrics.ascent).adjusted(-kPad, -kPad, kPad, kPad);
    area = area.intersected(full);
    std::vector<uchar> store;
    QImage canvas = area.isEmpty() ? QImage() : RenderGlyph(code, area, margin, store);
    QRect ink = canvas.isNull() ? QRect() : InkBounds(canvas);
    // Ink touching an edge that the full canvas does not have may have been cut: render whole.
    const bool cut = !ink.isNull() &&
                     ((ink.left() == 0 && area.left() > 0) || (ink.top() == 0 && area.top() > 0) ||
                      (ink.right() == area.width() - 1 && area.right() < full.right()) ||
                      (ink.bottom() == area.height() - 1 && area.bottom() < full.bottom()));
    if (canvas.isNull() || cut) {
        area = full;
        canvas = RenderGlyph(code, area, margin, store);
        if (canvas.isNull()) {
            return glyph;
        }
        ink = InkBounds(canvas);
    }
    if (!ink.isNull()) {
        // Keep only the ink, so drawing visits no empty margin.
        glyph.coverage = InkCoverage(canvas, ink);
        glyph.left = area.left() + ink.left() - margin;
        glyph.top = area.top() + ink.top();
    }
    return glyph;
}

void SetFaceName(LogFont& font, std::string_view face) {
    const std::size_t length = std::min(face.size(), static_cast<std::size_t>(kFaceNameSize - 1));
    std::memcpy(font.faceName, face.data(), length);
    font.faceName[length] = '\0';
}

const detail::FontData* FontDataOf(const CFont& font) {
    return font.m_data.get();
}

CFont CFont::Create(const LogFont& logFont) {
    LogFont logical = logFont;
    logical.faceName[kFaceNameSize - 1] = '\0';
    const QString family = ResolveFamily(logical.faceName);
    int pixelSize = 0;
    if (logical.height > 0) {
        pixelSize = PixelSizeForCell(logical, family, std::min(logical.height, kMaxPixelSize));
    } else if (logical.height < 0) {
        pixelSize = std::min(-logical.height, kMaxPixelSize);
    } else {
        pixelSize = PixelSizeForCell(logical, family, kDefaultCellHeight);
    }
    QFont font = MakeQFont(logical, family, pixelSize);
    QFontMetrics metrics(font);
    const int weight = logical.weight <= 0 ? 400 : std::clamp(logical.weight, 1, 1000);
    TextMetrics textMetrics = MetricsOf(font, metrics, weight);
    const QString face = QFontInfo(font).family();
    auto data = std::make_shared<detail::FontData>(metrics);
    data->logical = logical;
    data->font = font;
    data->textMetrics = textMetrics;
    data->face = face;
    CFont result;
    result.m_data = std::move(data);
    return result;
}

const CFont& CFont::Default() {
    static const CFont font = [] {
        LogFont logical;
        logical.height = kDefaultCellHeight;
        logical.weight = 400;
        SetFaceName(logical, "sans-serif");
        return Create(logical);
    }();
    return font;
}

const LogFont& CFont::Logical() const {
    static const LogFont empty;
    return m_data ? m_data->logical : empty;
}

const TextMetrics& CFont::Metrics() const {
    static const TextMetrics empty;
    return m_data ? m_data->textMetrics : empty;
}

std::string CFont::ResolvedFace() const {
    return m_data ? m_data->face.toStdString() : std::string();
}

} // namespace gfx
