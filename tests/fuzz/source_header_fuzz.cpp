// Any 32 header bytes (and any data size): the header passes exactly when its
// channel count is at most 2, its width 8 or 16 and its rate one of the nine;
// a rejection says the first failing test; an accepted header's WAV image
// agrees with it field by field.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "convert/source_header.h"
#include "convert/wav_header.h"
#include "fuzz_check.h"

namespace {

uint32_t le(const uint8_t* bytes, int count) {
    uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i) value = (value << 8) | bytes[i];
    return value;
}

bool known_rate(int64_t rate) {
    for (int64_t accepted : {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000}) {
        if (rate == accepted) return true;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static StderrCapture capture;
    if (size < SOURCE_HEADER_SIZE) return 0;
    unsigned char bytes[SOURCE_HEADER_SIZE];
    std::memcpy(bytes, data, sizeof bytes);

    // The fields as an independent reader sees them.
    uint32_t channels = le(data, 2);
    uint32_t bits = le(data + 2, 2);
    int64_t rate = static_cast<int32_t>(le(data + 4, 4));
    std::string want_message;
    if (channels > 2) {
        want_message = "error - 1 (" + std::to_string(channels) + ")\n";
    } else if (bits != 8 && bits != 16) {
        want_message = "error - 2 (" + std::to_string(bits) + ")\n";
    } else if (!known_rate(rate)) {
        want_message = "error - 3\n";
    }

    SourceHeader header;
    std::memset(&header, 0xA5, sizeof header);
    capture.begin();
    int accepted = decode_source_header(bytes, &header);
    const std::string* message = capture.end();

    FUZZ_CHECK(accepted == (want_message.empty() ? 1 : 0));
    if (message != nullptr) FUZZ_CHECK(*message == want_message);
    // All three fields are decoded before any is tested.
    FUZZ_CHECK(header.channels == static_cast<int32_t>(channels));
    FUZZ_CHECK(header.bits_per_sample == static_cast<int32_t>(bits));
    FUZZ_CHECK(header.sample_rate == rate);
    if (!accepted) return 0;

    // Any data size the job can be handed (the rest of the input chooses it).
    uint32_t data_size = size >= 36 ? le(data + 32, 4) : static_cast<uint32_t>(size);
    if (data_size > WAV_MAX_DATA_SIZE) data_size %= WAV_MAX_DATA_SIZE + 1;
    unsigned char image[WAV_HEADER_SIZE];
    std::memset(image, 0xA5, sizeof image);
    fill_wav_header(&header, data_size, image);

    uint32_t block_align = channels * bits / 8;
    FUZZ_CHECK(std::memcmp(image, "RIFF", 4) == 0);
    FUZZ_CHECK(le(image + 4, 4) == data_size + 36);
    FUZZ_CHECK(std::memcmp(image + 8, "WAVEfmt ", 8) == 0);
    FUZZ_CHECK(le(image + 16, 4) == 16);
    FUZZ_CHECK(le(image + 20, 2) == 1);
    FUZZ_CHECK(le(image + 22, 2) == channels);
    FUZZ_CHECK(le(image + 24, 4) == static_cast<uint32_t>(rate));
    FUZZ_CHECK(le(image + 28, 4) == static_cast<uint32_t>(rate) * block_align);
    FUZZ_CHECK(le(image + 32, 2) == block_align);
    FUZZ_CHECK(le(image + 34, 2) == bits);
    FUZZ_CHECK(std::memcmp(image + 36, "data", 4) == 0);
    FUZZ_CHECK(le(image + 40, 4) == data_size);
    return 0;
}
