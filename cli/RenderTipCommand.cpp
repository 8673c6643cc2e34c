// keldwick-cli render-tip: measures a tip text as the tooltip would and draws it into a PNG, so a
// designer can preview tip texts without running the program. With --balloon the whole tip is
// drawn as the tip window shows it (balloon, anchor, border and shadow) over a checkerboard.

#include "cli/CliCommand.h"

#include "gfx/CBitmap.h"
#include "gfx/CDc.h"
#include "res/StringTable.h"
#include "syscolor/SysColour.h"
#include "tooltip/drawer/CHtmlDrawer.h"
#include "tooltip/window/CPreviewWindowSystem.h"
#include "tooltip/window/CTipWindow.h"

#include <QGuiApplication>

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <utility>

namespace cli {

namespace {

constexpr int kMaxWrap = 100000;
constexpr int kMaxImageSide = 16384;
constexpr std::size_t kMaxTextBytes = 1 << 20;

struct RenderTipOptions {
    int wrap = 0;
    int frame = 0; // the frame animated strips show
    int ratio = 1; // device pixels per logical pixel of the picture
    bool lines = false;
    bool hot = false;
    bool balloon = false;
    std::optional<std::string> inFile;
    std::optional<std::string> text;
    std::string out;
};

// What the options do not say by themselves: one text from exactly one source.
int CheckOptions(const RenderTipOptions& options) {
    if (options.inFile.has_value() == options.text.has_value()) {
        std::fprintf(stderr, "keldwick-cli render-tip: give either --in FILE or a TEXT\n"
                             "Run with --help for more information.\n");
        return 2;
    }
    return 0;
}

bool ReadText(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "keldwick-cli render-tip: cannot read %s\n", path.c_str());
        return false;
    }
    text.resize(kMaxTextBytes + 1);
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    if (text.size() > kMaxTextBytes) {
        std::fprintf(stderr, "keldwick-cli render-tip: %s is larger than 1 MiB\n", path.c_str());
        return false;
    }
    return true;
}

void PrintLines(const tooltip::CHtmlDrawer& drawer) {
    int n = 0;
    for (const tooltip::HtmlLine& line : drawer.Lines()) {
        std::printf("line %d: width %d height %d descent %d percent %d align %d breaks %d "
                    "wrapped %d\n",
                    n++, line.width, line.height, line.descent, line.percent, line.alignment,
                    line.breakCount, line.wrapped);
    }
}

void PrintHotAreas(const tooltip::CHtmlDrawer& drawer) {
    int n = 0;
    for (const tooltip::HtmlHotArea& area : drawer.HotAreas()) {
        std::printf("hot %d: %d,%d,%d,%d link %d %s \"%s\"\n", n++, area.left, area.top, area.right,
                    area.bottom, area.linkNumber,
                    area.linkKind == tooltip::LinkHref ? "href" : "msg", area.linkTarget.c_str());
    }
}

// Fonts need a GUI application; without a display the offscreen platform serves.
std::optional<QGuiApplication> MakeApplication() {
    if (qGuiApp != nullptr) {
        return std::nullopt;
    }
    if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    }
    static int argc = 1;
    static char name[] = "keldwick-cli";
    static char* argv[] = {name, nullptr};
    return std::optional<QGuiApplication>(std::in_place, argc, argv);
}

// A picture of this size cannot be made at this ratio: the bitmaps' bound is in device pixels.
int TooLarge(int width, int height, int ratio) {
    std::fprintf(stderr, "keldwick-cli render-tip: %d x %d at ratio %d is too large to draw\n",
                 width, height, ratio);
    return 1;
}

// Light and dark squares of 8 pixels, so that the shadow and the shape's edges show.
gfx::CBitmap Checkerboard(int width, int height, double ratio) {
    gfx::CBitmap picture = gfx::CBitmap::Create(width, height, ratio);
    if (!picture) {
        return picture;
    }
    gfx::CDc dc(picture);
    for (int y = 0; y < height; y += 8) {
        for (int x = 0; x < width; x += 8) {
            const bool light = ((x / 8) + (y / 8)) % 2 == 0;
            dc.FillSolidRect({x, y, x + 8, y + 8},
                             light ? gfx::Rgb(236, 236, 236) : gfx::Rgb(188, 188, 188));
        }
    }
    return picture;
}

