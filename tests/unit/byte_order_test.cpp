#include "convert/byte_order.h"

#include <gtest/gtest.h>

TEST(ByteOrder, ReadsLittleEndianWithUnsignedBytes) {
    const unsigned char bytes[] = {0xFF, 0xFF, 0x44, 0xAC, 0x00, 0x80};
    int32_t value = -1;
    get_le16(bytes, &value);
    EXPECT_EQ(value, 65535);  // never negative
    get_le16(bytes + 2, &value);
    EXPECT_EQ(value, 0xAC44);
    get_le32(bytes + 2, &value);
    EXPECT_EQ(value, static_cast<int32_t>(0x80000000u | 0xAC44));  // top bit set reads as negative
    EXPECT_LT(value, 0);
}

TEST(ByteOrder, WritesLowBitsLeastSignificantFirst) {
    unsigned char bytes[6] = {0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
    put_le32(0x12345678u, bytes);
    EXPECT_EQ(bytes[0], 0x78);
    EXPECT_EQ(bytes[1], 0x56);
    EXPECT_EQ(bytes[2], 0x34);
    EXPECT_EQ(bytes[3], 0x12);
    EXPECT_EQ(bytes[4], 0xEE);  // nothing past the field
    put_le16(0xABCDEFu, bytes + 4);
    EXPECT_EQ(bytes[4], 0xEF);
    EXPECT_EQ(bytes[5], 0xCD);
}

TEST(ByteOrder, RoundTrips) {
    const uint32_t values[] = {0u, 1u, 255u, 256u, 65535u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu};
    for (uint32_t v : values) {
        unsigned char bytes[4];
        put_le32(v, bytes);
        int32_t back = 0;
        get_le32(bytes, &back);
        EXPECT_EQ(static_cast<uint32_t>(back), v);
    }
}
