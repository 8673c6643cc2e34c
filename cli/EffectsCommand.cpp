// keldwick-cli effects: draws the tooltip engine's drawing effects into PNG files that a person can
// look at: the background effects, a soft shadow, the image styles, the cells of a strip and the
// frame styles.

#include "cli/CliCommand.h"

#include "gfx/CDc.h"
#include "tooltip/draw/CDrawManager.h"

#include <QDir>
#include <QGuiApplication>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace cli {

namespace {

using gfx::CBitmap;
using gfx::CDc;
using gfx::Rgb;
using tooltip::CDrawManager;

constexpr gfx::ColorRef kPaper = Rgb(250, 250, 245);
constexpr gfx::ColorRef kInk = Rgb(30, 30, 40);
constexpr gfx::ColorRef kMagenta = Rgb(255, 0, 255);

struct Sheet {
    Sheet(int width, int height, double ratio)
        : bitmap(CBitmap::Create(width, height, ratio)), dc(bitmap) {
        dc.FillSolidRect({0, 0, width, height}, kPaper);
        gfx::LogFont logical;
        logical.height = 14;
        gfx::SetFaceName(logical, "DejaVu Sans");
        dc.SelectFont(gfx::CFont::Create(logical));
        dc.SetBkMode(gfx::BkMode::Transparent);
        dc.SetTextColor(kInk);
    }
    void Label(int x, int y, const std::string& text) { dc.TextOut(x, y, text); }
    CBitmap bitmap;
    CDc dc;
};

bool Save(const Sheet& sheet, const QString& dir, const char* name) {
    const std::string path = QDir(dir).filePath(name).toStdString();
    if (!sheet.bitmap.SavePng(path)) {
        std::fprintf(stderr, "keldwick-cli effects: cannot write %s\n", path.c_str());
        return false;
    }
    std::printf("%s\n", path.c_str());
    return true;
}

bool DrawBackgrounds(const QString& dir, double ratio) {
    static constexpr std::array<const char*, 16> kNames = {
        "solid",      "hgradient", "vgradient", "hcgradient", "vcgradient", "3hgradient",
        "3vgradient", "noise",     "diagshade", "hshade",     "vshade",     "hbump",
        "vbump",      "softbump",  "hardbump",  "metal"};
    constexpr int kCell = 150;
    constexpr int kTile = 120;
    Sheet sheet(4 * kCell + 10, 4 * (kCell - 10) + 10, ratio);
    CDrawManager manager;
    for (int effect = 0; effect < 16; ++effect) {
        const int x = 10 + (effect % 4) * kCell;
        const int y = 10 + (effect / 4) * (kCell - 10);
        manager.FillBackground(sheet.dc, {x, y, x + kTile, y + 100}, effect, Rgb(255, 250, 220),
                               Rgb(110, 160, 230), Rgb(20, 50, 120), 5, 0);
        sheet.Label(x, y + 104,
                    std::to_string(effect) + " " + kNames[static_cast<std::size_t>(effect)]);
    }
    return Save(sheet, dir, "backgrounds.png");
}

// A balloon like the tip's: a rounded body with an anchor triangle.
gfx::CRegion Balloon(int left, int top, int width, int height) {
    const std::array<gfx::Point, 3> anchor = {gfx::Point{left + 30, top + height - 1},
                                              {left + 42, top + height - 1},
                                              {left + 30, top + height + 16}};
    return gfx::CRegion::RoundRect(left, top, left + width + 1, top + height + 1, 16, 16)
        .United(gfx::CRegion::Polygon(anchor));
}

bool DrawShadow(const QString& dir, double ratio) {
    Sheet sheet(420, 240, ratio);
    CDrawManager manager;
    manager.FillBackground(sheet.dc, {0, 0, 420, 240}, tooltip::BackgroundDiagShade,
                           Rgb(240, 240, 255), Rgb(160, 190, 220), Rgb(90, 120, 160), 5, 0);
    const gfx::CRegion shape = Balloon(40, 30, 300, 140);
    // The mask: white, the shape in grey 128 (half as bright under the shadow).
    const int maskWidth = 360;
    const int maskHeight = 200;
    CBitmap mask = CBitmap::Create(maskWidth, maskHeight);
    CDc maskDc(mask);
    maskDc.FillSolidRect({0, 0, maskWidth, maskHeight}, Rgb(255, 255, 255));
    gfx::CRegion local = shape;
    local.Offset(-20, -20);
    maskDc.FillRegion(local, gfx::CBrush(Rgb(128, 128, 128)));
    manager.CastShadow(sheet.dc, 26, 26, maskWidth, maskHeight, mask, true, 7, 7);
    sheet.dc.FillRegion(shape, gfx::CBrush(Rgb(255, 255, 225)));
    sheet.dc.FrameRegion(shape, gfx::CBrush(kInk), 1, 1);
    sheet.Label(60, 50, "A tip with a soft shadow (depth 7)");
    sheet.Label(60, 74, "over a \"diagshade\" background.");
    return Save(sheet, dir, "shadow.png");
}

// A 48 x 48 picture on magenta (the transparent colour): a ring of colours and a dark core.
CBitmap SamplePicture() {
    CBitmap picture = CBitmap::Create(48, 48);
    CDc dc(picture);
    dc.FillSolidRect({0, 0, 48, 48}, kMagenta);
    dc.FillRegion(gfx::CRegion::RoundRect(2, 2, 46, 46, 44, 44), gfx::CBrush(Rgb(230, 60, 40)));
    dc.FillRegion(gfx::CRegion::RoundRect(10, 10, 38, 38, 28, 28), gfx::CBrush(Rgb(250, 200, 40)));
    dc.FillRegion(gfx::CRegion::RoundRect(18, 18, 30, 30, 12, 12), gfx::CBrush(Rgb(40, 90, 200)));
    return picture;
}

bool DrawImageStyles(const QString& dir, double ratio) {
    struct Style {
        const char* name;
        unsigned flags;
    };
    static constexpr std::array<Style, 7> kStyles = {Style{"plain", 0},
                                                     {"grey", tooltip::ImageGray},
                                                     {"darkened", tooltip::ImageDarken},
                                                     {"lightened", tooltip::ImageLighten},
                                                     {"mono", tooltip::ImageMono},
                                                     {"inverted", tooltip::ImageInvert},
                                                     {"soft shadow", tooltip::ImageSoftShadow}};
    Sheet sheet(7 * 100 + 20, 150, ratio);
    CDrawManager manager;
    manager.FillBackground(sheet.dc, {0, 0, 7 * 100 + 20, 100}, tooltip::BackgroundVGradient,
                           Rgb(255, 255, 255), 0, Rgb(200, 215, 235), 5, 0);
    const CBitmap picture = SamplePicture();
    for (std::size_t i = 0; i < kStyles.size(); ++i) {
        const int x = 20 + static_cast<int>(i) * 100;
        const bool shadow = (kStyles[i].flags & tooltip::ImageSoftShadow) != 0;
        manager.DrawBitmapImage(sheet.dc, x, 20, 64, 64, picture, true, kMagenta, kStyles[i].flags,
                                shadow, 4, 4, 7, 7, Rgb(128, 128, 128));
        sheet.Label(x, 110, kStyles[i].name);
    }
    return Save(sheet, dir, "image-styles.png");
}

bool DrawStrip(const QString& dir, double ratio) {
    constexpr int kFrames = 8;
    constexpr int kSide = 24;
    CBitmap strip = CBitmap::Create(kFrames * kSide, kSide);
    CDc stripDc(strip);
    stripDc.FillSolidRect({0, 0, kFrames * kSide, kSide}, kMagenta);
    for (int i = 0; i < kFrames; ++i) {
        // A dot going round a circle, one eighth further in each frame.
        static constexpr std::array<gfx::Point, 8> kSpots = {
            gfx::Point{12, 3}, {18, 6}, {21, 12}, {18, 18}, {12, 21}, {6, 18}, {3, 12}, {6, 6}};
        const gfx::Point spot = kSpots[static_cast<std::size_t>(i)];
        const int left = i * kSide;
        stripDc.FillRegion(gfx::CRegion::RoundRect(left + 2, 2, left + 22, 22, 20, 20),
                           gfx::CBrush(Rgb(200, 210, 230)));
        stripDc.FillRegion(gfx::CRegion::RoundRect(left + spot.x - 3, spot.y - 3, left + spot.x + 3,
                                                   spot.y + 3, 6, 6),
                           gfx::CBrush(Rgb(20, 60, 160)));
    }
    Sheet sheet(kFrames * 60 + 20, 110, ratio);
    CDrawManager manager;
    for (int i = 0; i < kFrames; ++i) {
        const int x = 20 + i * 60;
        manager.DrawStripImage(sheet.dc, x, 20, 48, 48, strip, i, kSide, kSide, true, kMagenta, 0,
                               false, 0, 0, 7, 7, 0);
        sheet.Label(x + 16, 76, std::to_string(i));
    }
    return Save(sheet, dir, "strip.png");
}

bool DrawFrames(const QString& dir, double ratio) {
    static constexpr std::array<const char*, 7> kNames = {
        "none", "solid", "dashed", "dotted", "dash-dot", "dash-dot-dot", "double"};
    constexpr int kCell = 140;
    Sheet sheet(7 * kCell + 20, 3 * 110 + 30, ratio);
    CDrawManager manager;
    // Light and dark edges show best on a mid-tone panel.
    sheet.dc.FillSolidRect({10, 10, 7 * kCell + 10, 3 * 110 + 10}, Rgb(170, 180, 200));
    for (int width = 1; width <= 3; ++width) {
        for (int style = 0; style < 7; ++style) {
            const int x = 20 + style * kCell;
            const int y = 20 + (width - 1) * 110;
            manager.DrawFrame(sheet.dc, {x, y, x + 110, y + 70}, style, width, Rgb(255, 255, 255),
                              Rgb(40, 50, 90));
            sheet.Label(x, y + 78,
                        std::to_string(style) + " " + kNames[static_cast<std::size_t>(style)]);
            if (style == 0) {
                sheet.Label(x, y + 30, "width " + std::to_string(width));
            }
        }
    }
    manager.DrawLineSegment(sheet.dc, {20, 3 * 110 + 20}, {7 * kCell, 3 * 110 + 20}, 2,
                            Rgb(160, 40, 40));
    return Save(sheet, dir, "frames.png");
}

// Fonts need a GUI application object; without a display the offscreen platform serves.
std::unique_ptr<QGuiApplication> EnsureGuiApplication() {
    if (QGuiApplication::instance()) {
        return nullptr;
    }
    if (!std::getenv("QT_QPA_PLATFORM")) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    static int argc = 1;
    static char name[] = "keldwick-cli";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QGuiApplication>(argc, argv);
}

struct EffectsOptions {
    std::string out;
    int ratio = 1;
};

int RunEffects(const EffectsOptions& options) {
    const std::string& out = options.out;
    const double ratio = options.ratio;
    const auto app = EnsureGuiApplication();
    const QString dir = QString::fromStdString(out);
    if (!QDir().mkpath(dir)) {
        std::fprintf(stderr, "keldwick-cli effects: cannot create the folder %s\n", out.c_str());
        return 1;
    }
    const bool ok = DrawBackgrounds(dir, ratio) && DrawShadow(dir, ratio) &&
                    DrawImageStyles(dir, ratio) && DrawStrip(dir, ratio) && DrawFrames(dir, ratio);
    return ok ? 0 : 1;
}

} // namespace

CommandRunner DefineEffects(CLI::App& command) {
    auto options = std::make_shared<EffectsOptions>();
    command.add_option("--out", options->out, "the folder the PNG files go to")->required();
    AddNumberOption(command, "--ratio", options->ratio, 1, 2,
                    "device pixels per logical pixel (default: 1)");
    return [options] { return RunEffects(*options); };
}

} // namespace cli
