#include "syscolor/SysColour.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QPalette>

namespace syscolor {
namespace {

TEST(SysColour, ReadsTheApplicationPaletteAtTheMomentOfTheCall) {
    const QPalette original = QGuiApplication::palette();
    QPalette palette = original;
    palette.setColor(QPalette::All, QPalette::ToolTipBase, QColor(0x12, 0x34, 0x56));
    palette.setColor(QPalette::All, QPalette::ToolTipText, QColor(1, 2, 3));
    palette.setColor(QPalette::Disabled, QPalette::Text, QColor(0x80, 0x81, 0x82));
    QGuiApplication::setPalette(palette);
    // Red in the low byte.
    EXPECT_EQ(GetSysColour(SysColour::InfoBackground), 0x563412u);
    EXPECT_EQ(GetSysColour(SysColour::InfoText), 0x030201u);
    EXPECT_EQ(GetSysColour(SysColour::GrayText), 0x828180u);
    QGuiApplication::setPalette(original);
    EXPECT_NE(GetSysColour(SysColour::InfoBackground), 0x563412u);
    EXPECT_EQ(GetSysColour(static_cast<SysColour>(99)), 0u);
}

} // namespace
} // namespace syscolor
