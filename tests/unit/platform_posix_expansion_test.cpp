// The POSIX platform's services for the argument expansion: the code page
// from the locale's character set, letter case, and the directory search.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "temp_directory.h"
#include "test_locale.h"

namespace {

namespace fs = std::filesystem;

TEST(PosixCodePage, FollowsTheLocalesCharacterSet) {
    struct Case {
        const char* locale;
        const char* source;
        const char* charmap;
        int code_page;
        bool lead_81;  // 81 leads a double-byte character
    } cases[] = {
        {"C", "", "", 20127, false},
        {"C.UTF-8", "", "", 65001, false},
        {"en_US.ISO-8859-1", "en_US", "ISO-8859-1", 20127, false},
        {"ja_JP.SJIS", "ja_JP", "SHIFT_JIS", 932, true},
        {"zh_CN.GBK", "zh_CN", "GBK", 936, true},
        {"zh_CN.GB2312", "zh_CN", "GB2312", 936, true},
        {"zh_CN.GB18030", "zh_CN", "GB18030", 936, true},
        {"ko_KR.EUC-KR", "ko_KR", "EUC-KR", 949, true},
        {"ko_KR.UHC", "ko_KR", "CP949", 949, true},
        {"zh_TW.BIG5", "zh_TW", "BIG5", 950, true},
        {"ko_KR.JOHAB", "ko_KR", "JOHAB", 1361, true},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.locale);
        if (!test_locale::use(row.locale, row.source, row.charmap)) {
            ADD_FAILURE() << "locale " << row.locale << " unavailable (install the Debian package locales)";
            continue;
        }
        EXPECT_EQ(active_code_page(), row.code_page);
        EXPECT_EQ(is_lead_byte(0x81), row.lead_81 ? 1 : 0);
        EXPECT_EQ(is_lead_byte('A'), 0);
    }
    test_locale::reset();
}

TEST(PosixCodePage, LeadBytesOf1361) {
    USE_LOCALE_OR_SKIP("ko_KR.JOHAB", "ko_KR", "JOHAB");
    std::string leads;
    for (int byte = 0; byte < 256; ++byte)
        leads += is_lead_byte(static_cast<unsigned char>(byte)) ? '1' : '0';
    test_locale::reset();
    std::string expected(256, '0');
    for (auto [first, last] : {std::pair{0x81, 0xD3}, {0xD8, 0xDE}, {0xE0, 0xF9}}) {
        for (int byte = first; byte <= last; ++byte) expected[byte] = '1';
    }
    EXPECT_EQ(leads, expected);
}

class PosixCase932 : public CodePage932Test {};

TEST_F(PosixCase932, SingleByteUpperCaseIsAToZ) {
    for (int byte = 1; byte < 256; ++byte) {
        auto value = static_cast<unsigned char>(byte);
        bool upper = byte >= 'A' && byte <= 'Z';
        EXPECT_EQ(byte_is_upper(value), upper ? 1 : 0) << byte;
        if (upper) {
            EXPECT_EQ(byte_to_lower(value), byte - 'A' + 'a');
        } else if (byte < 0x80) {
            EXPECT_EQ(byte_to_lower(value), value);
        }
    }
}

TEST_F(PosixCase932, UpperCaseOfDoubleByteCharacters) {
    struct Case {
        unsigned char character[2];
        int mapped;
        unsigned char upper[2];
    } cases[] = {
        {{0x82, 0x81}, 1, {0x82, 0x60}},  // full-width a -> A
        {{0x82, 0x9A}, 1, {0x82, 0x79}},  // full-width z -> Z
        {{0x82, 0x60}, 1, {0x82, 0x60}},  // full-width A stays
        {{0x83, 0x5C}, 1, {0x83, 0x5C}},  // katakana so has no case
        {{0x83, 0xBF}, 1, {0x83, 0x9F}},  // Greek small alpha -> capital
        {{0x85, 0x40}, 0, {0, 0}},        // not a character of the code page
        {{0x82, 0x20}, 0, {0, 0}},        // 20 is no trail byte
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << int(row.character[0]) << int(row.character[1]));
        unsigned char upper[2] = {0, 0};
        int size = 0;
        ASSERT_EQ(upper_double_byte(row.character, upper, &size), row.mapped);
        if (!row.mapped) continue;
        EXPECT_EQ(size, 2);
        EXPECT_EQ(upper[0], row.upper[0]);
        EXPECT_EQ(upper[1], row.upper[1]);
    }
}

