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

detail::CachedGlyph detail::FontData::MakeGlyph(char16_t code) const {
    CachedGlyph glyph;
    if (code == u' ') {
        return glyph;
    }
    // Rendered as text output renders whole strings (onto a premultiplied colour image), so a
    // string put together from kept glyphs has the very pixels of the string drawn at once.
    // Glyphs may reach past their advance (italics, bearings): leave room on both sides.
    const int margin = textMetrics.height;
    QImage canvas(AdvanceLocked(code) + 2 * margin, textMetrics.height,
                  QImage::Format_ARGB32_Premultiplied);
    if (canvas.isNull()) {
        return glyph;
    }
    canvas.fill(0);
    QFont plain = font;
    plain.setUnderline(false);
    plain.setStrikeOut(false);
    QPainter painter(&canvas);
    painter.setFont(plain);
    painter.setPen(QColor(0, 0, 0, 255));
    painter.drawText(QPointF(margin, textMetrics.ascent), QString(QChar(code)));
    painter.end();
    // Keep only the ink, so drawing visits no empty margin.
    int x0 = canvas.width();
    int x1 = -1;
    int y0 = canvas.height();
    int y1 = -1;
    for (int y = 0; y < canvas.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(canvas.constScanLine(y));
        for (int x = 0; x < canvas.width(); ++x) {
            if (qAlpha(row[x]) != 0) {
                x0 = std::min(x0, x);
                x1 = std::max(x1, x);
                y0 = std::min(y0, y);
                y1 = std::max(y1, y);
            }
        }
    }
    if (x1 >= 0) {
        glyph.coverage =
            canvas.copy(x0, y0, x1 - x0 + 1, y1 - y0 + 1).convertToFormat(QImage::Format_Alpha8);
        glyph.left = x0 - margin;
        glyph.top = y0;
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
