#include "webservice/http/CChunkedDecoder.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Decoded {
    bool done = false;
    bool failed = false;
    std::string body;
    std::size_t used = 0;
};

// Feeds `wire` in pieces of `piece` bytes; ends as a closed connection would when `atEnd`.
Decoded Decode(std::string_view wire, std::size_t piece, bool atEnd = true) {
    ResponseBuffer output;
    CChunkedDecoder decoder(output);
    Decoded result;
    for (std::size_t at = 0; at < wire.size() && !decoder.Done() && !decoder.Failed();
         at += piece) {
        result.used += decoder.Feed(wire.substr(at, piece));
    }
    if (atEnd && !decoder.Done() && !decoder.Failed()) {
        (void)decoder.FinishAtEnd();
    }
    result.done = decoder.Done();
    result.failed = decoder.Failed();
    result.body.assign(output.View());
    return result;
}

TEST(ChunkedDecoder, SameResultHoweverTheInputIsSplit) {
    const std::string wire("4\r\nWiki\r\n5\r\npedia\r\nA\r\n in\0chunks\r\n0\r\n\r\nNEXT", 43);
    const std::string_view bytes(wire.data(), wire.size());
    for (std::size_t piece = 1; piece <= bytes.size(); ++piece) {
        const Decoded decoded = Decode(bytes, piece);
        ASSERT_TRUE(decoded.done) << piece;
        EXPECT_EQ(decoded.body, std::string("Wikipedia in\0chunks", 19)) << piece;
    }
    // Bytes after the end are not consumed.
    EXPECT_EQ(Decode(bytes, bytes.size()).used, bytes.size() - 4);
}

TEST(ChunkedDecoder, TrailersAreCollectedUpToTheBlankLine) {
    ResponseBuffer output;
    CChunkedDecoder decoder(output);
    decoder.Feed("3\r\nabc\r\n0\r\nX-Sum: 1\r\nX-More: 2\r\n\r\n");
    ASSERT_TRUE(decoder.Done());
    ASSERT_EQ(decoder.TrailerLines().size(), 2u);
    EXPECT_EQ(decoder.TrailerLines()[1], "X-More: 2");
}

TEST(ChunkedDecoder, StreamMayEndRightAfterTheLastSizeLine) {
    EXPECT_TRUE(Decode("2\r\nok\r\n0\r\n", 3).done);
    EXPECT_FALSE(Decode("2\r\nok\r\n0\r\nX-Half", 3).done);
    EXPECT_FALSE(Decode("2\r\nok\r\n", 3).done);
    EXPECT_FALSE(Decode("5\r\nok", 3).done);
}

TEST(ChunkedDecoder, MalformedFramingFails) {
    const char* bad[] = {
        "4;ext=1\r\nWiki\r\n0\r\n\r\n", // chunk extension
        "\r\nWiki\r\n0\r\n\r\n",        // no digits
        "4\rXWiki\r\n0\r\n\r\n",        // CR without LF
        "4\r\nWikiX\r\n0\r\n\r\n",      // data longer than its size
        "4\r\nWiki\n0\r\n\r\n",         // LF without CR after the data
        "-4\r\nWiki\r\n0\r\n\r\n",      // negative
        "g\r\n",                        // not hexadecimal
    };
    for (const char* wire : bad) {
        const Decoded decoded = Decode(wire, 1, false);
        EXPECT_TRUE(decoded.failed) << wire;
    }
}

TEST(ChunkedDecoder, SizesBeyondTheBoundFailBeforeAnyDataIsAwaited) {
    ResponseBuffer output(1000);
    CChunkedDecoder decoder(output);
    decoder.Feed("3E9\r\n"); // 1001
    EXPECT_TRUE(decoder.Failed());

    // A size with many digits would overflow 64 bits; it fails at the bound instead.
    ResponseBuffer big;
    CChunkedDecoder overflow(big);
    overflow.Feed("FFFFFFFFFFFFFFFFFFFFFFFF1\r\n");
    EXPECT_TRUE(overflow.Failed());

    // Many small chunks together cannot pass the bound either.
    ResponseBuffer small(8);
    CChunkedDecoder many(small);
    many.Feed("5\r\nabcde\r\n5\r\nfghij\r\n");
    EXPECT_TRUE(many.Failed());
}

TEST(ChunkedDecoder, OverlongTrailerFails) {
    ResponseBuffer output;
    CChunkedDecoder decoder(output);
    decoder.Feed("0\r\n");
    const std::string line(CChunkedDecoder::kMaxTrailerBytes + 1, 't');
    decoder.Feed(line);
    EXPECT_TRUE(decoder.Failed());
}

} // namespace
