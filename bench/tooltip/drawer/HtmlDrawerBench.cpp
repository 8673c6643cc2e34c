// Prepare-and-draw of tip texts by the HTML drawer, beside Qt's own rich-text renderer laying out
// and drawing the same texts into an image of the same size.

#include "gfx/CBitmap.h"
#include "gfx/CDc.h"
#include "tooltip/drawer/CHtmlDrawer.h"

#include <benchmark/benchmark.h>

#include <QAbstractTextDocumentLayout>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTextDocument>

#ifdef KELDWICK_HAVE_PANGO
#include <pango/pangocairo.h>
#endif

#include <algorithm>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

// The status box's tip.
const std::string kStatusTip =
    "Status messages are displayed here.<br><br>If you receive an error, please click on the "
    "<b>help me with this</b> button for troubleshooting instructions.";

// Forty lines with fonts, colours, rules and links.
std::string StyledText() {
    std::string text = "<h3>Connection settings</h3>";
    for (int i = 0; i < 38; ++i) {
        switch (i % 5) {
        case 0:
            text += "<b>Step " + std::to_string(i) +
                    ":</b> open the <i>account</i> page and "
                    "check the <font color=#990000>user id</font> you signed in with.<br>";
            break;
        case 1:
            text += "<font face=Arial size=4 color=green>Green text in a larger face</font> "
                    "then <u>underlined words</u> and more plain words.<br>";
            break;
        case 2:
            text += "See <a href=http://example.com/help>the help pages</a> or <a "
                    "href=http://example.com/faq>the questions</a> for details.<br>";
            break;
        case 3:
            text += "<hr width=80% size=1 color=gray>";
            break;
        default:
            text += "<code>keldwick --check</code> prints the <font color=blue>state</font> "
                    "of every <b><i>service</i></b> it knows.<br>";
            break;
        }
    }
    text += "<hr size=2>End of the list.";
    return text;
}

// A 10 x 10 table with a gradient background and framed cells.
std::string TableText(bool qtMarkup) {
    std::string text = qtMarkup ? "<table border=1 cellpadding=2 cellspacing=0 bgcolor=#c0d0f0>"
                                : "<table border=1 bgcolor=#ffffff bgendcolor=#4070c0 "
                                  "bgeffect=vgradient cellpadding=2>";
    for (int r = 0; r < 10; ++r) {
        text += "<tr>";
        for (int c = 0; c < 10; ++c) {
            text += "<td>r" + std::to_string(r) + "c" + std::to_string(c) + "</td>";
        }
        text += "</tr>";
    }
    text += "</table>";
    return text;
}

struct NoOpener : opener::ILinkOpener {
    bool Open(std::string_view) override { return false; }
};

void Ours(benchmark::State& state, const std::string& text, int wrap) {
    NoOpener opener;
    tooltip::HtmlDrawerServices services;
    services.opener = &opener;
    tooltip::CHtmlDrawer drawer(services);
    drawer.SetMaxWidth(wrap);
    gfx::CDc measure;
    const tooltip::HtmlSize size = drawer.PrepareOutput(measure, text);
    gfx::CDc dc(gfx::CBitmap::Create(size.cx, size.cy));
    for (auto _ : state) {
        const tooltip::HtmlSize prepared = drawer.PrepareOutput(measure, text);
        dc.FillSolidRect({0, 0, prepared.cx, prepared.cy}, gfx::Rgb(255, 255, 225));
        drawer.DrawPreparedOutput(dc, tooltip::HtmlRect{0, 0, prepared.cx, prepared.cy});
        benchmark::DoNotOptimize(dc.Bitmap().Bits());
    }
    state.counters["width"] = size.cx;
    state.counters["height"] = size.cy;
}

// The image has the size our drawer prepares for the text, so both draw into the same area.
void Qt(benchmark::State& state, const std::string& text, int wrap) {
    const QString html = QString::fromStdString(text);
    QFont font("Verdana");
    font.setPixelSize(13);
    NoOpener opener;
    tooltip::HtmlDrawerServices services;
    services.opener = &opener;
    tooltip::CHtmlDrawer drawer(services);
    drawer.SetMaxWidth(wrap);
    gfx::CDc measure;
    const tooltip::HtmlSize prepared = drawer.PrepareOutput(measure, text);
    const QSize size(prepared.cx, prepared.cy);
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        QTextDocument doc;
        doc.setDefaultFont(font);
        doc.setHtml(html);
        doc.setTextWidth(wrap);
        benchmark::DoNotOptimize(doc.size());
        image.fill(QColor(255, 255, 225));
        QPainter painter(&image);
        doc.drawContents(&painter);
        painter.end();
        benchmark::DoNotOptimize(image.bits());
    }
    state.counters["width"] = size.width();
    state.counters["height"] = size.height();
}

