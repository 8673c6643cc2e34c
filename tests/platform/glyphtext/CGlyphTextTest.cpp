#include "glyphtext/CGlyphText.h"

#include "gfx/CBitmap.h"
#include "gfx/CRegion.h"

#include <gtest/gtest.h>

namespace glyphtext {
namespace {

class GlyphTextTest : public ::testing::Test {
protected:
    GlyphTextTest() {
        gfx::LogFont logical;
        logical.height = 16;
        gfx::SetFaceName(logical, "DejaVu Sans");
        m_font = gfx::CFont::Create(logical);
    }
    static gfx::CDc Canvas(const gfx::CFont& font) {
        gfx::CDc dc(gfx::CBitmap::Create(200, 30));
        dc.FillSolidRect({0, 0, 200, 30}, gfx::Rgb(255, 255, 255));
        static_cast<void>(dc.SelectFont(font));
        dc.SetBkMode(gfx::BkMode::Transparent);
        dc.SetTextColor(gfx::Rgb(0, 0, 128));
        return dc;
    }
    static int Differences(const gfx::CDc& a, const gfx::CDc& b) {
        int n = 0;
        for (int y = 0; y < 30; ++y) {
            for (int x = 0; x < 200; ++x) {
                n += a.Bitmap().GetPixel(x, y) != b.Bitmap().GetPixel(x, y) ? 1 : 0;
            }
        }
        return n;
    }

    gfx::CFont m_font;
    CGlyphText m_text;
};

TEST_F(GlyphTextTest, WidthsMatchTheDrawingLayer) {
    gfx::CDc dc = Canvas(m_font);
    for (const char* s : {"Status messages are displayed here.", "W.i,l;l!", "\xE2\x82\xAC 5",
                          "e\xCC\x81t\xC3\xA9", ""}) {
        EXPECT_EQ(m_text.Extent(m_font, s, {}), dc.GetTextExtent(s).cx) << s;
    }
}

TEST_F(GlyphTextTest, JustificationSpreadsExtraPixelsOverSpaces) {
    const int plain = m_text.Extent(m_font, "a b c d", {});
    EXPECT_EQ(m_text.Extent(m_font, "a b c d", {10, 3, 0}), plain + 10);
    // Two spaces already drawn: only the last share (4 pixels) is left.
    EXPECT_EQ(m_text.Extent(m_font, "a b", {10, 3, 2}), m_text.Extent(m_font, "a b", {}) + 4);
    EXPECT_EQ(ExtraForSpace({10, 3, 0}, 0), 3);
    EXPECT_EQ(ExtraForSpace({10, 3, 0}, 2), 4);
    EXPECT_EQ(ExtraForSpace({10, 3, 0}, 3), 0);

    gfx::CDc dc = Canvas(m_font);
    Justification j{10, 3, 0};
    m_text.Draw(dc, 0, 0, "a b ", j);
    EXPECT_EQ(j.used, 2);
}

TEST_F(GlyphTextTest, DrawsWhatTheDrawingLayerDraws) {
    for (const char* s : {"Hello, world", "e\xCC\x81t\xC3\xA9"}) {
        gfx::CDc expected = Canvas(m_font);
        expected.TextOut(3, 2, s);
        gfx::CDc actual = Canvas(m_font);
        Justification none;
        m_text.Draw(actual, 3, 2, s, none);
        EXPECT_EQ(Differences(expected, actual), 0) << s;
    }
}

TEST_F(GlyphTextTest, OpaqueCellsUnderlinesAndClipping) {
    gfx::CDc dc = Canvas(m_font);
    dc.SetBkMode(gfx::BkMode::Opaque);
    dc.SetBkColor(gfx::Rgb(255, 255, 0));
    Justification none;
    m_text.Draw(dc, 0, 0, "  ", none);
    EXPECT_EQ(dc.Bitmap().GetPixel(1, 1), gfx::PixelFromColor(gfx::Rgb(255, 255, 0)));

    gfx::LogFont logical = m_font.Logical();
    logical.underline = 1;
    const gfx::CFont underlined = gfx::CFont::Create(logical);
    gfx::CDc lined = Canvas(underlined);
    gfx::CDc reference = Canvas(underlined);
    m_text.Draw(lined, 0, 0, "ab cd", none);
    reference.TextOut(0, 0, "ab cd");
    // The line runs under the space as well.
    const int width = m_text.Extent(underlined, "ab", {});
    bool lineUnderSpace = false;
    for (int y = 0; y < 30; ++y) {
        lineUnderSpace |= lined.Bitmap().GetPixel(width + 1, y) != gfx::PixelFromColor(0xFFFFFF);
    }
    EXPECT_TRUE(lineUnderSpace);

    gfx::CDc clipped = Canvas(m_font);
    clipped.SelectClipRegion(gfx::CRegion::FromRect({0, 0, 20, 30}));
    m_text.Draw(clipped, 0, 0, "MMMMMMMMMM", none);
    for (int y = 0; y < 30; ++y) {
        for (int x = 20; x < 200; ++x) {
            ASSERT_EQ(clipped.Bitmap().GetPixel(x, y), gfx::PixelFromColor(0xFFFFFF));
        }
    }
}

} // namespace
} // namespace glyphtext
