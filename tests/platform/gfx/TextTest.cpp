#include "gfx/CDc.h"

#include <gtest/gtest.h>

#include <string>

namespace gfx {
namespace {

CFont PinnedFont(int height, int weight = 400, const char* face = "DejaVu Sans") {
    LogFont logical;
    logical.height = height;
    logical.weight = weight;
    SetFaceName(logical, face);
    return CFont::Create(logical);
}

int CountInk(const CBitmap& bitmap, Pixel background) {
    int count = 0;
    for (int y = 0; y < bitmap.PixelHeight(); ++y) {
        for (int x = 0; x < bitmap.PixelWidth(); ++x) {
            count += bitmap.GetPixel(x, y) != background ? 1 : 0;
        }
    }
    return count;
}

TEST(FontTest, PositiveHeightIsTheCellHeight) {
    for (int height : {8, 11, 13, 16, 20, 27, 40}) {
        const TextMetrics metrics = PinnedFont(height).Metrics();
        EXPECT_LE(metrics.height, height) << height;
        EXPECT_GE(metrics.height, height - 1) << height;
        EXPECT_EQ(metrics.height, metrics.ascent + metrics.descent);
        EXPECT_GT(metrics.ascent, metrics.descent);
    }
}

TEST(FontTest, MissingFacesMapToInstalledOnes) {
    EXPECT_EQ(PinnedFont(16, 400, "DejaVu Sans").ResolvedFace(), "DejaVu Sans");
    EXPECT_FALSE(PinnedFont(16, 400, "Verdana").ResolvedFace().empty());
    EXPECT_FALSE(PinnedFont(16, 400, "MS Shell Dlg").ResolvedFace().empty());
    // The metric-compatible faces stand in for the common ones.
    EXPECT_EQ(PinnedFont(16, 400, "Arial").ResolvedFace(), "Liberation Sans");
    // Courier stays monospaced.
    CDc dc;
    dc.SelectFont(PinnedFont(16, 400, "Courier"));
    EXPECT_EQ(dc.GetTextExtent("iiii").cx, dc.GetTextExtent("WWWW").cx);
}

TEST(FontTest, FaceNameIsCutAtThirtyOneCharacters) {
    LogFont logical;
    SetFaceName(logical, std::string(40, 'x'));
    EXPECT_EQ(std::string(logical.faceName).size(), 31u);
}

TEST(TextTest, ExtentsAddUpAndBoldIsWider) {
    CDc dc;
    dc.SelectFont(PinnedFont(16));
    const Size whole = dc.GetTextExtent("Hello world");
    EXPECT_EQ(whole.cx, dc.GetTextExtent("Hello ").cx + dc.GetTextExtent("world").cx);
    EXPECT_EQ(whole.cy, dc.GetTextMetrics().height);
    EXPECT_EQ(dc.GetTextExtent("").cx, 0);
    // Pieces measured one by one add up to the whole, at every size and weight the layout uses.
    const char* const words[] = {"The ",   "quick ", "brown ", "fox, ",
                                 "jumps ", "over ",  "WAVY ",  "lilt."};
    for (int height : {11, 13, 16, 19, 24}) {
        for (int weight : {400, 700}) {
            dc.SelectFont(PinnedFont(height, weight));
            int sum = 0;
            std::string whole;
            for (const char* word : words) {
                sum += dc.GetTextExtent(word).cx;
                whole += word;
            }
            EXPECT_EQ(dc.GetTextExtent(whole).cx, sum) << height << " " << weight;
        }
    }
    dc.SelectFont(PinnedFont(16));
    dc.SelectFont(PinnedFont(16, 700));
    EXPECT_GT(dc.GetTextExtent("Hello world").cx, whole.cx);
}

TEST(TextTest, JustificationSpreadsOverTheNextSpaces) {
    CDc plain;
    plain.SelectFont(PinnedFont(16));
    CDc dc(CBitmap::Create(200, 30));
    dc.SelectFont(PinnedFont(16));
    dc.SetTextJustification(10, 3); // the three spaces get 3, 3 and 4
    EXPECT_EQ(dc.GetTextExtent("a b c d").cx, plain.GetTextExtent("a b c d").cx + 10);
    // Measuring does not use the spaces up; a shorter piece gets the first two shares.
    EXPECT_EQ(dc.GetTextExtent("a b c").cx, plain.GetTextExtent("a b c").cx + 6);
    EXPECT_EQ(dc.GetTextExtent("a b c").cx, plain.GetTextExtent("a b c").cx + 6);
    // Drawing uses them up: after two spaces drawn, one space with 4 pixels remains.
    dc.TextOut(0, 0, "a b ");
    EXPECT_EQ(dc.GetTextExtent("c d e").cx, plain.GetTextExtent("c d e").cx + 4);
    dc.SetTextJustification(0, 0);
    EXPECT_EQ(dc.GetTextExtent("a b c d").cx, plain.GetTextExtent("a b c d").cx);
    // Negative extra pixels narrow the text.
    dc.SetTextJustification(-3, 3);
    EXPECT_EQ(dc.GetTextExtent("a b c d").cx, plain.GetTextExtent("a b c d").cx - 3);
}

TEST(TextTest, JustifiedTextIsDrawnStretched) {
    auto drawnRight = [](int extra) {
        CBitmap bitmap = CBitmap::Create(200, 20);
        CDc dc(bitmap);
        dc.SelectFont(PinnedFont(16));
        dc.SetBkMode(BkMode::Transparent);
        dc.SetTextColor(Rgb(255, 255, 255));
        dc.SetTextJustification(extra, 2);
        dc.TextOut(0, 0, "i i i");
        int right = -1;
        for (int y = 0; y < 20; ++y) {
            for (int x = 0; x < 200; ++x) {
                right = bitmap.GetPixel(x, y) != 0 && x > right ? x : right;
            }
        }
        return right;
    };
    EXPECT_EQ(drawnRight(40), drawnRight(0) + 40);
}

TEST(TextTest, TextOutPaintsInTheTextColourWithinTheCell) {
    CBitmap bitmap = CBitmap::Create(120, 30);
    CDc dc(bitmap);
    dc.FillSolidRect({0, 0, 120, 30}, Rgb(255, 255, 255));
    dc.SelectFont(PinnedFont(16));
    dc.SetBkMode(BkMode::Transparent);
    dc.SetTextColor(Rgb(255, 0, 0));
    dc.TextOut(10, 5, "HHHH");
    const Size extent = dc.GetTextExtent("HHHH");
    bool sawRed = false;
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 120; ++x) {
            const Pixel p = bitmap.GetPixel(x, y);
            if (p != MakePixel(255, 255, 255)) {
                EXPECT_GE(x, 10);
                EXPECT_LT(x, 10 + extent.cx);
                EXPECT_GE(y, 5);
                EXPECT_LT(y, 5 + extent.cy);
                EXPECT_EQ(PixelAlpha(p), 0);
                sawRed = sawRed || p == MakePixel(255, 0, 0);
            }
        }
    }
    EXPECT_TRUE(sawRed);
}

