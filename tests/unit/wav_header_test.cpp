#include "convert/wav_header.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace {

std::vector<unsigned char> from_hex(const std::string& hex) {
    std::vector<unsigned char> bytes;
    for (size_t i = 0; i < hex.size(); i += 3)
        bytes.push_back(static_cast<unsigned char>(std::stoul(hex.substr(i, 2), nullptr, 16)));
    return bytes;
}

struct ImageCase {
    const char* name;
    SourceHeader header;
    uint32_t data_size;
    const char* expected_hex;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const ImageCase& c, std::ostream* os) { *os << c.name; }

class WavHeaderImage : public ::testing::TestWithParam<ImageCase> {};

TEST_P(WavHeaderImage, MatchesByteForByte) {
    const ImageCase& c = GetParam();
    unsigned char image[WAV_HEADER_SIZE];
    fill_wav_header(&c.header, c.data_size, image);
    EXPECT_EQ(std::vector<unsigned char>(image, image + WAV_HEADER_SIZE), from_hex(c.expected_hex));
}

const ImageCase IMAGE_CASES[] = {
    {"stereo16EmptyData",
     {2, 16, 44100},
     0,
     "52 49 46 46 24 00 00 00 57 41 56 45 66 6D 74 20 10 00 00 00 01 00 02 00 44 AC 00 00 10 B1 02 00 04 00 "
     "10 00 "
     "64 61 74 61 00 00 00 00"},
    {"mono8With100Bytes",
     {1, 8, 8000},
     100,
     "52 49 46 46 88 00 00 00 57 41 56 45 66 6D 74 20 10 00 00 00 01 00 01 00 40 1F 00 00 40 1F 00 00 01 00 "
     "08 00 "
     "64 61 74 61 64 00 00 00"},
    {"zeroChannelsOddData",
     {0, 16, 22050},
     3,
     "52 49 46 46 27 00 00 00 57 41 56 45 66 6D 74 20 10 00 00 00 01 00 00 00 22 56 00 00 00 00 00 00 00 00 "
     "10 00 "
     "64 61 74 61 03 00 00 00"},
    // The largest data size: the RIFF size is exactly 0xFFFFFFFF, both unsigned.
    {"largestData",
     {2, 16, 48000},
     WAV_MAX_DATA_SIZE,
     "52 49 46 46 FF FF FF FF 57 41 56 45 66 6D 74 20 10 00 00 00 01 00 02 00 80 BB 00 00 00 EE 02 00 04 00 "
     "10 00 "
     "64 61 74 61 DB FF FF FF"},
    // Over 2 GiB of data: sizes are unsigned, never negative.
    {"over2GiB",
     {1, 16, 48000},
     0x80000000u,
     "52 49 46 46 24 00 00 80 57 41 56 45 66 6D 74 20 10 00 00 00 01 00 01 00 80 BB 00 00 00 77 01 00 02 00 "
     "10 00 "
     "64 61 74 61 00 00 00 80"},
};

INSTANTIATE_TEST_SUITE_P(Cases, WavHeaderImage, ::testing::ValuesIn(IMAGE_CASES),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
