// Prepares and draws arbitrary tip texts at a few wrap widths, checks that both passes placed the
// same lines, then asks about the links drawn.

#include "gfx/CBitmap.h"
#include "gfx/CDc.h"
#include "tooltip/drawer/CHtmlDrawer.h"

#include <QGuiApplication>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

namespace {

struct NoOpener : opener::ILinkOpener {
    bool Open(std::string_view) override { return false; }
};

QGuiApplication& Application() {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "fuzz_html_drawer";
    static char* argv[] = {name, nullptr};
    static QGuiApplication app(argc, argv);
    return app;
}

} // namespace

// Qt's font fallback keeps the fontconfig pattern of every fallback face it looks up and never
// frees it; that is the library's, not a fault of the code under test. Without frame pointers
// in fontconfig the stack of that leak ends inside it, hence the module-wide entry.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:QFontEngineMultiFontConfig::getMatchPatternForFallback\n"
           "leak:libfontconfig.so\n";
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static_cast<void>(Application());
    static NoOpener opener;
    static const auto drawerOwner = [] {
        tooltip::HtmlDrawerServices services;
        services.opener = &opener;
        // Pictures come from the compiled-in set only: fuzzing never opens files.
        services.readPictureFiles = false;
        // Strings with spaces too: inside a justified line they must not take part in the
        // justification, and both passes must advance over them alike.
        services.loadString = [](int id) {
            switch (id) {
            case 119:
                return std::string("Status");
            case 106:
                return std::string("aa bb cc dd");
            case 107:
                return std::string(" lead  and trail ");
            default:
                return std::string();
            }
        };
        return std::make_unique<tooltip::CHtmlDrawer>(services);
    }();
    tooltip::CHtmlDrawer& drawer = *drawerOwner;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const int wrap : {0, 1, 100, 480}) {
        drawer.SetMaxWidth(wrap);
        gfx::CDc measure;
        const tooltip::HtmlSize prepared = drawer.PrepareOutput(measure, text);
        // Draw into a bounded bitmap: the layout's size is not what is under test here.
        const int cx = std::clamp(prepared.cx, 1, 1024);
        const int cy = std::clamp(prepared.cy, 1, 1024);
        gfx::CDc dc(gfx::CBitmap::Create(cx, cy));
        drawer.DrawPreparedOutput(dc, tooltip::HtmlRect{0, 0, prepared.cx, prepared.cy});
        // The Draw pass must place exactly the lines the Measure pass recorded.
        if (!drawer.DrawMatchedMeasure()) {
            std::abort();
        }
        for (const auto& area : drawer.HotAreas()) {
            drawer.OnSetCursor({area.left, area.top});
        }
        if (drawer.OnTimer()) {
            drawer.DrawPreparedOutput(dc, tooltip::HtmlRect{0, 0, prepared.cx, prepared.cy});
        }
        drawer.OnSetCursor({-1, -1});
    }
    return 0;
}
