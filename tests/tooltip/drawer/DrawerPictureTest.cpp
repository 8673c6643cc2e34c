// Pictures in the flow: the boxes they take, where they come from, their hover styles and the
// animation of image strips.

#include "DrawerFixture.h"

#include <QImage>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>

namespace tooltip::testing {
namespace {

class DrawerPictureTest : public DrawerTest {
protected:
    int Width() const { return m_drawer.Lines().at(0).width; }
    int Height() const { return m_drawer.Lines().at(0).height; }
    gfx::Pixel At(int x, int y) const { return m_dc.Bitmap().GetPixel(x, y); }
    void DrawOnWhite() {
        m_dc.FillSolidRect({0, 0, 600, 400}, gfx::Rgb(255, 255, 255));
        Draw();
    }
};

TEST_F(DrawerPictureTest, BitmapSizes) {
    Prepare("<bmp idres=130>");
    EXPECT_EQ(Width(), 32);
    EXPECT_EQ(Height(), 32);
    Prepare("<bmp idres=130 width=50%>");
    EXPECT_EQ(Width(), 16);
    Prepare("<bmp idres=130 width=20 height=10>");
    EXPECT_EQ(Width(), 20);
    EXPECT_EQ(Height(), 10);
    // The shadow takes room to the right; the line grows only by the picture's height.
    Prepare("<bmp idres=130 style=s>");
    EXPECT_EQ(Width(), 36);
    EXPECT_EQ(Height(), 32);
    // Absurd sizes are bounded, and an unknown picture takes no room.
    Prepare("<bmp idres=130 width=100000%>");
    EXPECT_LE(Width(), 4096);
    EXPECT_EQ(Prepare("<bmp idres=131>"), (HtmlSize{0, 0}));
}

TEST_F(DrawerPictureTest, IconSizes) {
    Prepare("<icon idres=128>");
    EXPECT_EQ(Width(), 32);
    Prepare("<icon idres=128 width=16 height=16>");
    EXPECT_EQ(Width(), 16);
    EXPECT_EQ(Height(), 16);
    Prepare("<icon idres=128 width=50% height=50%>");
    EXPECT_EQ(Width(), 16);
}

TEST_F(DrawerPictureTest, StripFramesAndBounds) {
    Prepare("<ilst idres=140 cx=16 index=2>");
    EXPECT_EQ(Width(), 16);
    EXPECT_EQ(Prepare("<ilst idres=140 cx=16 index=4>"), (HtmlSize{0, 0}));
    // Lengths drop their sign: index=-1 is frame 1.
    Prepare("<ilst idres=140 cx=16 index=-1>");
    EXPECT_EQ(Width(), 16);
    // Without a frame size the frames are square.
    Prepare("<ilst idres=140 index=3>");
    EXPECT_EQ(Width(), 16);
    // Each frame is drawn from its own part of the strip.
    Prepare("<ilst idres=140 cx=16 index=0>");
    DrawOnWhite();
    const gfx::CBitmap first = m_dc.Bitmap().Clone();
    Prepare("<ilst idres=140 cx=16 index=1>");
    DrawOnWhite();
    int differences = 0;
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            differences += first.GetPixel(x, y) != At(x, y) ? 1 : 0;
        }
    }
    EXPECT_GT(differences, 0);
}

TEST_F(DrawerPictureTest, AnimationStepsEveryFiveTicks) {
    Prepare("<ilst idres=140 cx=16 speed=5>");
    EXPECT_TRUE(m_drawer.HasAnimation());
    EXPECT_EQ(CHtmlDrawer::AnimationInterval(), 100);
    ASSERT_EQ(m_drawer.Animations().size(), 1u);
    EXPECT_EQ(m_drawer.Animations()[0].frameCount, 4);
    std::vector<int> frames;
    for (int tick = 1; tick <= 20; ++tick) {
        const bool changed = m_drawer.OnTimer();
        EXPECT_EQ(changed, tick % 5 == 0) << tick;
        if (changed) {
            frames.push_back(m_drawer.Animations()[0].frame);
        }
    }
    EXPECT_EQ(frames, (std::vector<int>{1, 2, 3, 0}));
    // Preparing again restarts the strip; a text without strips never animates.
    m_drawer.OnTimer();
    Prepare("<ilst idres=140 cx=16 speed=5 index=2>");
    EXPECT_EQ(m_drawer.Animations()[0].frame, 2);
    m_drawer.SetAnimationFrame(7);
    EXPECT_EQ(m_drawer.Animations()[0].frame, 3);
    Prepare("<ilst idres=140 cx=16>");
    EXPECT_FALSE(m_drawer.HasAnimation());
    EXPECT_FALSE(m_drawer.OnTimer());
}