TEST(TextTest, OpaqueModeFillsTheCellWithTheBackground) {
    CBitmap bitmap = CBitmap::Create(100, 30);
    CDc dc(bitmap);
    dc.SelectFont(PinnedFont(16));
    dc.SetBkMode(BkMode::Opaque);
    dc.SetBkColor(Rgb(0, 0, 255));
    dc.TextOut(2, 3, "ab");
    const Size extent = dc.GetTextExtent("ab");
    EXPECT_EQ(bitmap.GetPixel(2, 3), MakePixel(0, 0, 255));
    EXPECT_EQ(bitmap.GetPixel(2 + extent.cx - 1, 3 + extent.cy - 1), MakePixel(0, 0, 255));
    EXPECT_EQ(bitmap.GetPixel(2 + extent.cx, 3), 0u);
    EXPECT_EQ(bitmap.GetPixel(1, 3), 0u);
}

TEST(TextTest, DenseBitmapsGetTextAtTheirOwnResolution) {
    CBitmap single = CBitmap::Create(80, 20);
    CBitmap dense = CBitmap::Create(80, 20, 2.0);
    ASSERT_EQ(dense.PixelWidth(), 160);
    for (CBitmap* bitmap : {&single, &dense}) {
        CDc dc(*bitmap);
        dc.SelectFont(PinnedFont(16));
        dc.SetBkMode(BkMode::Transparent);
        dc.SetTextColor(Rgb(255, 255, 255));
        dc.TextOut(0, 0, "Ink");
    }
    const int singleInk = CountInk(single, 0);
    EXPECT_GT(singleInk, 0);
    EXPECT_GT(CountInk(dense, 0), 3 * singleInk);
}

} // namespace
} // namespace gfx

