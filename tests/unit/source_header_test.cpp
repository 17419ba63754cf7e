#include "convert/source_header.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace {

struct HeaderCase {
    const char* name;
    std::vector<unsigned char> first_bytes;  // bytes 0..7
    int result;
    const char* message;
};

std::vector<unsigned char> header_bytes(const std::vector<unsigned char>& first, unsigned char filler) {
    std::vector<unsigned char> bytes(SOURCE_HEADER_SIZE, filler);
    for (size_t i = 0; i < first.size(); ++i) bytes[i] = first[i];
    return bytes;
}

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const HeaderCase& c, std::ostream* os) { *os << c.name; }

class HeaderDecode : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(HeaderDecode, AcceptsOrRejectsWithItsMessage) {
    const HeaderCase& c = GetParam();
    // Bytes 8..31 must not matter: try two fillers.
    for (unsigned char filler : {0x00, 0xFF}) {
        std::vector<unsigned char> bytes = header_bytes(c.first_bytes, filler);
        SourceHeader header{};
        testing::internal::CaptureStderr();
        int result = decode_source_header(bytes.data(), &header);
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(err, c.message);
    }
}

const HeaderCase HEADER_CASES[] = {
    {"stereo16at44100", {0x02, 0x00, 0x10, 0x00, 0x44, 0xAC, 0x00, 0x00}, 1, ""},
    {"zeroChannelsPass", {0x00, 0x00, 0x08, 0x00, 0x40, 0x1F, 0x00, 0x00}, 1, ""},
    {"threeChannels", {0x03, 0x00, 0x10, 0x00, 0x44, 0xAC, 0x00, 0x00}, 0, "error - 1 (3)\n"},
    {"channelsNeverNegative", {0xFF, 0xFF, 0x10, 0x00, 0x44, 0xAC, 0x00, 0x00}, 0, "error - 1 (65535)\n"},
    {"width24", {0x01, 0x00, 0x18, 0x00, 0x44, 0xAC, 0x00, 0x00}, 0, "error - 2 (24)\n"},
    {"width0", {0x01, 0x00, 0x00, 0x00, 0x44, 0xAC, 0x00, 0x00}, 0, "error - 2 (0)\n"},
    {"widthNeverNegative", {0x01, 0x00, 0xFF, 0xFF, 0x44, 0xAC, 0x00, 0x00}, 0, "error - 2 (65535)\n"},
    {"rateOneOver44100", {0x01, 0x00, 0x10, 0x00, 0x45, 0xAC, 0x00, 0x00}, 0, "error - 3\n"},
    {"rateBigEndian", {0x01, 0x00, 0x10, 0x00, 0x00, 0x00, 0xAC, 0x44}, 0, "error - 3\n"},
    {"rateTopBitSet", {0x01, 0x00, 0x10, 0x00, 0x44, 0xAC, 0x00, 0x80}, 0, "error - 3\n"},
    {"rateZero", {0x01, 0x00, 0x10, 0x00, 0x00, 0x00, 0x00, 0x00}, 0, "error - 3\n"},
    {"firstFailingTestOnly", {0x05, 0x00, 0x18, 0x00, 0x01, 0x00, 0x00, 0x00}, 0, "error - 1 (5)\n"},
    {"widthBeforeRate", {0x02, 0x00, 0x0C, 0x00, 0x01, 0x00, 0x00, 0x00}, 0, "error - 2 (12)\n"},
};

INSTANTIATE_TEST_SUITE_P(Cases, HeaderDecode, ::testing::ValuesIn(HEADER_CASES),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(HeaderDecode, EveryAcceptedRateAndNeighbours) {
    const int32_t rates[] = {48000, 44100, 32000, 24000, 22050, 16000, 12000, 11025, 8000};
    for (int32_t rate : rates) {
        for (int32_t delta : {-1, 0, 1}) {
            unsigned char bytes[SOURCE_HEADER_SIZE] = {0x01, 0x00, 0x08, 0x00};
            uint32_t r = static_cast<uint32_t>(rate + delta);
            for (int i = 0; i < 4; ++i) bytes[4 + i] = static_cast<unsigned char>(r >> (8 * i));
            SourceHeader header{};
            testing::internal::CaptureStderr();
            int result = decode_source_header(bytes, &header);
            std::string err = testing::internal::GetCapturedStderr();
            SCOPED_TRACE(rate + delta);
            EXPECT_EQ(result, delta == 0 ? 1 : 0);
            EXPECT_EQ(err, delta == 0 ? "" : "error - 3\n");
            EXPECT_EQ(header.sample_rate, rate + delta);
        }
    }
}

TEST(HeaderDecode, FillsTheRecord) {
    unsigned char bytes[SOURCE_HEADER_SIZE] = {0x02, 0x00, 0x10, 0x00, 0x44, 0xAC, 0x00, 0x00};
    SourceHeader header{};
    ASSERT_EQ(decode_source_header(bytes, &header), 1);
    EXPECT_EQ(header.channels, 2);
    EXPECT_EQ(header.bits_per_sample, 16);
    EXPECT_EQ(header.sample_rate, 44100);
}

// The reader on real files: short files fail silently and leave the record.
class HeaderRead : public ::testing::Test {
protected:
    // One file per test: CTest runs the tests of this suite in parallel.
    std::string path_ = ::testing::TempDir() + "header_read_" +
                        ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".zub";
    void write_file(const std::vector<unsigned char>& bytes) {
        FILE* f = std::fopen(path_.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    void TearDown() override { std::remove(path_.c_str()); }
};

TEST_F(HeaderRead, ShortFilesFailWithoutMessage) {
    for (size_t size : {size_t{0}, size_t{1}, size_t{8}, size_t{31}}) {
        std::vector<unsigned char> bytes = header_bytes({0x02, 0x00, 0x10, 0x00, 0x44, 0xAC, 0x00, 0x00}, 0);
        bytes.resize(size);
        write_file(bytes);
        Stream* s = open_source_stream(path_.c_str());
        ASSERT_NE(s, nullptr);
        SourceHeader header{7, 7, 7};
        testing::internal::CaptureStderr();
        EXPECT_EQ(read_source_header(s, &header), 0) << size;
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        EXPECT_EQ(header.channels, 7);
        EXPECT_EQ(header.bits_per_sample, 7);
        EXPECT_EQ(header.sample_rate, 7);
        EXPECT_EQ(tell_stream(s), static_cast<int64_t>(size));
        close_stream(s);
    }
}

TEST_F(HeaderRead, LeavesTheStreamBehindTheHeader) {
    std::vector<unsigned char> bytes = header_bytes({0x01, 0x00, 0x08, 0x00, 0x40, 0x1F, 0x00, 0x00}, 0xAB);
    bytes.push_back(0x5A);
    write_file(bytes);
    Stream* s = open_source_stream(path_.c_str());
    ASSERT_NE(s, nullptr);
    SourceHeader header{};
    EXPECT_EQ(read_source_header(s, &header), 1);
    EXPECT_EQ(tell_stream(s), SOURCE_HEADER_SIZE);
    unsigned char next = 0;
    EXPECT_EQ(read_stream(s, &next, 1), 1u);
    EXPECT_EQ(next, 0x5A);
    close_stream(s);
}

}  // namespace
