#include "settings/SettingsFile.h"

#include <gtest/gtest.h>

using settings::ParseSettingsFile;
using settings::SettingsValue;
using settings::WriteSettingsFile;

TEST(SettingsFile, EveryByteSurvivesWritingAndReading) {
    std::string all;
    for (int b = 0; b < 256; ++b) {
        all += static_cast<char>(b);
    }
    const std::vector<SettingsValue> values{
        {"User Name", 0, "demo"}, {"", 4294967295u, ""}, {std::string("a\nb\0c", 5), 7, all}};
    const auto read = ParseSettingsFile(WriteSettingsFile(values));
    ASSERT_TRUE(read.has_value());
    ASSERT_EQ(read->size(), values.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
        EXPECT_EQ((*read)[i].name, values[i].name);
        EXPECT_EQ((*read)[i].type, values[i].type);
        EXPECT_EQ((*read)[i].data, values[i].data);
    }
}

TEST(SettingsFile, DamagedTextIsRefusedWhole) {
    const std::string magic = "KeldwickSettings 1\n";
    const char* damaged[] = {
        "",
        "KeldwickSettings 2\n",
        "KeldwickSettings 1\n4 0 3\nUser",          // cut short
        "KeldwickSettings 1\n1 0 1\nab",            // final line feed missing
        "KeldwickSettings 1\n1 0 1\nabX",           // something else in its place
        "KeldwickSettings 1\n01 0 1\nab\n",         // leading zero
        "KeldwickSettings 1\n1 4294967296 1\nab\n", // type past 32 bits
        "KeldwickSettings 1\n18446744073709551615 0 18446744073709551615\nab\n", // wraps if summed
        "KeldwickSettings 1\n99999999999999999999 0 1\nab\n",                    // overflows
        "KeldwickSettings 1\n1 0 1\nab\n1 0 1\nac\n", // the same name twice
        "KeldwickSettings 1\n-1 0 1\nab\n",
    };
    for (const char* text : damaged) {
        EXPECT_FALSE(ParseSettingsFile(text).has_value()) << text;
    }
    EXPECT_TRUE(ParseSettingsFile(magic).has_value());
    EXPECT_FALSE(ParseSettingsFile(magic + std::string(settings::kMaxSettingsFileBytes, ' ')));
}