namespace gfx {
namespace {

TEST(TextTest, UnderlineRunsAcrossJustifiedGaps) {
    LogFont logical;
    logical.height = 16;
    logical.underline = 1;
    SetFaceName(logical, "DejaVu Sans");
    CBitmap bitmap = CBitmap::Create(200, 20);
    CDc dc(bitmap);
    dc.SelectFont(CFont::Create(logical));
    dc.SetBkMode(BkMode::Transparent);
    dc.SetTextColor(Rgb(255, 255, 255));
    dc.SetTextJustification(60, 1);
    dc.TextOut(0, 0, "a b");
    const int width = dc.GetTextExtent("a b").cx; // the space is used up: no extra now
    bool fullRow = false;
    for (int y = 0; y < 20 && !fullRow; ++y) {
        int run = 0;
        for (int x = 0; x < 200; ++x) {
            run = bitmap.GetPixel(x, y) == MakePixel(255, 255, 255) ? run + 1 : 0;
            fullRow = fullRow || run >= width + 50;
        }
    }
    EXPECT_TRUE(fullRow);
}

} // namespace
} // namespace gfx

#include "gfx/FontData.h"

namespace gfx {
namespace {

// Widths summed from remembered advances must agree with the shaped width of the whole string,
// or text would be drawn elsewhere than it was measured.
TEST(TextTest, RememberedAdvancesAgreeWithShapedWidths) {
    const QString samples[] = {
        QStringLiteral("The quick brown fox jumps over the lazy dog."),
        QStringLiteral("WAVY Tilt: AV, To, Ye; (1234567890) {[]} ?!@#$%^&*"),
        QStringLiteral("na\u00efve caf\u00e9 \u00c5ngstr\u00f6m \u00df\u00e6\u00f8"),
    };
    for (const char* face : {"DejaVu Sans", "Liberation Sans", "Liberation Serif"}) {
        for (int height : {11, 13, 16, 19, 24, 32}) {
            for (int weight : {400, 700}) {
                for (std::uint8_t italic : {0, 1}) {
                    LogFont logical;
                    logical.height = height;
                    logical.weight = weight;
                    logical.italic = italic;
                    SetFaceName(logical, face);
                    const CFont font = CFont::Create(logical);
                    const detail::FontData* data = FontDataOf(font);
                    for (const QString& sample : samples) {
                        EXPECT_EQ(data->Advance(sample), data->metrics.horizontalAdvance(sample))
                            << face << " " << height << " " << weight << " " << int(italic);
                    }
                }
            }
        }
    }
}

} // namespace
} // namespace gfx

#include "gfx/CRegion.h"

#include <QImage>
#include <QPainter>

namespace gfx {
namespace {

LogFont Logical(const char* face, int height, int weight, std::uint8_t italic) {
    LogFont logical;
    logical.height = height;
    logical.weight = weight;
    logical.italic = italic;
    SetFaceName(logical, face);
    return logical;
}

// Measuring straight from UTF-8 must give the width of the converted string, and a limit may only
// shorten the work, never change the answer to "does it fit".
TEST(TextTest, ExtentsFromUtf8AgreeWithConvertedText) {
    const std::string samples[] = {
        "Status messages are displayed here.",
        "W.i,l;l! \xC3\xA9t\xC3\xA9 \xC3\x9F",
        "\xE2\x82\xAC 5",         // three-byte sequence: shaped
        "e\xCC\x81t\xC3\xA9",     // combining mark: shaped
        "bad \xC3 tail \x80\xFF", // malformed bytes measure as their replacements
        std::string("nul\0inside", 10),
        ""};
    for (const char* face : {"DejaVu Sans", "Liberation Serif"}) {
        for (std::uint8_t italic : {0, 1}) {
            CDc dc;
            dc.SelectFont(CFont::Create(Logical(face, 16, 700, italic)));
            const detail::FontData* data = FontDataOf(dc.Font());
            for (const std::string& s : samples) {
                const QString converted =
                    QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
                const int full = dc.GetTextExtent(s).cx;
                EXPECT_EQ(full, data->metrics.horizontalAdvance(converted)) << face << " " << s;
                for (int limit : {0, full / 2, full - 1, full, full + 1}) {
                    const int limited = dc.GetTextExtent(s, limit).cx;
                    EXPECT_EQ(limited > limit, full > limit) << s << " " << limit;
                    if (full <= limit) {
                        EXPECT_EQ(limited, full) << s << " " << limit;
                    }
                }
            }
        }
    }
}

// Simple text is drawn from kept glyphs; it must have the very pixels of the string rendered at
// once (black on white shows each pixel's coverage directly), glyphs that overlap included.
TEST(TextTest, KeptGlyphsDrawWhatRenderingTheStringDraws) {
    const std::string samples[] = {"Hello, world", "WAVY Tilt: AV, To; (1234) {[]} ?!@#$%&*",
                                   "na\xC3\xAFve caf\xC3\xA9 \xC3\x85ngstr\xC3\xB6m"};
    for (const char* face : {"DejaVu Sans", "Liberation Sans", "Liberation Serif"}) {
        for (int height : {11, 16, 24}) {
            for (std::uint8_t italic : {0, 1}) {
                const CFont font = CFont::Create(Logical(face, height, 700, italic));
                const detail::FontData* data = FontDataOf(font);
                for (const std::string& s : samples) {
                    CBitmap bitmap = CBitmap::Create(400, 40);
                    CDc dc(bitmap);
                    dc.FillSolidRect({0, 0, 400, 40}, Rgb(255, 255, 255));
                    dc.SelectFont(font);
                    dc.SetBkMode(BkMode::Transparent);
                    dc.SetTextColor(Rgb(0, 0, 0));
                    dc.TextOut(5, 3, s);

                    QImage reference(400, 40, QImage::Format_ARGB32_Premultiplied);
                    reference.fill(0);
                    QPainter painter(&reference);
                    // Text output keeps to the cell's rows.
                    painter.setClipRect(QRect(0, 3, 400, data->textMetrics.height));
                    painter.setFont(data->font);
                    painter.setPen(QColor(0, 0, 0, 255));
                    painter.drawText(QPointF(5, 3 + data->textMetrics.ascent),
                                     QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())));
                    painter.end();
                    int differences = 0;
                    for (int y = 0; y < 40; ++y) {
                        for (int x = 0; x < 400; ++x) {
                            const int grey = 255 - qAlpha(reference.pixel(x, y));
                            differences += bitmap.GetPixel(x, y) != MakePixel(grey, grey, grey);
                        }
                    }
                    EXPECT_EQ(differences, 0)
                        << face << " " << height << " " << int(italic) << " " << s;
                }
            }
        }
    }
}