TEST_F(DrawerPictureTest, HoverStyleInsideALink) {
    Prepare("<a href=x><bmp idres=130 hotstyle=g></a>");
    DrawOnWhite();
    ASSERT_EQ(m_drawer.HotAreas().size(), 1u);
    EXPECT_EQ(m_drawer.HotAreas()[0].right, 32);
    const gfx::Pixel plain = At(8, 16);
    EXPECT_NE(gfx::PixelRed(plain), gfx::PixelBlue(plain));
    m_drawer.OnSetCursor({8, 16});
    EXPECT_EQ(m_drawer.HoveredLink(), 0);
    DrawOnWhite();
    const gfx::Pixel hovered = At(8, 16);
    EXPECT_EQ(gfx::PixelRed(hovered), gfx::PixelBlue(hovered));
    EXPECT_EQ(gfx::PixelGreen(hovered), gfx::PixelBlue(hovered));
}

TEST_F(DrawerPictureTest, MaskColourIsTransparent) {
    Prepare("<bmp idres=130 mask>");
    DrawOnWhite();
    EXPECT_EQ(At(0, 0), gfx::PixelFromColor(gfx::Rgb(255, 255, 255)));
    Prepare("<bmp idres=130>");
    DrawOnWhite();
    EXPECT_EQ(gfx::PixelRed(At(0, 0)), 255);
    EXPECT_EQ(gfx::PixelGreen(At(0, 0)), 0);
}

TEST_F(DrawerPictureTest, RegisteredPicturesStayTheProgramsOwn) {
    gfx::CBitmap mine = gfx::CBitmap::Create(10, 6);
    std::fill(mine.Bits(), mine.Bits() + 60, gfx::MakePixel(0, 200, 0));
    m_drawer.RegisterPicture(0x1234, mine);
    Prepare("<bmp handle=0x1234>");
    EXPECT_EQ(Width(), 10);
    DrawOnWhite();
    EXPECT_EQ(gfx::PixelGreen(At(5, 3)), 200);
    m_drawer.ForgetHandle(0x1234);
    EXPECT_EQ(mine.Bits()[0], gfx::MakePixel(0, 200, 0));
    EXPECT_EQ(Prepare("<bmp handle=0x1234>"), (HtmlSize{0, 0}));
}

TEST_F(DrawerPictureTest, BrokenOrOversizedFilesDrawNothing) {
    const std::string broken = ::testing::TempDir() + "broken.png";
    std::ofstream(broken) << "not a picture at all";
    EXPECT_EQ(Prepare("<bmp file=" + broken + ">"), (HtmlSize{0, 0}));
    // Small on disk, but 4200 x 4200 pixels would take about 70 MiB once decoded.
    const std::string huge = ::testing::TempDir() + "huge.png";
    QImage picture(4200, 4200, QImage::Format_Mono);
    picture.fill(0);
    ASSERT_TRUE(picture.save(QString::fromStdString(huge)));
    EXPECT_EQ(Prepare("<bmp file=" + huge + "> <icon file=" + huge + ">"), Prepare(" "));
    // The bound holds for the picture's own size, however small the icon asked for (a JPEG
    // decodes straight to a smaller size, so Qt's own limit does not stop it).
    const std::string wide = ::testing::TempDir() + "wide.jpg";
    QImage grey(9000, 2000, QImage::Format_Grayscale8);
    grey.fill(128);
    ASSERT_TRUE(grey.save(QString::fromStdString(wide)));
    EXPECT_EQ(Prepare("<icon file=" + wide + " width=32 height=32>"), (HtmlSize{0, 0}));
    std::remove(wide.c_str());
    // A picture file of sensible size draws.
    const std::string good = ::testing::TempDir() + "good.png";
    QImage small(12, 7, QImage::Format_RGB32);
    small.fill(Qt::red);
    ASSERT_TRUE(small.save(QString::fromStdString(good)));
    Prepare("<bmp file=" + good + ">");
    EXPECT_EQ(Width(), 12);
    std::remove(broken.c_str());
    std::remove(huge.c_str());
    std::remove(good.c_str());
}

