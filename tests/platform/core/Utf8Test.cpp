#include "text/Utf8.h"

#include <gtest/gtest.h>

using text::Utf16ToUtf8;
using text::Utf8ToUtf16;

TEST(Utf8, RoundTripsEveryPlane) {
    const std::string s = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";  // a é € 😀
    const std::u16string w = Utf8ToUtf16(s);
    EXPECT_EQ(w, u"a\u00E9\u20AC\U0001F600");
    EXPECT_EQ(Utf16ToUtf8(w), s);
}

TEST(Utf8, MalformedInputBecomesReplacementCharacters) {
    EXPECT_EQ(Utf8ToUtf16("\xC3"), u"\uFFFD") << "truncated sequence";
    EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\uFFFD\uFFFD") << "overlong";
    EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD") << "encoded surrogate";
    EXPECT_EQ(Utf8ToUtf16("\xF4\x90\x80\x80x"), u"\uFFFD\uFFFD\uFFFD\uFFFDx") << "past U+10FFFF";
}

TEST(Utf8, LoneSurrogatesBecomeReplacementCharacters) {
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
    EXPECT_EQ(Utf16ToUtf8(std::u16string{char16_t(0xDC00), u'a'}), "\xEF\xBF\xBD" "a");
}
