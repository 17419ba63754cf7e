// The quoting rules of the raw command line, row by row, in a code page
// without lead bytes and in code page 932.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/argument_list.h"
#include "test_locale.h"

namespace {

struct Element {
    char marker;
    std::string content;
    bool operator==(const Element&) const = default;
};

void PrintTo(const Element& element, std::ostream* out) {
    *out << "{'" << element.marker << "', \"" << testing::PrintToString(element.content) << "\"}";
}

std::vector<Element> split(const std::string& text) {
    SplitList list = {0, nullptr};
    EXPECT_EQ(split_command_line(text.c_str(), &list), 1);
    std::vector<Element> elements;
    elements.reserve(static_cast<size_t>(list.count));
    for (int32_t i = 0; i < list.count; ++i)
        elements.push_back({list.elements[i].marker, list.elements[i].content});
    return elements;
}

struct SplitCase {
    const char* what;
    std::string text;
    std::vector<Element> expected;
};

void check_cases(const std::vector<SplitCase>& cases) {
    for (const SplitCase& row : cases) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(split(row.text), row.expected);
    }
}

TEST(SplitCommandLine, Separators) {
    check_cases({
        {"blanks", "p a b", {{'p', "p"}, {'a', "a"}, {'b', "b"}}},
        {"tabs separate as blanks do", "p\ta\t\tb", {{'p', "p"}, {'a', "a"}, {'b', "b"}}},
        {"runs of blanks, trailing blanks", "p   a  \t ", {{'p', "p"}, {'a', "a"}}},
        {"a line feed is an ordinary byte", "p a\nb\r", {{'p', "p"}, {'a', "a\nb\r"}}},
        {"no argument", "prog", {{'p', "prog"}}},
    });
}

TEST(SplitCommandLine, BackslashesAndQuotes) {
    check_cases({
        // 61 5C 5C 22 62 20 63 22 gives 61 5C 62 20 63.
        {"two backslashes before a quote", "p a\\\\\"b c\"", {{'p', "p"}, {'a', "a\\b c"}}},
        // 61 5C 5C 5C 22 62 gives 61 5C 22 62.
        {"three backslashes before a quote", "p a\\\\\\\"b", {{'p', "p"}, {'a', "a\\\"b"}}},
        {"backslashes before other bytes stay",
         "p a\\\\b \\ c\\",
         {{'p', "p"}, {'a', "a\\\\b"}, {'\\', "\\"}, {'c', "c\\"}}},
        {"one backslash escapes a quote", "p \\\"a", {{'p', "p"}, {'\\', "\"a"}}},
        {"four backslashes before a quote", "p \\\\\\\\\"a b\"", {{'p', "p"}, {'\\', "\\\\a b"}}},
        // 22 61 22 22 62 20 63 22 gives 61 22 62 and 63.
        {"doubled quote in a quoted stretch", "p \"a\"\"b c\"", {{'p', "p"}, {'"', "a\"b"}, {'c', "c"}}},
        {"doubled quote after two backslashes, quoted", "p \"a\\\\\"\"b\"", {{'p', "p"}, {'"', "a\\\"b"}}},
        {"quote closing after two backslashes", "p \"a\\\\\" b", {{'p', "p"}, {'"', "a\\"}, {'b', "b"}}},
        {"pair of quotes outside a stretch", "p a\"\"b", {{'p', "p"}, {'a', "ab"}}},
        {"pair of quotes alone", "p \"\" x", {{'p', "p"}, {'"', ""}, {'x', "x"}}},
        {"quoted stretch inside an argument", "p a\"b c\"d e", {{'p', "p"}, {'a', "ab cd"}, {'e', "e"}}},
        {"unclosed quoted argument runs to the end", "p \"a b\t c ", {{'p', "p"}, {'"', "a b\t c "}}},
        {"escaped quote inside a quoted stretch", "p \"a \\\" b\"", {{'p', "p"}, {'"', "a \" b"}}},
    });
}

