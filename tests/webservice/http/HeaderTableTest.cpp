#include "webservice/http/HeaderTable.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// "h12" and the like. Built by appending: GCC 12 at -O3 takes "text" + std::string for an
// overlapping copy (-Wrestrict).
std::string Numbered(const char* prefix, int i) {
    return std::string(prefix).append(std::to_string(i));
}

TEST(HeaderTable, HashUsesUpperCaseSignedBytes) {
    EXPECT_EQ(HeaderTable::HashName(""), 0u);
    EXPECT_EQ(HeaderTable::HashName("a"), static_cast<std::uint32_t>('A'));
    EXPECT_EQ(HeaderTable::HashName("ab"), 65u * 33u + 66u);
    EXPECT_EQ(HeaderTable::HashName("Content-Length"), HeaderTable::HashName("CONTENT-length"));
    // Bytes above 0x7F count as negative values.
    EXPECT_EQ(HeaderTable::HashName("\xff"), 0xFFFFFFFFu);
    EXPECT_EQ(HeaderTable::HashName("a\xff"), 65u * 33u - 1u);
}

TEST(HeaderTable, LookupIgnoresCaseAndKeepsTheArrivedSpelling) {
    HeaderTable table;
    table.Add("Content-Type", "text/xml");
    ASSERT_NE(table.Find("content-type"), nullptr);
    EXPECT_EQ(*table.Find("CONTENT-TYPE"), "text/xml");
    EXPECT_EQ(table.Find("Content-Typ"), nullptr);
    std::string names;
    table.ForEach([&](std::string_view name, std::string_view) { names.append(name); });
    EXPECT_EQ(names, "Content-Type");
}

TEST(HeaderTable, RepeatedNamesJoinWithACommaAndNoSpace) {
    HeaderTable table;
    table.Add("Set-Cookie", "a=1");
    table.Add("set-cookie", "b=2");
    table.Add("SET-COOKIE", "");
    EXPECT_EQ(table.Count(), 1u);
    EXPECT_EQ(*table.Find("Set-Cookie"), "a=1,b=2,");
}

TEST(HeaderTable, GrowsThroughThePrimeListAndShrinksBack) {
    HeaderTable table;
    EXPECT_EQ(table.BucketCount(), 17u);
    for (int i = 0; i < 38; ++i) {
        table.Add(Numbered("h", i), "v");
    }
    EXPECT_EQ(table.BucketCount(), 17u); // 38 <= 2.25 * 17
    table.Add("h38", "v");
    EXPECT_EQ(table.BucketCount(), 53u); // smallest listed prime >= 39 / 0.75 = 52
    for (int i = 39; i < 10000; ++i) {
        table.Add(Numbered("h", i), "v");
    }
    EXPECT_EQ(table.Count(), 10000u);
    EXPECT_GE(table.BucketCount(), 10000u / 2.25);
    for (int i = 0; i < 10000; i += 997) {
        ASSERT_NE(table.Find(Numbered("H", i)), nullptr) << i;
    }
    const std::uint32_t grown = table.BucketCount();
    int i = 0;
    while (table.BucketCount() == grown) {
        ASSERT_TRUE(table.Remove(Numbered("h", i++)));
    }
    EXPECT_LT(table.BucketCount(), grown);
    EXPECT_LT(static_cast<double>(table.Count()), 0.25 * grown);
    EXPECT_EQ(*table.Find("h9999"), "v");
    EXPECT_FALSE(table.Remove("h0"));
    table.RemoveAll();
    EXPECT_EQ(table.Count(), 0u);
    EXPECT_EQ(table.BucketCount(), 17u);
}

TEST(HeaderTable, NeverShrinksBelowTheInitialSize) {
    HeaderTable table;
    table.Add("a", "1");
    table.Add("b", "2");
    EXPECT_TRUE(table.Remove("a"));
    EXPECT_TRUE(table.Remove("B"));
    EXPECT_EQ(table.BucketCount(), 17u);
}

} // namespace
