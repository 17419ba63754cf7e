#include "convert/output_name.h"

#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <string>

namespace {

struct NameCase {
    const char* source;
    const char* output;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const NameCase& c, std::ostream* os) { *os << c.source; }

class OutputName : public ::testing::TestWithParam<NameCase> {};

TEST_P(OutputName, ReplacesOrAppendsTheExtension) {
    char buffer[PATH_BUFFER_SIZE];
    std::strcpy(buffer, GetParam().source);
    ASSERT_EQ(replace_extension(buffer, sizeof buffer, ".wav"), 1);
    EXPECT_STREQ(buffer, GetParam().output);
}

INSTANTIATE_TEST_SUITE_P(
    Table, OutputName,
    ::testing::Values(NameCase{"song.zub", "song.wav"}, NameCase{"song", "song.wav"},
                      NameCase{"take.1.zub", "take.1.wav"}, NameCase{"name.", "name.wav"},
                      NameCase{".zub", ".wav"}, NameCase{"old.d\\song.zub", "old.d\\song.wav"},
                      NameCase{"old.d\\song", "old.d\\song.wav"},
                      // A slash ends the directory part just as a backslash does.
                      NameCase{"old.d/song", "old.d/song.wav"}, NameCase{"./song", "./song.wav"},
                      NameCase{"../x/y.z/song", "../x/y.z/song.wav"}, NameCase{"dir/.zub", "dir/.wav"},
                      // Neither a colon nor anything else ends it.
                      NameCase{"C:song.zub", "C:song.wav"}, NameCase{"a.b:c", "a.wav"},
                      NameCase{"song.WAV", "song.wav"}, NameCase{"", ".wav"}));

TEST(OutputNameFit, RefusesWhatDoesNotFitAndLeavesThePath) {
    // 4091 bytes without an extension: 4091 + ".wav" + terminator = 4096 fits.
    std::string fits(4091, 'a');
    char buffer[PATH_BUFFER_SIZE];
    std::strcpy(buffer, fits.c_str());
    ASSERT_EQ(replace_extension(buffer, sizeof buffer, ".wav"), 1);
    EXPECT_EQ(std::strlen(buffer), 4095u);

    std::string too_long(4092, 'a');
    std::strcpy(buffer, too_long.c_str());
    EXPECT_EQ(replace_extension(buffer, sizeof buffer, ".wav"), 0);
    EXPECT_EQ(std::string(buffer), too_long);

    // A long name with a short extension shrinks or keeps its length.
    std::string with_ext = std::string(4090, 'b') + ".zub";
    std::strcpy(buffer, with_ext.c_str());
    ASSERT_EQ(replace_extension(buffer, sizeof buffer, ".wav"), 1);
    EXPECT_EQ(std::string(buffer), std::string(4090, 'b') + ".wav");
}

}  // namespace
