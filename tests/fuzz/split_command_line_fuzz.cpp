// Any bytes as a raw command line, under code pages with and without lead
// bytes: the split list equals that of a plain second reading of the quoting
// rules, element by element (marker and content).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "cli/allocation.h"
#include "cli/argument_list.h"
#include "fuzz_check.h"
#include "fuzz_locale.h"
#include "platform/platform.h"

namespace {

struct Element {
    char marker;
    std::string content;
};

bool blank(char byte) { return byte == ' ' || byte == '\t'; }

// The rules read once more, as directly as they are written.
std::vector<Element> reference_split(const std::string& text, const FuzzLocale& locale) {
    const char* s = text.c_str();
    size_t p = 0;
    auto take_character = [&](std::string& out) {
        // A lead byte takes its trail byte along, except the terminator.
        if (fuzz_lead_byte(locale, static_cast<unsigned char>(s[p])) && s[p + 1] != '\0') out += s[p++];
        out += s[p++];
    };
    std::vector<Element> elements;
    Element name{s[0], ""};
    if (s[0] == '"') {
        p = 1;
        while (s[p] != '\0' && s[p] != '"') take_character(name.content);
        if (s[p] == '"') ++p;
    } else {
        while (s[p] != '\0' && !blank(s[p])) take_character(name.content);
    }
    elements.push_back(name);

    for (;;) {
        while (blank(s[p])) ++p;
        if (s[p] == '\0') break;
        Element argument{s[p], ""};
        bool quoting = false;
        for (;;) {
            size_t run = 0;
            while (s[p] == '\\') ++run, ++p;
            if (s[p] == '"') {
                argument.content.append(run / 2, '\\');
                if (run % 2 == 1) {
                    argument.content += '"';
                    ++p;
                } else if (!quoting) {
                    quoting = true;
                    ++p;
                } else if (s[p + 1] == '"') {
                    argument.content += '"';
                    quoting = false;
                    p += 2;
                } else {
                    quoting = false;
                    ++p;
                }
                continue;
            }
            argument.content.append(run, '\\');
            if (s[p] == '\0' || (!quoting && blank(s[p]))) break;
            take_character(argument.content);
        }
        elements.push_back(argument);
    }
    return elements;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const FuzzLocale& locale = use_fuzz_locale(data[0]);
    for (int byte = 0; byte < 256; ++byte) {
        FUZZ_CHECK(is_lead_byte(static_cast<unsigned char>(byte)) ==
                   fuzz_lead_byte(locale, static_cast<unsigned char>(byte)));
    }
    // The command line: the rest, up to a zero byte.
    const char* rest = reinterpret_cast<const char*>(data + 1);
    std::string text(rest, strnlen(rest, size - 1));

    SplitList list{};
    FUZZ_CHECK(split_command_line(text.c_str(), &list) == 1);
    std::vector<Element> want = reference_split(text, locale);
    FUZZ_CHECK(list.count == static_cast<int32_t>(want.size()));
    for (int32_t i = 0; i < list.count; ++i) {
        FUZZ_CHECK(list.elements[i].marker == want[static_cast<size_t>(i)].marker);
        FUZZ_CHECK(list.elements[i].content == want[static_cast<size_t>(i)].content);
    }
    release(list.elements);
    return 0;
}
