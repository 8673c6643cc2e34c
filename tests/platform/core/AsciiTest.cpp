#include "text/Ascii.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::size_t SlowFindControl(std::string_view text, std::size_t from) {
    for (std::size_t i = from; i < text.size(); ++i) {
        if (text::IsAsciiControl(text[i])) {
            return i;
        }
    }
    return std::string_view::npos;
}

TEST(Ascii, FindsEveryControlCharacterWhereverItStands) {
    // Each byte value at each place of texts up to three words long, with bytes next to the
    // control range (space, '~', 0x80, 0xFF) around it so borrows between bytes would show.
    for (std::size_t length = 1; length <= 24; ++length) {
        for (std::size_t place = 0; place < length; ++place) {
            for (int value = 0; value < 256; ++value) {
                std::string line(length, ' ');
                for (std::size_t i = 0; i < length; ++i) {
                    line[i] = "~ \x80\xFF"[i % 4];
                }
                line[place] = static_cast<char>(value);
                for (std::size_t from : {std::size_t{0}, place, place + 1}) {
                    ASSERT_EQ(text::FindAsciiControl(line, from), SlowFindControl(line, from))
                        << "length " << length << " place " << place << " value " << value
                        << " from " << from;
                }
            }
        }
    }
    EXPECT_EQ(text::FindAsciiControl(""), std::string_view::npos);
    EXPECT_EQ(text::FindAsciiControl("abc", 5), std::string_view::npos);
}

} // namespace