// Partial coverage moves each channel towards the text colour by coverage / 255 of the way,
// truncated: channels that rise (red, blue here) and fall (green) alike.
TEST(TextTest, PartialCoverageMixesEveryChannelTowardsTheTextColour) {
    const CFont font = CFont::Create(Logical("DejaVu Sans", 16, 400, 1));
    const detail::FontData* data = FontDataOf(font);
    const std::string text = "Mixed colours: AVWxyz 0123";
    const Pixel background = MakePixel(40, 180, 90);
    CBitmap bitmap = CBitmap::Create(300, 24);
    CDc dc(bitmap);
    dc.FillSolidRect({0, 0, 300, 24}, Rgb(40, 180, 90));
    dc.SelectFont(font);
    dc.SetBkMode(BkMode::Transparent);
    dc.SetTextColor(Rgb(200, 30, 120));
    dc.TextOut(4, 2, text);

    QImage reference(300, 24, QImage::Format_ARGB32_Premultiplied);
    reference.fill(0);
    QPainter painter(&reference);
    painter.setClipRect(QRect(0, 2, 300, data->textMetrics.height));
    painter.setFont(data->font);
    painter.setPen(QColor(0, 0, 0, 255));
    painter.drawText(QPointF(4, 2 + data->textMetrics.ascent), QString::fromStdString(text));
    painter.end();
    int differences = 0;
    int partial = 0;
    for (int y = 0; y < 24; ++y) {
        for (int x = 0; x < 300; ++x) {
            const int a = qAlpha(reference.pixel(x, y));
            auto mix = [a](int from, int to) { return from + (to - from) * a / 255; };
            const Pixel expected =
                a == 0 ? background : MakePixel(mix(40, 200), mix(180, 30), mix(90, 120));
            partial += a != 0 && a != 255;
            differences += bitmap.GetPixel(x, y) != expected;
        }
    }
    EXPECT_GT(partial, 50);
    EXPECT_EQ(differences, 0);
}

TEST(TextTest, KeptGlyphsStayInsideTheClipRegion) {
    CBitmap bitmap = CBitmap::Create(200, 30);
    CDc dc(bitmap);
    dc.FillSolidRect({0, 0, 200, 30}, Rgb(255, 255, 255));
    dc.SelectFont(PinnedFont(16));
    dc.SetBkMode(BkMode::Transparent);
    dc.SelectClipRegion(CRegion::FromRect({0, 0, 20, 30}));
    dc.TextOut(0, 0, "MMMMMMMMMM");
    // Far outside the bitmap on either side: nothing drawn, nothing overflows.
    dc.TextOut(-(1 << 29), 0, "MMMM");
    dc.TextOut((1 << 29), 0, "MMMM");
    int inside = 0;
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 200; ++x) {
            const bool ink = bitmap.GetPixel(x, y) != MakePixel(255, 255, 255);
            if (x >= 20) {
                ASSERT_FALSE(ink) << x << "," << y;
            }
            inside += ink ? 1 : 0;
        }
    }
    EXPECT_GT(inside, 0);
}

} // namespace
} // namespace gfx
