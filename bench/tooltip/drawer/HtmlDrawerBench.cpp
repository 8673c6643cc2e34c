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

#include <cstdlib>
#include <string>

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

BENCHMARK(BM_StatusTip_Drawer)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StatusTip_QTextDocument)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StyledText_Drawer)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StyledText_QTextDocument)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Table_Drawer)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Table_QTextDocument)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HugeFont_Drawer)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