// The tip as the tip window shows it, its anchor's point on a cursor placed so that the tip takes
// its usual place above it, reaching to the right, with a margin of checkerboard all round.
int RenderBalloon(const RenderTipOptions& options, const std::string& text, tooltip::HtmlSize size,
                  const tooltip::HtmlDrawerServices& services) {
    constexpr int kPad = 24;
    const tooltip::TipSettings settings;
    const int tipWidth = size.cx + 2 * settings.marginX;
    const int tipHeight = size.cy + 2 * settings.marginY + settings.anchorHeight;
    const int width = tipWidth + settings.shadowOffsetX + 2 * kPad;
    const int height = tipHeight + settings.shadowOffsetY + 2 * kPad;
    gfx::CBitmap screen = Checkerboard(width, height, options.ratio);
    if (!screen) {
        return TooLarge(width, height, options.ratio);
    }
    tooltip::CPreviewWindowSystem windows(std::move(screen));
    tooltip::CTipWindow tip(windows, services);
    if (!tip.CreateTipWindow(windows.Owner())) {
        return 1;
    }
    tip.SetWrapWidth(options.wrap);
    tip.SetTiming(tooltip::TipTiming::Initial, 0);
    tip.RegisterTool(windows.Control(), text);
    const gfx::Point cursor{kPad + settings.anchorMargin, kPad + tipHeight};
    windows.SetCursor(cursor);
    tip.RelayMessage({windows.Control(), tooltip::TipMessageCode::MouseMove, cursor});
    const gfx::Rect popup = windows.PopupRect();
    std::printf("window: %d x %d at %d,%d direction %d\n", popup.Width(), popup.Height(),
                popup.left, popup.top, tip.Placement().direction);
    if (!windows.ScreenWithPopup().SavePng(options.out)) {
        std::fprintf(stderr, "keldwick-cli render-tip: cannot write %s\n", options.out.c_str());
        return 1;
    }
    return 0;
}

int RunRenderTip(const RenderTipOptions& options) {
    if (const int usage = CheckOptions(options); usage != 0) {
        return usage;
    }
    std::string text;
    if (options.inFile) {
        if (!ReadText(*options.inFile, text)) {
            return 1;
        }
    } else {
        text = *options.text;
    }
    const std::optional<QGuiApplication> app = MakeApplication();

    tooltip::HtmlDrawerServices services;
    services.loadString = [](int id) { return std::string(res::LoadString(id)); };
    tooltip::CHtmlDrawer drawer(services);
    drawer.SetMaxWidth(options.wrap);
    gfx::CDc measureDc;
    const tooltip::HtmlSize size = drawer.PrepareOutput(measureDc, text);
    std::printf("size: %d x %d\n", size.cx, size.cy);
    if (options.lines) {
        PrintLines(drawer);
    }
    if (size.cx <= 0 || size.cy <= 0) {
        std::fprintf(stderr, "keldwick-cli render-tip: the tip is empty; no image written\n");
        return 1;
    }
    if (size.cx > kMaxImageSide || size.cy > kMaxImageSide) {
        std::fprintf(stderr, "keldwick-cli render-tip: %d x %d is too large to draw\n", size.cx,
                     size.cy);
        return 1;
    }
    drawer.SetAnimationFrame(options.frame);
    if (options.balloon) {
        return RenderBalloon(options, text, size, services);
    }
    gfx::CBitmap picture = gfx::CBitmap::Create(size.cx, size.cy, options.ratio);
    if (!picture) {
        return TooLarge(size.cx, size.cy, options.ratio);
    }
    gfx::CDc dc(picture);
    dc.FillSolidRect({0, 0, size.cx, size.cy},
                     syscolor::GetSysColour(syscolor::SysColour::InfoBackground));
    drawer.DrawPreparedOutput(dc, tooltip::HtmlRect{0, 0, size.cx, size.cy});
    if (options.hot) {
        PrintHotAreas(drawer);
    }
    if (!dc.Bitmap().SavePng(options.out)) {
        std::fprintf(stderr, "keldwick-cli render-tip: cannot write %s\n", options.out.c_str());
        return 1;
    }
    return 0;
}

} // namespace

CommandRunner DefineRenderTip(CLI::App& command) {
    auto options = std::make_shared<RenderTipOptions>();
    AddNumberOption(command, "--wrap", options->wrap, 0, kMaxWrap,
                    "wrap the text at this many pixels (default: 0, no wrapping)");
    command.add_flag("--lines", options->lines, "print the line records of the Measure pass");
    command.add_flag("--hot", options->hot, "print the link areas of the Draw pass");
    AddNumberOption(command, "--frame", options->frame, 0, std::numeric_limits<int>::max(),
                    "the frame animated pictures show (default: 0)");
    command.add_flag("--balloon", options->balloon,
                     "draw the whole tip window: balloon, anchor, border and shadow");
    AddNumberOption(command, "--ratio", options->ratio, 1, 3,
                    "device pixels per logical pixel (default: 1)");
    command.add_option("--in", options->inFile, "read the tip text from this file");
    command.add_option("TEXT", options->text, "the tip text, when --in is not given");
    command.add_option("--out", options->out, "the PNG file to write")->required();
    return [options] { return RunRenderTip(*options); };
}

} // namespace cli
