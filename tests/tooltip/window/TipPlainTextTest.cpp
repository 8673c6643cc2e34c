// Tip texts as a screen reader gets them.

#include "tooltip/window/TipPlainText.h"

#include <gtest/gtest.h>

namespace tooltip {

namespace {

TEST(TipPlainText, DropsTagsAndKeepsLineBreaks) {
    EXPECT_EQ(TipPlainText("Status messages are displayed here.<br><br>If you receive an error, "
                           "click the <b>help me with this</b> button."),
              "Status messages are displayed here.\n\nIf you receive an error, click the help me "
              "with this button.");
    EXPECT_EQ(TipPlainText("<font color=red size=3>Red</font><hr width=37>x<BR count=2>y"),
              "Red\nx\ny");
    EXPECT_EQ(TipPlainText("a<t>b"), "a b");
}

TEST(TipPlainText, ReadsLiteralsAndEntities) {
    EXPECT_EQ(TipPlainText("1 << 2 &amp; 3 &lt; 4 &unknown; &"), "1 < 2 & 3 < 4 &unknown; &");
    EXPECT_EQ(TipPlainText("plain"), "plain");
    EXPECT_EQ(TipPlainText(""), "");
    EXPECT_EQ(TipPlainText("cut <b"), "cut ");
    EXPECT_EQ(TipPlainText("Press Alt+<"), "Press Alt+<");
}

} // namespace

} // namespace tooltip