TEST(SplitCommandLine, MarkersTellHowAnArgumentBegan) {
    check_cases({
        {"quoted star", "p \"*\"", {{'p', "p"}, {'"', "*"}}},
        {"star quoted inside", "p a\"*\"", {{'p', "p"}, {'a', "a*"}}},
        {"quoted directory part", "p \"sub dir\"\\*", {{'p', "p"}, {'"', "sub dir\\*"}}},
        {"backslash first", "p \\\\x", {{'p', "p"}, {'\\', "\\\\x"}}},
    });
}

TEST(SplitCommandLine, ProgramName) {
    check_cases({
        // 22 70 22 78 gives the name p and the argument x.
        {"quoted name followed at once by bytes", "\"p\"x", {{'"', "p"}, {'x', "x"}}},
        {"quoted name followed at once by a quoted argument", "\"p\"\"x y\"", {{'"', "p"}, {'"', "x y"}}},
        // 70 22 78 20 79 gives the name 70 22 78 and the argument 79.
        {"unquoted name keeps its quotes", "p\"x y", {{'p', "p\"x"}, {'y', "y"}}},
        {"quoted name with blanks and backslashes",
         "\"C:\\My Files\\z.exe\" a",
         {{'"', "C:\\My Files\\z.exe"}, {'a', "a"}}},
        {"backslashes before a quote in the name", "p\\\"x y", {{'p', "p\\\"x"}, {'y', "y"}}},
        {"quoted name without its closing quote", "\"p a b", {{'"', "p a b"}}},
        {"empty quoted name", "\"\" a", {{'"', ""}, {'a', "a"}}},
        {"leading blank gives an empty name", " a b", {{' ', ""}, {'a', "a"}, {'b', "b"}}},
        {"leading tab gives an empty name", "\ta", {{'\t', ""}, {'a', "a"}}},
        {"empty text gives an empty name", "", {{'\0', ""}}},
    });
}

TEST(SplitCommandLine, WithoutLeadBytesHighBytesAreSingleCharacters) {
    check_cases({
        // In a code page without lead bytes 5C and 22 after 83 or 81 keep their meaning.
        {"5C after 83", "p \x83\\\"x y\"", {{'p', "p"}, {'\x83', "\x83\"x"}, {'y', "y"}}},
        {"22 after 81",
         "p \x81\"a b\"",
         {{'p', "p"},
          {'\x81',
           "\x81"
           "a b"}}},
    });
}

class SplitCommandLine932 : public CodePage932Test {};

TEST_F(SplitCommandLine932, TrailBytesAreNeverQuotesBackslashesOrBlanks) {
    check_cases({
        // 83 5C is katakana so: its 5C escapes nothing, so the quote opens a stretch.
        {"trail byte 5C before a quote", "p \x83\\\"x y\"", {{'p', "p"}, {'\x83', "\x83\\x y"}}},
        {"trail byte 5C before a quote in a run", "p \\\x83\\\"x y\"", {{'p', "p"}, {'\\', "\\\x83\\x y"}}},
        {"trail byte 22 ends no stretch", "p \"\x81\"a b\" c", {{'p', "p"}, {'"', "\x81\"a b"}, {'c', "c"}}},
        {"trail byte 22 opens no stretch", "p \x81\"a b", {{'p', "p"}, {'\x81', "\x81\"a"}, {'b', "b"}}},
        {"a lead byte takes any byte along", "p \x81 x", {{'p', "p"}, {'\x81', "\x81 x"}}},
        {"trail byte 22 in a quoted name", "\"\x81\"x\" a", {{'"', "\x81\"x"}, {'a', "a"}}},
        {"trail byte 20 in an unquoted name", "p\x81 x a", {{'p', "p\x81 x"}, {'a', "a"}}},
        // A lone lead byte at the very end stays in its element.
        {"lead byte last in an argument", "p a\x81", {{'p', "p"}, {'a', "a\x81"}}},
        {"lead byte last in a quoted argument", "p \"a\x81", {{'p', "p"}, {'"', "a\x81"}}},
        {"lead byte last in the name", "p\x81", {{'p', "p\x81"}}},
        {"lead byte last in a quoted name", "\"p\x81", {{'"', "p\x81"}}},
    });
}

}  // namespace
