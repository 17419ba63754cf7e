// The 32-byte header in front of a source's samples.
#pragma once

#include <cstdint>

struct Stream;

constexpr int SOURCE_HEADER_SIZE = 32;

struct SourceHeader {
    int32_t channels;         // 0 .. 65535
    int32_t bits_per_sample;  // 0 .. 65535
    int32_t sample_rate;      // signed; 2^31 and above read as negative
};

// Decodes the first 8 of 32 header bytes into `header` and tests them. 1 when
// all three fields pass; otherwise 0, after writing the message of the first
// field that fails to standard error.
int decode_source_header(const unsigned char bytes[SOURCE_HEADER_SIZE], SourceHeader* header);

// Reads 32 bytes from `source` at its current position and decodes them.
// 0 without a message when fewer than 32 bytes arrive (the record is then
// untouched); otherwise as decode_source_header.
int read_source_header(Stream* source, SourceHeader* header);
