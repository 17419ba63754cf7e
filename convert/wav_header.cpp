#include "convert/wav_header.h"

#include <cstring>

#include "convert/byte_order.h"

namespace {
// Every header is this image with seven fields filled in.
constexpr unsigned char WAV_HEADER_TEMPLATE[WAV_HEADER_SIZE] = {
    'R', 'I', 'F', 'F', 0, 0, 0, 0,  // RIFF chunk size
    'W', 'A', 'V', 'E',              // form type
    'f', 'm', 't', ' ',              // format chunk
    16,  0,   0,   0,                // format chunk size
    1,   0,                          // format tag: integer PCM
    0,   0,                          // channels
    0,   0,   0,   0,                // sample rate
    0,   0,   0,   0,                // byte rate
    0,   0,                          // block align
    0,   0,                          // bits per sample
    'd', 'a', 't', 'a', 0, 0, 0, 0,  // data chunk size
};
}  // namespace

void fill_wav_header(const SourceHeader* header, uint32_t data_size, unsigned char image[WAV_HEADER_SIZE]) {
    std::memcpy(image, WAV_HEADER_TEMPLATE, WAV_HEADER_SIZE);
    // Accepted headers keep these products small (at most 48000 * 2 * 16) and
    // multiples of 8, so 32-bit arithmetic is exact.
    int32_t byte_rate = header->sample_rate * header->channels * header->bits_per_sample / 8;
    int32_t block_align = header->channels * header->bits_per_sample / 8;

    put_le32(data_size + 36, image + 4);
    put_le16(static_cast<uint32_t>(header->channels), image + 22);
    put_le32(static_cast<uint32_t>(header->sample_rate), image + 24);
    put_le32(static_cast<uint32_t>(byte_rate), image + 28);
    put_le16(static_cast<uint32_t>(block_align), image + 32);
    put_le16(static_cast<uint32_t>(header->bits_per_sample), image + 34);
    put_le32(data_size, image + 40);
}
