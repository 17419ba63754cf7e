// Wildcard expansion over real directories: which names a pattern yields,
// with what prefix, in what order, and what passes unchanged.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "cli/allocation.h"
#include "cli/argument_list.h"
#include "temp_directory.h"
#include "test_locale.h"

namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

// A fresh temporary directory that is the current one during the test.
class Expansion : public testing::Test {
protected:
    void SetUp() override { dir_.enter(); }
    void TearDown() override { test_locale::reset(); }

    static void touch(const std::string& name) { std::ofstream(name, std::ios::binary).put('x'); }
    static void make_files(const Names& names) {
        for (const std::string& name : names) touch(name);
    }

    TempDirectory dir_{"expand"};
};

// Expands the elements as the shell would hand them over: each word one
// element, its marker its first byte.
Names expand(const Names& words) {
    std::vector<RawArgument> elements;
    for (const std::string& word : words) elements.push_back({word.c_str()[0], word.c_str()});
    SplitList split = {static_cast<int32_t>(elements.size()), elements.data()};
    ArgumentList list = {0, nullptr};
    EXPECT_EQ(expand_wildcards(&split, &list), 1);
    EXPECT_EQ(list.entries[list.count], nullptr);
    return Names(list.entries, list.entries + list.count);
}

// Splits a raw command line by the quoting rules first.
Names expand_line(const std::string& line) {
    SplitList split = {0, nullptr};
    EXPECT_EQ(split_command_line(line.c_str(), &split), 1);
    ArgumentList list = {0, nullptr};
    EXPECT_EQ(expand_wildcards(&split, &list), 1);
    return Names(list.entries, list.entries + list.count);
}

TEST_F(Expansion, MatchesSortWithoutRegardToCaseUnderscoreBeforeLetters) {
    make_files({"b.zub", "A.zub", "aa.zub", "a_b.zub"});
    EXPECT_EQ(expand({"prog", "*.zub"}), (Names{"prog", "A.zub", "a_b.zub", "aa.zub", "b.zub"}));
}

TEST_F(Expansion, EachPatternsMatchesStandInItsPlace) {
    make_files({"b.zub", "A.zub", "aa.zub", "a_b.zub", "notes.txt"});
    // aa.zub and a_b.zub match both patterns and stand twice.
    EXPECT_EQ(expand({"prog", "first", "a*", "middle", "*.zub", "last"}),
              (Names{"prog", "first", "a_b.zub", "aa.zub", "middle", "A.zub", "a_b.zub", "aa.zub", "b.zub",
                     "last"}));
}

TEST_F(Expansion, PrefixesAsWrittenBeforeBareNames) {
    fs::create_directories("sub/deeper");
    make_files({"sub/x.zub", "sub/Y.zub", "sub/deeper/z.zub", "top.zub"});
    // Where only '/' separates directories, a backslash or a drive-style
    // colon before the wildcard is part of the entries' names.
    make_files({"sub\\q.zub", "C:c.zub", "C:d.zub", "D\\C:e.zub"});
    const std::string absolute = (dir_.path() / "sub").string();
    struct Case {
        std::string pattern;
        Names expected;
    } cases[] = {
        {"sub/*.zub", {"sub/x.zub", "sub/Y.zub"}},
        {"./sub//*.zub", {"./sub//x.zub", "./sub//Y.zub"}},
        {"sub/deeper/*", {"sub/deeper/z.zub"}},
        {absolute + "/?.zub", {absolute + "/x.zub", absolute + "/Y.zub"}},
        {"sub\\*.zub", {"sub\\q.zub"}},
        {"C:*.zub", {"C:c.zub", "C:d.zub"}},
        {"C:?.zub", {"C:c.zub", "C:d.zub"}},
        {"D\\*", {"D\\C:e.zub"}},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.pattern);
        Names expected = {"prog"};
        expected.insert(expected.end(), row.expected.begin(), row.expected.end());
        EXPECT_EQ(expand({"prog", row.pattern}), expected);
    }
}

TEST_F(Expansion, TextPassesUnchanged) {
    fs::create_directory("sub");
    make_files({"ab:x", "a.zub", "sub/x.zub", "ax\\b"});
    struct Case {
        const char* what;
        std::string pattern;
    } cases[] = {
        {"no match", "*.wav"},
        {"no match, question mark", "a?"},
        // A colon nearest before the wildcard, not the second byte: no search.
        {"colon after two letters", "ab:*"},
        {"colon first", ":*"},
        {"wildcard in a directory part", "s*/x.zub"},
        {"wildcard before the last backslash", "a*\\b"},
        {"directory that is not there", "none/*.zub"},
        {"letter case is significant", "A.*"},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(expand({"prog", row.pattern, "next"}), (Names{"prog", row.pattern, "next"}));
    }
}

