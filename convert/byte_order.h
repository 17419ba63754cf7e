// Little-endian numbers of the source and WAV formats, byte by byte, so the
// result does not depend on the host's byte order.
#pragma once

#include <cstdint>

// Readers: the bytes first, the integer to fill second.
void get_le16(const unsigned char* bytes, int32_t* value);  // 0 .. 65535
void get_le32(const unsigned char* bytes, int32_t* value);  // the 32 bits, signed

// Writers: the value first, the bytes second; the low 16 or 32 bits,
// least significant byte first.
void put_le16(uint32_t value, unsigned char* bytes);
void put_le32(uint32_t value, unsigned char* bytes);