void BM_StatusTip_Drawer(benchmark::State& state) {
    Ours(state, kStatusTip, 480);
}
void BM_StatusTip_QTextDocument(benchmark::State& state) {
    Qt(state, kStatusTip, 480);
}
void BM_StyledText_Drawer(benchmark::State& state) {
    Ours(state, StyledText(), 480);
}
void BM_StyledText_QTextDocument(benchmark::State& state) {
    Qt(state, StyledText(), 480);
}

void BM_Table_Drawer(benchmark::State& state) {
    Ours(state, TableText(false), 480);
}
// Qt's rich text has no gradient background for tables: it fills one colour, less work than ours.
void BM_Table_QTextDocument(benchmark::State& state) {
    Qt(state, TableText(true), 480);
}

// A tip in the largest font, prepared and drawn by a fresh drawer each time, so that every glyph
// is rendered anew: the cost of rendering glyphs at a huge size.
void BM_HugeFont_Drawer(benchmark::State& state) {
    const std::string text = "<font size=2000>ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                             "0123456789</font>";
    NoOpener opener;
    gfx::CDc dc(gfx::CBitmap::Create(400, 400));
    for (auto _ : state) {
        tooltip::HtmlDrawerServices services;
        services.opener = &opener;
        tooltip::CHtmlDrawer drawer(services);
        gfx::CDc measure;
        const tooltip::HtmlSize prepared = drawer.PrepareOutput(measure, text);
        drawer.DrawPreparedOutput(dc, tooltip::HtmlRect{0, 0, prepared.cx, prepared.cy});
        benchmark::DoNotOptimize(dc.Bitmap().Bits());
    }
}

// Hostile texts: each generator repeats its unit until the text reaches the size asked for.
struct Hostile {
    const char* name;
    std::function<std::string(std::size_t)> make;
    int wrap;
};

std::string Repeat(std::string head, const std::string& unit, const std::string& tail,
                   std::size_t bytes) {
    while (head.size() + tail.size() < bytes) {
        head += unit;
    }
    return head + tail;
}

// A 1 x 1 picture for tiled backgrounds, written once.
const std::string& OnePixelFile() {
    static const std::string path = [] {
        std::string file = "/tmp/keldwick-bench-one-" + std::to_string(getpid()) + ".png";
        QImage one(1, 1, QImage::Format_RGB32);
        one.fill(Qt::blue);
        one.save(QString::fromStdString(file));
        return file;
    }();
    return path;
}

const std::vector<Hostile>& HostileTexts() {
    static const std::vector<Hostile> texts = {
        {"NestedTablesInOneCell",
         [](std::size_t n) {
             return Repeat("<table><tr><td>", "<table></table>", "</td></tr></table>", n);
         },
         480},
        {"TablesBetweenCells",
         [](std::size_t n) {
             return Repeat("<table><tr>", "<td>x</td><table></table>", "</tr></table>", n);
         },
         480},
        {"RowsWithoutCells",
         [](std::size_t n) { return Repeat("<table>", "<tr></tr>", "<tr><td>x</td></tr>", n); },
         480},
        {"CellsFarPastTheirRow",
         [](std::size_t n) {
             return Repeat("<table>", "<tr></tr>" + std::string(200, ' '), "<td>x</table>", n);
         },
         480},
        {"DeepNesting",
         [](std::size_t n) { return Repeat("", "<table border=1><tr><td>", "core", n); }, 480},
        {"GridWithoutBound",
         [](std::size_t n) {
             std::string unit = "<table>";
             for (int i = 0; i < 999; ++i) {
                 unit += "<tr</tr";
             }
             return Repeat("", unit + "<tr><td colspan=1000>x</td></tr></table>", "", n);
         },
         480},
        {"OverlappingSpans",
         [](std::size_t n) {
             return Repeat("<table><tr><td>a</td><td colspan=999 rowspan=1000>b</td></tr>",
                           "<tr><td colspan=1000 rowspan=1000>c</td></tr>", "</table>", n);
         },
         480},
        {"Links", [](std::size_t n) { return Repeat("", "<a href=x>link</a> ", "", n); }, 480},
        {"Pictures",
         [](std::size_t n) {
             return Repeat("", "<bmp idres=130 width=8 height=8 style=s>", "", n);
         },
         480},
        {"StyleTags",
         [](std::size_t n) { return Repeat("", "<b><i><font color=red size=3>x", "", n); }, 480},
        {"OneLongWord", [](std::size_t n) { return std::string(n, 'w'); }, 480},
        {"HugeAttributes",
         [](std::size_t n) {
             return "<table bgcolor=\"" + std::string(n, 'x') + "\"><tr><td>x</td></tr></table>";
         },
         480},
        {"TiledBackground",
         [](std::size_t n) {
             return Repeat("<table background=\"file: " + OnePixelFile() +
                               "\"><tr><td width=1000000 height=1000>x</td></tr>",
                           "<tr><td>x</td></tr>", "</table>", n);
         },
         100},
        {"NoiseInAWideCell",
         [](std::size_t n) {
             return Repeat("<table>", "<tr><td width=1000000 bgeffect=noise>x</td></tr>",
                           "</table>", n);
         },
         480},
        {"OneHugeIcon",
         [](std::size_t n) {
             return Repeat("<icon idres=128 width=9999999 height=9999999>", "x", "", n);
         },
         480},
        {"OneStretchedShadowedBitmap",
         [](std::size_t n) {
             return Repeat("<bmp idres=130 width=4096 height=4096 style=s>", "x", "", n);
         },
         480},
    };
    return texts;
}

