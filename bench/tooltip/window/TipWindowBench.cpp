// The tip window's show (measure, place, shape, background, first composition with the shadow)
// and repaint (composition only), beside the drawer's own prepare-and-draw of the same text, for
// the status box's tip and for a forty-line styled tip, both wrapped at 480 pixels.

#include "gfx/CBitmap.h"
#include "gfx/CDc.h"
#include "tooltip/drawer/CHtmlDrawer.h"
#include "tooltip/window/CPreviewWindowSystem.h"
#include "tooltip/window/CTipWindow.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>

#include <cstdlib>
#include <memory>
#include <string>

namespace {

const std::string kStatusTip =
    "Status messages are displayed here.<br><br>If you receive an error, please click on the "
    "<b>help me with this</b> button for troubleshooting instructions.";

std::string StyledText() {
    std::string text;
    for (int i = 0; i < 40; ++i) {
        text += "<b>Step " + std::to_string(i) +
                ":</b> open the <i>account</i> page and check the " +
                "<font color=#990000>user id</font>.<br>";
    }
    return text;
}

struct NoOpener : opener::ILinkOpener {
    bool Open(std::string_view) override { return false; }
};

// A tip window over the preview window system with a shown tip.
struct ShownTip {
    explicit ShownTip(const std::string& text, double ratio)
        : windows(Screen(ratio)), tip(windows, Services()) {
        (void)tip.CreateTipWindow(windows.Owner());
        tip.SetWrapWidth(480);
        tip.SetTiming(tooltip::TipTiming::Initial, 0);
        tip.RegisterTool(windows.Control(), text);
        windows.SetCursor(cursor);
        tip.RelayMessage({windows.Control(), tooltip::TipMessageCode::MouseMove, cursor});
    }
    static gfx::CBitmap Screen(double ratio) {
        gfx::CBitmap screen = gfx::CBitmap::Create(1600, 1200, ratio);
        gfx::CDc(screen).FillSolidRect({0, 0, 1600, 1200}, gfx::Rgb(58, 110, 165));
        return screen;
    }
    tooltip::HtmlDrawerServices Services() {
        tooltip::HtmlDrawerServices services;
        services.opener = &opener;
        return services;
    }

    NoOpener opener;
    gfx::Point cursor{200, 1100};
    tooltip::CPreviewWindowSystem windows;
    tooltip::CTipWindow tip;
};

void Show(benchmark::State& state, const std::string& text) {
    ShownTip shown(text, static_cast<double>(state.range(0)));
    for (auto _ : state) {
        shown.tip.ShowPendingTool(shown.cursor);
        benchmark::DoNotOptimize(shown.windows.GetDc(shown.tip.Window())->Bitmap().Bits());
    }
    state.counters["width"] = shown.windows.PopupRect().Width();
    state.counters["height"] = shown.windows.PopupRect().Height();
}

void Repaint(benchmark::State& state, const std::string& text) {
    ShownTip shown(text, static_cast<double>(state.range(0)));
    for (auto _ : state) {
        shown.tip.DrawTipNow();
        benchmark::DoNotOptimize(shown.windows.GetDc(shown.tip.Window())->Bitmap().Bits());
    }
}

void DrawerOnly(benchmark::State& state, const std::string& text) {
    NoOpener opener;
    tooltip::HtmlDrawerServices services;
    services.opener = &opener;
    tooltip::CHtmlDrawer drawer(services);
    drawer.SetMaxWidth(480);
    gfx::CDc measure;
    const tooltip::HtmlSize size = drawer.PrepareOutput(measure, text);
    gfx::CDc dc(gfx::CBitmap::Create(size.cx, size.cy, static_cast<double>(state.range(0))));
    for (auto _ : state) {
        const tooltip::HtmlSize prepared = drawer.PrepareOutput(measure, text);
        dc.FillSolidRect({0, 0, prepared.cx, prepared.cy}, gfx::Rgb(255, 255, 225));
        drawer.DrawPreparedOutput(dc, tooltip::HtmlRect{0, 0, prepared.cx, prepared.cy});
        benchmark::DoNotOptimize(dc.Bitmap().Bits());
    }
}

void BM_StatusTip_Show(benchmark::State& state) {
    Show(state, kStatusTip);
}
void BM_StatusTip_Repaint(benchmark::State& state) {
    Repaint(state, kStatusTip);
}
void BM_StatusTip_DrawerPrepareAndDraw(benchmark::State& state) {
    DrawerOnly(state, kStatusTip);
}
void BM_StyledTip_Show(benchmark::State& state) {
    Show(state, StyledText());
}
void BM_StyledTip_Repaint(benchmark::State& state) {
    Repaint(state, StyledText());
}
void BM_StyledTip_DrawerPrepareAndDraw(benchmark::State& state) {
    DrawerOnly(state, StyledText());
}

// The argument is the device pixel ratio.
BENCHMARK(BM_StatusTip_Show)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StatusTip_Repaint)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StatusTip_DrawerPrepareAndDraw)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StyledTip_Show)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StyledTip_Repaint)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StyledTip_DrawerPrepareAndDraw)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace
