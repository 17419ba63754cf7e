// The order of matches: compare_names by character values, and the fast
// sort_matches against the exchange sort that defines the order.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "cli/name_order.h"
#include "test_locale.h"

namespace {

using Names = std::vector<std::string>;

int sign(int value) { return (value > 0) - (value < 0); }

struct CompareCase {
    const char* first;
    const char* second;
    int expected;  // sign of compare_names(first, second)
};

void check_compare(const std::vector<CompareCase>& cases) {
    for (const CompareCase& row : cases) {
        SCOPED_TRACE(testing::PrintToString(std::string(row.first)) + " vs " +
                     testing::PrintToString(std::string(row.second)));
        EXPECT_EQ(sign(compare_names(row.first, row.second)), row.expected);
    }
}

Names sorted_by(void (*sort)(const char**, int32_t), const Names& names) {
    std::vector<const char*> run;
    for (const std::string& name : names) run.push_back(name.c_str());
    sort(run.data(), static_cast<int32_t>(run.size()));
    return Names(run.begin(), run.end());
}

TEST(CompareNames, WithoutLeadBytesOnlyAToZFold) {
    check_compare({
        {"a.zub", "A.ZUB", 0},
        {"", "", 0},
        {"A", "b", -1},
        {"B", "a", 1},
        // The underscore (5F) lies between the upper- and lower-case letters.
        {"a_b.zub", "aa.zub", -1},
        {"A_", "AA", -1},
        {"_", "a", -1},
        {"[", "a", -1},
        // The shorter name first when one ends where the other goes on.
        {"ab", "abc", -1},
        {"ABC", "ab", 1},
        // Values are unsigned, and bytes above 7F are not folded.
        {"\xE9", "z", 1},
        {"\xC9", "\xE9", -1},
        {"\x81\x60", "\x81\x61", -1},
    });
}

TEST(SortMatches, TiesEndAsTheExchangeSortLeavesThem) {
    // B1 and B2 compare equal and A sorts before both: reported in the order
    // B1, B2, A they end as A, B2, B1.
    const Names reported = {"B.zub", "b.zub", "a.zub"};
    const Names expected = {"a.zub", "b.zub", "B.zub"};
    EXPECT_EQ(sorted_by(exchange_sort_matches, reported), expected);
    EXPECT_EQ(sorted_by(sort_matches, reported), expected);
    // Larger names change nothing; each smaller one met behind the group
    // turns it by one.
    EXPECT_EQ(sorted_by(sort_matches, {"B", "c", "b", "C", "a"}), (Names{"a", "b", "B", "C", "c"}));
    EXPECT_EQ(sorted_by(sort_matches, {"X", "x", "a", "b", "c"}), (Names{"a", "b", "c", "x", "X"}));
    EXPECT_EQ(sorted_by(sort_matches, {"X", "x", "a", "b"}), (Names{"a", "b", "X", "x"}));
}

TEST(SortMatches, SmallRuns) {
    EXPECT_EQ(sorted_by(sort_matches, {}), Names{});
    EXPECT_EQ(sorted_by(sort_matches, {"b"}), Names{"b"});
    EXPECT_EQ(sorted_by(sort_matches, {"b.zub", "A.zub", "aa.zub", "a_b.zub"}),
              (Names{"A.zub", "a_b.zub", "aa.zub", "b.zub"}));
}

// Random names over a small alphabet: with upper and lower case letters of
// the same word, ties are common; with `distinct`, no two names compare equal.
Names random_names(std::mt19937& random, size_t count, bool distinct) {
    static const char ALPHABET[] = "aAbB_.1zZ\x7F\xE9\xC9";
    std::uniform_int_distribution<size_t> length(0, 6);
    std::uniform_int_distribution<size_t> letter(0, sizeof ALPHABET - 2);
    Names names;
    std::set<std::string> folded_seen;
    while (names.size() < count) {
        std::string name;
        for (size_t n = length(random); n > 0; --n) name += ALPHABET[letter(random)];
        std::string folded = name;
        for (char& c : folded) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        if (distinct && !folded_seen.insert(folded).second) continue;
        names.push_back(name);
    }
    return names;
}

TEST(SortMatches, AgreesWithTheExchangeSortOnRandomRuns) {
    for (bool distinct : {true, false}) {
        for (unsigned seed = 1; seed <= 400; ++seed) {
            std::mt19937 random(seed);
            Names names = random_names(random, 1 + seed % 60, distinct);
            SCOPED_TRACE("seed " + std::to_string(seed) + (distinct ? ", distinct" : ", with ties"));
            Names fast = sorted_by(sort_matches, names);
            ASSERT_EQ(fast, sorted_by(exchange_sort_matches, names));
            for (size_t i = 1; i < fast.size(); ++i)
                ASSERT_LE(compare_names(fast[i - 1].c_str(), fast[i].c_str()), 0);
        }
    }
}

TEST(SortMatches, ALargeRunWithOneTieDeep) {
    std::mt19937 random(7);
    Names names = random_names(random, 3000, true);
    names.push_back("Zz_tie");
    names.insert(names.begin() + 1000, "zZ_TIE");
    EXPECT_EQ(sorted_by(sort_matches, names), sorted_by(exchange_sort_matches, names));
}

// Every spelling in letter case of `word`: 2^letters names of one key.
Names case_variants(const std::string& word) {
    Names variants = {""};
    for (char c : word) {
        Names longer;
        for (const std::string& start : variants) {
            longer.push_back(start + c);
            if (c >= 'a' && c <= 'z') longer.push_back(start + static_cast<char>(c - 'a' + 'A'));
        }
        variants = longer;
    }
    return variants;
}

// Runs with heavy ties: names drawn from `keys` groups, each group's names
// spelt in random letter case. `weights` gives the share of each group, so
// a run can be mostly one group.
Names tied_run(std::mt19937& random, const Names& words, const std::vector<double>& weights, size_t count,
               const std::string& (*respell)(std::mt19937&, const std::string&)) {
    std::discrete_distribution<size_t> pick(weights.begin(), weights.end());
    Names names;
    for (size_t i = 0; i < count; ++i) names.push_back(respell(random, words[pick(random)]));
    return names;
}

const std::string& mixed_case(std::mt19937& random, const std::string& word) {
    static std::string spelt;
    spelt = word;
    for (char& c : spelt) {
        if (c >= 'a' && c <= 'z' && random() % 2 == 0) c = static_cast<char>(c - 'a' + 'A');
    }
    return spelt;
}

// Few distinct keys, groups of every size from one name to the whole run,
// and runs that are nearly all one group, some of its names the smallest,
// some the largest of the run.
void check_tied_runs(const Names& words, const std::string& (*respell)(std::mt19937&, const std::string&)) {
    for (unsigned seed = 1; seed <= 600; ++seed) {
        std::mt19937 random(seed);
        size_t keys = 1 + seed % std::min<size_t>(words.size(), 6);
        Names chosen(words.begin(), words.begin() + static_cast<std::ptrdiff_t>(keys));
        std::shuffle(chosen.begin(), chosen.end(), random);
        std::vector<double> weights(keys, 1.0);
        if (seed % 3 == 0) weights[0] = 30.0 * static_cast<double>(keys);  // mostly one group
        size_t count = 1 + (seed * 7) % (seed % 5 == 0 ? 300 : 40);
        Names names = tied_run(random, chosen, weights, count, respell);
        SCOPED_TRACE("seed " + std::to_string(seed) + ", " + std::to_string(keys) + " keys, " +
                     std::to_string(count) + " names");
        ASSERT_EQ(sorted_by(sort_matches, names), sorted_by(exchange_sort_matches, names));
    }
}

TEST(SortMatches, AgreesWithTheExchangeSortOnRunsOfHeavyTies) {
    check_tied_runs({"ab", "a_b", "b", "abc", "", "zz", "a"}, mixed_case);
}

TEST(SortMatches, OneGroupOfThousandsOfCaseVariants) {
    // 4096 spellings of one 12-letter name, shuffled, then with smaller and
    // larger names between them.
    Names names = case_variants("takeonetwoab");
    ASSERT_EQ(names.size(), 4096u);
    std::mt19937 random(12);
    std::shuffle(names.begin(), names.end(), random);
    EXPECT_EQ(sorted_by(sort_matches, names), sorted_by(exchange_sort_matches, names));
    Names around = names;
    for (size_t i = 0; i < around.size(); i += 1 + random() % 5) {
        around.insert(around.begin() + static_cast<std::ptrdiff_t>(i),
                      random() % 3 == 0 ? "zz" : "a_" + std::to_string(i));
    }
    EXPECT_EQ(sorted_by(sort_matches, around), sorted_by(exchange_sort_matches, around));
}

class NameOrder932 : public CodePage932Test {};

// Full-width letters (82 60 = A .. 82 79 = Z, 82 81 = a .. 82 9A = z),
// katakana so (83 5C), and 85 40, which the code page does not map.
TEST_F(NameOrder932, DoubleByteCharactersCompareByTheirUpperCase) {
    check_compare({
        {"\x82\x81", "\x82\x60", 0},                  // full-width a = full-width A
        {"\x82\x81\x82\x82", "\x82\x60\x82\x61", 0},  // ab = AB
        {"\x82\x81", "\x82\x61", -1},                 // a (as A, 82 60) before B (82 61)
        {"\x82\x62", "\x82\x82", 1},                  // C after b (as B)
        {"z", "\x82\x60", -1},                        // single bytes before double bytes
        {"A.zub", "a.zub", 0},                        // single-byte letters still fold
        {"a_", "aA", -1},
        {"\x83\\", "\x83\\", 0},
        {"\x83\\", "\x83]", -1},
        // A lead byte right before the end counts as the end.
        {"a\x82", "a", 0},
        {"a\x82", "ab", -1},
    });
}

TEST_F(NameOrder932, AnUnmappablePairKeepsItsOrder) {
    check_compare({
        {"\x85\x40", "a", 1},
        {"a", "\x85\x40", 1},
        {"x\x85\x40", "x\x85\x40", 1},
        // The walk decides before it reaches the unmappable character.
        {"a\x85\x40", "b", -1},
    });
    for (const Names& reported : {Names{"\x85\x40", "a"}, Names{"a", "\x85\x40"}}) {
        EXPECT_EQ(sorted_by(exchange_sort_matches, reported), reported);
        EXPECT_EQ(sorted_by(sort_matches, reported), reported);
    }
    const Names mixed = {"c", "\x82\x81", "\x85\x40z", "B", "\x82\x60", "a"};
    EXPECT_EQ(sorted_by(sort_matches, mixed), sorted_by(exchange_sort_matches, mixed));
}

TEST_F(NameOrder932, AgreesWithTheExchangeSortOnRandomDoubleByteRuns) {
    static const char* const CHARACTERS[] = {"a",        "A",        "_",      "\x82\x81", "\x82\x60",
                                             "\x82\x61", "\x82\x82", "\x83\\", "\xB1",     "\x85\x40"};
    for (unsigned seed = 1; seed <= 200; ++seed) {
        std::mt19937 random(seed);
        std::uniform_int_distribution<size_t> length(0, 4);
        // Every fourth run may hold the unmappable character.
        std::uniform_int_distribution<size_t> pick(0, seed % 4 == 0 ? 9 : 8);
        Names names;
        for (size_t n = 1 + seed % 25; n > 0; --n) {
            std::string name;
            for (size_t k = length(random); k > 0; --k) name += CHARACTERS[pick(random)];
            names.push_back(name);
        }
        SCOPED_TRACE("seed " + std::to_string(seed));
        ASSERT_EQ(sorted_by(sort_matches, names), sorted_by(exchange_sort_matches, names));
    }
}

// Words of single-byte and full-width letters and katakana so (83 5C); a
// full-width letter in either case counts as its upper case.
const std::string& mixed_case_932(std::mt19937& random, const std::string& word) {
    static std::string spelt;
    spelt.clear();
    for (size_t i = 0; i < word.size(); ++i) {
        auto byte = static_cast<unsigned char>(word[i]);
        if (byte == 0x82 && i + 1 < word.size()) {
            // 82 60 .. 82 79 upper case, 82 81 .. 82 9A lower case
            auto trail = static_cast<unsigned char>(word[++i]);
            if (random() % 2 == 0)
                trail = static_cast<unsigned char>(trail >= 0x81 ? trail - 0x21 : trail + 0x21);
            spelt += static_cast<char>(byte);
            spelt += static_cast<char>(trail);
        } else if ((byte >= 0x81 && byte <= 0x9F) || byte >= 0xE0) {
            spelt += static_cast<char>(byte);
            if (i + 1 < word.size()) spelt += word[++i];
        } else {
            spelt += (byte >= 'a' && byte <= 'z' && random() % 2 == 0) ? static_cast<char>(byte - 'a' + 'A')
                                                                       : static_cast<char>(byte);
        }
    }
    return spelt;
}

TEST_F(NameOrder932, AgreesWithTheExchangeSortOnRunsOfHeavyTies) {
    check_tied_runs({"\x82\x81", "a\x82\x82", "\x83\\b", "\x82\x81\x82\x60", "ab", "\xB1", "a"},
                    mixed_case_932);
}

}  // namespace