// Prepares and draws into a bitmap of the prepared size cut to 2000 x 2000, as a tip on a large
// screen would show at most; args: generator, size in KiB.
void BM_Hostile_Drawer(benchmark::State& state) {
    const Hostile& hostile = HostileTexts()[static_cast<std::size_t>(state.range(0))];
    const std::string text = hostile.make(static_cast<std::size_t>(state.range(1)) * 1024);
    state.SetLabel(hostile.name);
    NoOpener opener;
    tooltip::HtmlDrawerServices services;
    services.opener = &opener;
    tooltip::CHtmlDrawer drawer(services);
    drawer.SetMaxWidth(hostile.wrap);
    gfx::CDc measure;
    for (auto _ : state) {
        const tooltip::HtmlSize prepared = drawer.PrepareOutput(measure, text);
        gfx::CDc dc(gfx::CBitmap::Create(std::clamp(prepared.cx, 1, 2000),
                                         std::clamp(prepared.cy, 1, 2000)));
        drawer.DrawPreparedOutput(dc, tooltip::HtmlRect{0, 0, prepared.cx, prepared.cy});
        benchmark::DoNotOptimize(dc.Bitmap().Bits());
    }
    state.counters["bytes"] = static_cast<double>(text.size());
}

void HostileArguments(benchmark::internal::Benchmark* benchmark) {
    for (std::size_t i = 0; i < HostileTexts().size(); ++i) {
        for (const int kib : {64, 1024}) {
            benchmark->Args({static_cast<long long>(i), kib});
        }
    }
}

#ifdef KELDWICK_HAVE_PANGO
// The status tip in Pango's markup (line feeds for the breaks), laid out and drawn by Pango into
// a Cairo image of the size our drawer prepares, in a 13-pixel face like the other rows.
void BM_StatusTip_PangoCairo(benchmark::State& state) {
    const std::string markup =
        "Status messages are displayed here.\n\nIf you receive an error, please click on the "
        "<b>help me with this</b> button for troubleshooting instructions.";
    NoOpener opener;
    tooltip::HtmlDrawerServices services;
    services.opener = &opener;
    tooltip::CHtmlDrawer drawer(services);
    drawer.SetMaxWidth(480);
    gfx::CDc measure;
    const tooltip::HtmlSize prepared = drawer.PrepareOutput(measure, kStatusTip);
    cairo_surface_t* surface =
        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, prepared.cx, prepared.cy);
    PangoFontDescription* font = pango_font_description_from_string("Verdana");
    pango_font_description_set_absolute_size(font, 13 * PANGO_SCALE);
    for (auto _ : state) {
        cairo_t* cr = cairo_create(surface);
        cairo_set_source_rgb(cr, 1.0, 1.0, 225.0 / 255.0);
        cairo_paint(cr);
        PangoLayout* layout = pango_cairo_create_layout(cr);
        pango_layout_set_font_description(layout, font);
        pango_layout_set_width(layout, 480 * PANGO_SCALE);
        pango_layout_set_wrap(layout, PANGO_WRAP_WORD);
        pango_layout_set_markup(layout, markup.c_str(), -1);
        cairo_set_source_rgb(cr, 0, 0, 0);
        pango_cairo_show_layout(cr, layout);
        g_object_unref(layout);
        cairo_destroy(cr);
        cairo_surface_flush(surface);
        benchmark::DoNotOptimize(cairo_image_surface_get_data(surface));
    }
    pango_font_description_free(font);
    cairo_surface_destroy(surface);
}
BENCHMARK(BM_StatusTip_PangoCairo)->Unit(benchmark::kMicrosecond);
#endif

BENCHMARK(BM_StatusTip_Drawer)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StatusTip_QTextDocument)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StyledText_Drawer)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StyledText_QTextDocument)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Table_Drawer)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Table_QTextDocument)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HugeFont_Drawer)->Unit(benchmark::kMillisecond)->Iterations(3);
// Doubling a hostile text's size at most doubles its time: compare the 64 KiB and 1 MiB rows.
BENCHMARK(BM_Hostile_Drawer)->Apply(HostileArguments)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
