#include "dialog/DialogUnits.h"
#include "dialog/DialogFont.h"
#include "dialog/TabRows.h"

#include <QFontInfo>

#include <gtest/gtest.h>

#include <climits>

namespace dialog {
namespace {

TEST(DialogUnitsTest, MulDivRoundsHalfAwayFromZero) {
    EXPECT_EQ(MulDiv(3, 6, 4), 5);   // 4.5
    EXPECT_EQ(MulDiv(5, 6, 4), 8);   // 7.5
    EXPECT_EQ(MulDiv(7, 13, 8), 11); // 11.375
    EXPECT_EQ(MulDiv(-3, 6, 4), -5);
    EXPECT_EQ(MulDiv(3, 6, -4), -5);
    EXPECT_EQ(MulDiv(0, 6, 4), 0);
    EXPECT_EQ(MulDiv(5, 6, 0), 0);
    // The product is formed wide: no overflow for large operands.
    EXPECT_EQ(MulDiv(INT_MAX, 4, 8), INT_MAX / 2 + 1);
}

TEST(DialogUnitsTest, BaseUnitsFollowTheAverageOfTheAlphabet) {
    // 52 letters are 26 pairs; the average is rounded to whole pixels.
    EXPECT_EQ(BaseUnitsFromMetrics(333, 12).x, 6); // 12.8 per pair
    EXPECT_EQ(BaseUnitsFromMetrics(311, 13).x, 6); // 11.9 per pair: rounds up
    EXPECT_EQ(BaseUnitsFromMetrics(285, 13).x, 5); // 10.9 per pair
    EXPECT_EQ(BaseUnitsFromMetrics(285, 13).y, 13);
}

TEST(DialogUnitsTest, RectanglesConvertEachEdgeAlone) {
    const BaseUnits units{6, 13};
    const PixelRect rect = ToPixels(units, 210, 291, 113, 14);
    EXPECT_EQ(rect.x, 315);
    EXPECT_EQ(rect.y, 473); // 472.875
    EXPECT_EQ(rect.width, 170);
    EXPECT_EQ(rect.height, 23);
}

TEST(DialogFontTest, ClassicDialogFaceMapsToAnInstalledSansAtElevenPixels) {
    const QFont font = DialogFont("MS Shell Dlg", 8);
    EXPECT_EQ(font.pixelSize(), 11);
    EXPECT_EQ(QFontInfo(font).family(), QStringLiteral("Liberation Sans"));
    const BaseUnits units = MeasureBaseUnits(font);
    EXPECT_EQ(units.x, 6);
    EXPECT_EQ(units.y, 12);
    EXPECT_EQ(FontFamilyFor("Some Other Face"), QStringLiteral("Some Other Face"));
}

TEST(TabRowsTest, TabsWrapInOrderAndTheActiveRowMovesNextToThePage) {
    const std::vector<int> widths{40, 40, 40, 40, 40};
    // 100 pixels hold two tabs a row.
    EXPECT_EQ(LayoutTabRows(widths, 100, 4), (std::vector<std::vector<int>>{{0, 1}, {2, 3}, {4}}));
    // The active tab's row comes last; the rows above keep their circular order.
    EXPECT_EQ(LayoutTabRows(widths, 100, 0), (std::vector<std::vector<int>>{{2, 3}, {4}, {0, 1}}));
    EXPECT_EQ(LayoutTabRows(widths, 100, 2), (std::vector<std::vector<int>>{{4}, {0, 1}, {2, 3}}));
}

TEST(TabRowsTest, OversizeTabsTakeARowOfTheirOwnAndEmptyStripsHaveNoRows) {
    const std::vector<int> widths{30, 500, 30};
    EXPECT_EQ(LayoutTabRows(widths, 100, 2), (std::vector<std::vector<int>>{{0}, {1}, {2}}));
    EXPECT_TRUE(LayoutTabRows({}, 100, 0).empty());
}

} // namespace
} // namespace dialog
