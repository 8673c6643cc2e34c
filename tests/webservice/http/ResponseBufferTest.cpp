#include "webservice/http/ResponseBuffer.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ResponseBuffer, First4096BytesStayInline) {
    ResponseBuffer buffer;
    const std::string block(4095, 'x');
    ASSERT_TRUE(buffer.Append(block.data(), block.size()));
    EXPECT_TRUE(buffer.IsInline());
    EXPECT_EQ(buffer.Data()[4095], '\0');
    ASSERT_TRUE(buffer.Append("y", 1));
    EXPECT_FALSE(buffer.IsInline());
    EXPECT_EQ(buffer.Capacity(), 8192u); // a small append grows by 4096
    EXPECT_EQ(buffer.View(), block + "y");
    EXPECT_EQ(buffer.Data()[4096], '\0');
}

TEST(ResponseBuffer, LargeAppendGrowsByItsOwnSizePlusOne) {
    ResponseBuffer buffer;
    const std::string big(10000, 'b');
    ASSERT_TRUE(buffer.Append("a", 1));
    ASSERT_TRUE(buffer.Append(big.data(), big.size()));
    EXPECT_EQ(buffer.Capacity(), 4096u + 10001u);
    EXPECT_EQ(buffer.Length(), 10001u);
}

TEST(ResponseBuffer, ResetKeepsTheHeapBlock) {
    ResponseBuffer buffer;
    const std::string big(5000, 'b');
    ASSERT_TRUE(buffer.Append(big.data(), big.size()));
    const std::size_t capacity = buffer.Capacity();
    buffer.Reset();
    EXPECT_EQ(buffer.Length(), 0u);
    EXPECT_EQ(buffer.Data()[0], '\0');
    EXPECT_EQ(buffer.Capacity(), capacity);
    EXPECT_FALSE(buffer.IsInline());
}

TEST(ResponseBuffer, MaximumIsAnErrorNotAnAllocation) {
    ResponseBuffer buffer(10000);
    const std::string block(6000, 'c');
    ASSERT_TRUE(buffer.Append(block.data(), block.size()));
    EXPECT_FALSE(buffer.Append(block.data(), block.size()));
    EXPECT_EQ(buffer.Length(), 6000u);
    EXPECT_EQ(buffer.PrepareAppend(SIZE_MAX), nullptr);
    EXPECT_EQ(buffer.PrepareAppend(SIZE_MAX - 3000), nullptr);
    ASSERT_TRUE(buffer.Append(block.data(), 4000));
    EXPECT_EQ(buffer.Length(), 10000u);
    EXPECT_EQ(buffer.Data()[10000], '\0');
}

} // namespace