TEST_F(DrawerPictureTest, TableBackgroundsReadTheirDescriptionLikeADeclaration) {
    // The key ignores case, a value may be quoted and ends at a ";"; the file name keeps its case.
    const std::string plain = ::testing::TempDir() + "RedTile.png";
    const std::string spaced = ::testing::TempDir() + "Red Tile.png";
    QImage red(4, 4, QImage::Format_RGB32);
    red.fill(Qt::red);
    ASSERT_TRUE(red.save(QString::fromStdString(plain)));
    ASSERT_TRUE(red.save(QString::fromStdString(spaced)));
    const struct {
        std::string description;
        bool drawn;
    } cases[] = {
        {"file: " + plain, true},
        {"file:\"" + spaced + "\"", true},
        {"file: " + spaced, true},
        {"File: " + plain + "; idres: 130", true},
        {"file: " + plain.substr(0, plain.size() - 4) + ";.png", false},
        {"files: " + plain, false},
    };
    for (const auto& c : cases) {
        Prepare("<table background='" + c.description + "'><tr><td>xxxx</td></tr></table>");
        DrawOnWhite();
        EXPECT_EQ(At(1, 1) == gfx::MakePixel(255, 0, 0), c.drawn) << c.description;
    }
    std::remove(plain.c_str());
    std::remove(spaced.c_str());
}

TEST_F(DrawerPictureTest, BundlesAreOpenedForTheCall) {
    const std::string bundle = KELDWICK_TEST_BUNDLE;
    Prepare("<bmp srcdll=" + bundle + " iddll=7>");
    EXPECT_EQ(Width(), 32);
    DrawOnWhite();
    Prepare("<icon srcdll=" + bundle + " iddll=7 width=16 height=16>");
    EXPECT_EQ(Width(), 16);
    // A picture the bundle lacks, a bundle that is not one, or no bundle at all: nothing.
    EXPECT_EQ(Prepare("<bmp srcdll=" + bundle + " iddll=8>"), (HtmlSize{0, 0}));
    EXPECT_EQ(Prepare("<bmp srcdll=/nonexistent.rcc iddll=7>"), (HtmlSize{0, 0}));
    EXPECT_EQ(Prepare("<bmp iddll=7>"), (HtmlSize{0, 0}));
    // The bundle was closed again: its pictures are no longer reachable by path.
    EXPECT_FALSE(gfx::CBitmap::LoadFile(":/keldwick-bundle-0/bitmaps/7.png"));
}

TEST_F(DrawerPictureTest, StripsStartingOutsideTheirFramesNeverShow) {
    Prepare("<a href=x>A<ilst idres=140 cx=16 speed=5 index=7>B</a><br>line two");
    const std::vector<HtmlLine> measured = m_drawer.Lines();
    Draw();
    EXPECT_TRUE(m_drawer.DrawMatchedMeasure());
    // Neither a chosen frame nor the timer brings it in.
    m_drawer.SetAnimationFrame(0);
    Draw();
    EXPECT_TRUE(m_drawer.DrawMatchedMeasure());
    for (int tick = 0; tick < 5; ++tick) {
        m_drawer.OnTimer();
    }
    Draw();
    EXPECT_TRUE(m_drawer.DrawMatchedMeasure());
    EXPECT_EQ(m_drawer.Lines(), measured);
    EXPECT_FALSE(m_drawer.HasAnimation());
}

// A picture path that names a FIFO or a pipe places nothing and never waits for a writer. A
// helper gives the FIFO a writer now and then, so that a reader that does wait ends.
TEST_F(DrawerPictureTest, PicturesComeOnlyFromRegularFiles) {
    const std::string fifo = ::testing::TempDir() + "picture.fifo";
    std::remove(fifo.c_str());
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::atomic<bool> done{false};
    std::thread writer([&] {
        while (!done) {
            for (int i = 0; i < 30 && !done; ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
            const int fd = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK);
            if (fd >= 0) {
                ::close(fd);
            }
        }
    });
    const HtmlSize plain = Prepare("ab");
    for (const std::string& tag :
         {"<bmp file=" + fifo + ">", "<icon file=" + fifo + ">",
          "<bmp srcdll=" + fifo + " iddll=7>", "<icon srcdll=" + fifo + " iddll=7>",
          "<table background=\"file: " + fifo + "\"><tr><td>x</td></tr></table>"}) {
        const auto start = std::chrono::steady_clock::now();
        const HtmlSize size = Prepare("a" + tag + "b");
        Draw();
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2)) << tag;
        if (tag.starts_with("<bmp") || tag.starts_with("<icon")) {
            EXPECT_EQ(size, plain) << tag;
        }
    }
    done = true;
    writer.join();
    std::remove(fifo.c_str());
}

TEST_F(DrawerPictureTest, PicturesWrapLikeWords) {
    const int w = Mono("a");
    Prepare(std::string(kMono) + "aaaa<bmp idres=130>", 4 * w + 10);
    ASSERT_EQ(m_drawer.Lines().size(), 2u);
    EXPECT_EQ(m_drawer.Lines()[1].width, 32);
    // On an empty line a picture wider than the line stays there.
    Prepare("<bmp idres=130>", 10);
    EXPECT_EQ(m_drawer.Lines().size(), 1u);
}

} // namespace
} // namespace tooltip::testing
