#include "dialog/DialogFont.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QStringList>

#include <array>

namespace dialog {

namespace {

// Faces that templates name, each with installed stand-ins in order of preference.
struct FaceMapping {
    std::string_view face;
    std::array<const char*, 2> families;
};

constexpr std::array kFaceMappings{
    FaceMapping{"MS Shell Dlg", {"Liberation Sans", "DejaVu Sans"}},
    FaceMapping{"MS Shell Dlg 2", {"Liberation Sans", "DejaVu Sans"}},
    FaceMapping{"MS Sans Serif", {"Liberation Sans", "DejaVu Sans"}},
};

} // namespace

QString FontFamilyFor(std::string_view faceName) {
    for (const auto& mapping : kFaceMappings) {
        if (mapping.face != faceName) {
            continue;
        }
        const QStringList installed = QFontDatabase::families();
        for (const char* family : mapping.families) {
            if (installed.contains(QString::fromLatin1(family))) {
                return QString::fromLatin1(family);
            }
        }
        return QString::fromLatin1(mapping.families.front());
    }
    return QString::fromUtf8(faceName.data(), static_cast<qsizetype>(faceName.size()));
}

QFont DialogFont(std::string_view faceName, int points) {
    QFont font(FontFamilyFor(faceName));
    // Pixel size, not points: the layout must not depend on the screen's reported resolution.
    font.setPixelSize(PointsToPixels(points));
    font.setStyleHint(QFont::SansSerif);
    return font;
}

BaseUnits MeasureBaseUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const QString sample = QString::fromLatin1(kAverageWidthSample.data(),
                                               static_cast<qsizetype>(kAverageWidthSample.size()));
    return BaseUnitsFromMetrics(metrics.horizontalAdvance(sample), metrics.height());
}

} // namespace dialog