TEST(PosixCase, UpperCaseFollowsTheCharacterSetInUse) {
    // Full-width a in GBK is A3 E1, its capital A3 C1; after Shift_JIS the
    // conversions must follow the new character set.
    const unsigned char gbk_a[2] = {0xA3, 0xE1};
    unsigned char upper[2] = {0, 0};
    int size = 0;
    if (!test_locale::use("ja_JP.SJIS", "ja_JP", "SHIFT_JIS") ||
        !test_locale::use("zh_CN.GBK", "zh_CN", "GBK")) {
        test_locale::reset();
        GTEST_SKIP() << "SKIPPED: locales ja_JP.SJIS, zh_CN.GBK unavailable";
    }
    const unsigned char sjis_a[2] = {0x82, 0x81};
    EXPECT_EQ(upper_double_byte(sjis_a, upper, &size), 1);  // 82 81 is a GBK character too
    ASSERT_EQ(upper_double_byte(gbk_a, upper, &size), 1);
    EXPECT_EQ(size, 2);
    EXPECT_EQ(upper[0], 0xA3);
    EXPECT_EQ(upper[1], 0xC1);
    test_locale::reset();
    EXPECT_EQ(upper_double_byte(gbk_a, upper, &size), 0);  // ASCII has no such character
}

// A temporary directory with entries, made the current directory.
class PosixSearch : public testing::Test {
protected:
    void SetUp() override { dir_.enter(); }
    void TearDown() override {
        close_search();
        test_locale::reset();
    }
    static void make_files(const std::vector<std::string>& names) {
        for (const std::string& name : names) std::ofstream(name, std::ios::binary).put('x');
    }
    static std::set<std::string> search(const std::string& pattern) {
        std::set<std::string> found;
        for (const char* name = find_first_entry(pattern.c_str()); name != nullptr;
             name = find_next_entry()) {
            EXPECT_TRUE(found.insert(name).second) << name;
        }
        EXPECT_EQ(find_next_entry(), nullptr);  // closed at the end
        return found;
    }
    TempDirectory dir_{"search"};
};

TEST_F(PosixSearch, StarAndQuestionMarkOverTheLastPart) {
    make_files({"abc", "ac", "a.b.c", "abcbc", "Abc", "[a]", "x", ".hidden", "a*lit", "a?", "ab"});
    fs::create_directory("dir.d");
    using Set = std::set<std::string>;
    struct Case {
        const char* pattern;
        Set expected;
    } cases[] = {
        {"a*c", {"abc", "ac", "a.b.c", "abcbc"}},
        {"a?c", {"abc"}},
        {"*bc", {"abc", "abcbc", "Abc"}},
        {"A*", {"Abc"}},    // letter case is significant
        {"[a]*", {"[a]"}},  // brackets are ordinary
        {"?",
         {
             "x",
             ".",
         }},
        {"??", {"ac", "a?", "ab", ".."}},
        {"*.*", {"a.b.c", ".hidden", "dir.d", ".", ".."}},
        {"a*b", {"ab"}},
        {"a\\*", {}},  // no escapes: entries starting "a\" (none here)
        {"*d", {"dir.d"}},
        {"*?*?*?*?*?*", {"a.b.c", "abcbc", ".hidden", "dir.d", "a*lit"}},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.pattern);
        EXPECT_EQ(search(row.pattern), row.expected);
    }
}

TEST_F(PosixSearch, DirectoryPartAndPrefixBytes) {
    fs::create_directories("sub/in");
    make_files({"sub/a.zub", "sub/b.wav", "sub\\c.zub", "C:d.zub", "sub/x\\e.zub"});
    using Set = std::set<std::string>;
    EXPECT_EQ(search("sub/*.zub"), (Set{"a.zub", "x\\e.zub"}));
    EXPECT_EQ(search("sub/*"), (Set{"a.zub", "b.wav", "x\\e.zub", "in", ".", ".."}));
    // The part of the name that the expansion's prefix holds is not reported.
    EXPECT_EQ(search("sub\\*"), (Set{"c.zub"}));
    EXPECT_EQ(search("C:*"), (Set{"d.zub"}));
    EXPECT_EQ(search("sub/x\\*"), (Set{"e.zub"}));
    EXPECT_EQ(search((dir_.path() / "sub" / "?.wav").string()), (Set{"b.wav"}));
    // A wildcard before the last separator finds nothing.
    EXPECT_EQ(search("s*/a.zub"), Set{});
    EXPECT_EQ(search("*\\c.zub"), Set{});
    EXPECT_EQ(search("*:d.zub"), Set{});
    EXPECT_EQ(search("missing/*"), Set{});
    EXPECT_EQ(search("sub/a.zub/*"), Set{});
}

TEST_F(PosixSearch, QuestionMarkIsOneCharacterOfTheLocale) {
    make_files({"\xC3\xA9", "e"});
    using Set = std::set<std::string>;
    EXPECT_EQ(search("??"), (Set{"\xC3\xA9", ".."}));  // bytes in the C locale
    if (!test_locale::use("C.UTF-8")) GTEST_SKIP() << "SKIPPED: no C.UTF-8 locale";
    EXPECT_EQ(search("?"), (Set{"\xC3\xA9", "e", "."}));
}

TEST_F(PosixSearch, StartingASearchClosesTheOneOpen) {
    make_files({"a", "b", "c"});
    // Far more searches than a process may hold directories open.
    for (int i = 0; i < 5000; ++i) ASSERT_NE(find_first_entry("*"), nullptr) << "search " << i;
    ASSERT_NE(find_next_entry(), nullptr);
    close_search();
    EXPECT_EQ(find_next_entry(), nullptr);
}

}  // namespace
