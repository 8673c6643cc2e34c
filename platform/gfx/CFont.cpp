#include "gfx/CFont.h"

#include "gfx/FontData.h"

#include <fontconfig/fontconfig.h>

#include <QFontInfo>

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
        const char16_t code = c.unicode();
        if (!m_known[code]) {
            m_advances[code] = metrics.horizontalAdvance(c);
            m_known[code] = true;
        }
        width += m_advances[code];
    }
    return width;
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
