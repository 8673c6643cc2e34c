#include "com/Bstr.h"
#include "com/CBstr.h"
#include "com/HResult.h"

#include <gtest/gtest.h>

TEST(Bstr, KeepsLengthAndEmbeddedZeros) {
    const char16_t text[] = {u'a', 0, u'b'};
    BSTR s = SysAllocStringLen(text, 3);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(SysStringLen(s), 3u);
    EXPECT_EQ(SysStringByteLen(s), 6u);
    EXPECT_EQ(s[1], 0);
    EXPECT_EQ(s[3], 0) << "terminated after the text";
    SysFreeString(s);
}

TEST(Bstr, NullIsAnAbsentValueOfLengthZero) {
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    EXPECT_TRUE(BstrView(nullptr).empty());
    SysFreeString(nullptr);
}

TEST(Bstr, EmptyStringIsNotNull) {
    BSTR s = SysAllocStringLen(u"", 0);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(SysStringLen(s), 0u);
    SysFreeString(s);
}

TEST(Bstr, RefusesLengthsPastThePrefix) {
    EXPECT_EQ(SysAllocStringLen(nullptr, 0x7FFFFFFFu), nullptr);
}

TEST(Bstr, OwnerFreesAndMoves) {
    CBstr a(u"hello");
    CBstr b = std::move(a);
    EXPECT_TRUE(a.IsNull());
    EXPECT_EQ(b.View(), u"hello");
    *b.Receive() = SysAllocString(u"x");
    EXPECT_EQ(b.View(), u"x");
}

TEST(HResult, SignsOfTheCodes) {
    EXPECT_TRUE(Failed(E_FAIL));
    EXPECT_EQ(E_FAIL, -2147467259);
    EXPECT_TRUE(Succeeded(S_FALSE));
}
