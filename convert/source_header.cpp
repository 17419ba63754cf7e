#include "convert/source_header.h"

#include <cstdio>

#include "convert/byte_order.h"
#include "platform/platform.h"

namespace {
// Tried in this order; the first equal one accepts.
constexpr int32_t ACCEPTED_RATES[] = {48000, 44100, 32000, 24000, 22050, 16000, 12000, 11025, 8000};
}  // namespace

int decode_source_header(const unsigned char bytes[SOURCE_HEADER_SIZE], SourceHeader* header) {
    // All three fields are decoded before any is tested; bytes 8..31 are not read.
    get_le16(bytes + 0, &header->channels);
    get_le16(bytes + 2, &header->bits_per_sample);
    get_le32(bytes + 4, &header->sample_rate);

    if (header->channels > 2) {
        std::fprintf(stderr, "error - 1 (%d)\n", static_cast<int>(header->channels));
        return 0;
    }
    if (header->bits_per_sample != 8 && header->bits_per_sample != 16) {
        std::fprintf(stderr, "error - 2 (%d)\n", static_cast<int>(header->bits_per_sample));
        return 0;
    }
    for (int32_t rate : ACCEPTED_RATES) {
        if (header->sample_rate == rate) return 1;
    }
    std::fprintf(stderr, "error - 3\n");
    return 0;
}

int read_source_header(Stream* source, SourceHeader* header) {
    unsigned char bytes[SOURCE_HEADER_SIZE];
    if (read_stream(source, bytes, sizeof bytes) != sizeof bytes) return 0;
    return decode_source_header(bytes, header);
}
