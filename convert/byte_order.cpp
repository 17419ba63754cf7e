#include "convert/byte_order.h"

void get_le16(const unsigned char* bytes, int32_t* value) {
    *value = static_cast<int32_t>(bytes[0] | (bytes[1] << 8));
}

void get_le32(const unsigned char* bytes, int32_t* value) {
    uint32_t bits = static_cast<uint32_t>(bytes[0]) | (static_cast<uint32_t>(bytes[1]) << 8) |
                    (static_cast<uint32_t>(bytes[2]) << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
    // Two's complement: a stored value of 2^31 or more reads as negative.
    *value = static_cast<int32_t>(bits);
}

void put_le16(uint32_t value, unsigned char* bytes) {
    bytes[0] = static_cast<unsigned char>(value & 0xFF);
    bytes[1] = static_cast<unsigned char>((value >> 8) & 0xFF);
}

void put_le32(uint32_t value, unsigned char* bytes) {
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<unsigned char>((value >> (8 * i)) & 0xFF);
}