TEST_F(Expansion, SubDirectoriesAndDotEntriesButNeverDotAndDotDot) {
    fs::create_directories("Songs/inner");
    make_files({"b.zub", ".hidden", "..two"});
    EXPECT_EQ(expand({"prog", "*"}), (Names{"prog", "..two", ".hidden", "b.zub", "Songs"}));
    EXPECT_EQ(expand({"prog", ".*"}), (Names{"prog", "..two", ".hidden"}));
    // A directory with only "." and "..": the pattern passes unchanged.
    EXPECT_EQ(expand({"prog", "Songs/inner/*"}), (Names{"prog", "Songs/inner/*"}));
    EXPECT_EQ(expand({"prog", "Songs/*"}), (Names{"prog", "Songs/inner"}));
}

TEST_F(Expansion, QuestionMarkIsOneCharacter) {
    make_files({"a.zub", "ab.zub", "b.zub", ".zub"});
    EXPECT_EQ(expand({"prog", "?.zub"}), (Names{"prog", "a.zub", "b.zub"}));
    EXPECT_EQ(expand({"prog", "??.zub"}), (Names{"prog", "ab.zub"}));
    EXPECT_EQ(expand({"prog", "*?.zub"}), (Names{"prog", "a.zub", "ab.zub", "b.zub"}));
}

TEST_F(Expansion, QuestionMarkIsOneUtf8Character) {
    if (!test_locale::use("C.UTF-8")) GTEST_SKIP() << "SKIPPED: no C.UTF-8 locale";
    make_files({"\xC3\xA9.zub", "e.zub", "\xC3\xA9\xC3\xA9.zub"});
    EXPECT_EQ(expand({"prog", "?.zub"}), (Names{"prog", "e.zub", "\xC3\xA9.zub"}));
}

TEST_F(Expansion, ExistingNamesAreTakenAsWritten) {
    make_files({"*.zub", "a.zub", "what?"});
    EXPECT_EQ(expand({"prog", "*.zub", "what?", "*.zub?"}), (Names{"prog", "*.zub", "what?", "*.zub?"}));
    EXPECT_EQ(expand({"prog", "*zub"}), (Names{"prog", "*.zub", "a.zub"}));
}

TEST_F(Expansion, OnlyTheMarkerExemptsAnElement) {
    fs::create_directory("sub");
    make_files({"aa.zub", "a_b.zub", "A.zub", "sub/x.zub"});
    EXPECT_EQ(expand_line("prog \"*.zub\" a\"*\".zub \"sub\"\\* sub\\\\\"*\""),
              (Names{"prog", "*.zub", "a_b.zub", "aa.zub", "sub\\*", "sub\\*"}));
    EXPECT_EQ(expand_line("prog \"*\" sub/\"*\""), (Names{"prog", "*", "sub/x.zub"}));
}

TEST_F(Expansion, ProgramNameIsExpandedToo) {
    make_files({"tool.exe"});
    EXPECT_EQ(expand_line("too?.exe a"), (Names{"tool.exe", "a"}));
    EXPECT_EQ(expand_line("\"too?.exe\" a"), (Names{"too?.exe", "a"}));
}

TEST_F(Expansion, EveryAllocationThatFailsIsReported) {
    fs::create_directory("sub");
    make_files({"b.zub", "A.zub", "aa.zub", "sub/x.zub", "sub/y.zub"});
    const std::string line = "prog one *.zub two sub/* \"*\" three";
    const Names expected = {"prog", "one",       "A.zub",     "aa.zub", "b.zub",
                            "two",  "sub/x.zub", "sub/y.zub", "*",      "three"};
    long failing = 1;
    for (;; ++failing) {
        fail_allocation(failing);
        SplitList split = {0, nullptr};
        ArgumentList list = {0, nullptr};
        int built = split_command_line(line.c_str(), &split) && expand_wildcards(&split, &list);
        fail_allocation(0);
        if (built) {
            EXPECT_EQ(Names(list.entries, list.entries + list.count), expected);
            break;
        }
        ASSERT_LT(failing, 100) << "expansion never succeeds";
    }
    // The split list, each match and the list's growth all allocate, and
    // each failure was seen.
    EXPECT_GE(failing, 7);
    // Nothing is left over from the failed attempts: a later search works.
    EXPECT_EQ(expand({"prog", "sub/*"}), (Names{"prog", "sub/x.zub", "sub/y.zub"}));
}

TEST_F(Expansion, CodePage932TrailBytesAreNoSeparators) {
    USE_CODE_PAGE_932_OR_SKIP();
    // 83 5C is katakana so; its 5C is not a backslash ending a prefix.
    const std::string so = "\x83\\";
    make_files({so + "a.zub", so + "b.zub", "\x82\x81.zub", "\x82\x61.zub", "c.zub"});
    EXPECT_EQ(expand({"prog", so + "*.zub"}), (Names{"prog", so + "a.zub", so + "b.zub"}));
    // Full-width a (82 81) counts as its upper case (82 60), before
    // full-width B (82 61); single bytes come before both.
    EXPECT_EQ(expand({"prog", "?.zub"}), (Names{"prog", "c.zub", "\x82\x81.zub", "\x82\x61.zub"}));
}

}  // namespace
