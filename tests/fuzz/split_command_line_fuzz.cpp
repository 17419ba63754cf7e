// Any bytes as a raw command line, under code pages with and without lead
// bytes: the split list equals that of an independent model, element by
// element (marker and content). The model cuts the text into characters
// first and then runs a small state machine over them, one character per
// step, with no look-ahead and no backslash runs counted ahead: a reading of
// the quoting rules shaped unlike the code it checks.
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

// The text as whole characters: a lead byte with its trail byte, except a
// lead byte right before the end, which stands alone.
std::vector<std::string> characters(const std::string& text, const FuzzLocale& locale) {
    std::vector<std::string> out;
    for (size_t i = 0; i < text.size(); ++i) {
        bool pair = fuzz_lead_byte(locale, static_cast<unsigned char>(text[i])) && i + 1 < text.size();
        out.push_back(text.substr(i, pair ? 2 : 1));
        if (pair) ++i;
    }
    return out;
}

// What a character is to the rules of the arguments.
enum Kind { BACKSLASH, QUOTE, BLANK, OTHER };

Kind kind_of(const std::string& character) {
    if (character == "\\") return BACKSLASH;
    if (character == "\"") return QUOTE;
    if (character == " " || character == "\t") return BLANK;
    return OTHER;
}

// Where the machine stands between characters. JUST_CLOSED: a quoted stretch
// has just been closed by a quote, so a quote right behind it is a literal
// one (a doubled quote inside a stretch).
enum State { BETWEEN, PLAIN, QUOTED, JUST_CLOSED };

std::vector<Element> model_split(const std::string& text, const FuzzLocale& locale) {
    std::vector<std::string> chars = characters(text, locale);
    std::vector<Element> elements;
    size_t i = 0;

    // The program's name: up to a blank or tab, or quoted up to the next
    // quote; backslashes are plain here.
    Element name{text.empty() ? '\0' : text[0], ""};
    bool quoted_name = !chars.empty() && chars[0] == "\"";
    if (quoted_name) ++i;
    for (; i < chars.size(); ++i) {
        if (quoted_name ? chars[i] == "\"" : kind_of(chars[i]) == BLANK) break;
        name.content += chars[i];
    }
    if (quoted_name && i < chars.size()) ++i;  // the closing quote
    elements.push_back(name);

    State state = BETWEEN;
    size_t pending = 0;  // backslashes seen and not yet given out
    for (; i <= chars.size(); ++i) {
        bool end = i == chars.size();
        Kind kind = end ? BLANK : kind_of(chars[i]);
        if (state == BETWEEN) {
            if (end || kind == BLANK) continue;
            elements.push_back({chars[i][0], ""});
            state = PLAIN;
        }
        std::string& out = elements.back().content;
        if (kind == BACKSLASH) {
            ++pending;
            if (state == JUST_CLOSED) state = PLAIN;
            continue;
        }
        if (kind == QUOTE) {
            out.append(pending / 2, '\\');
            bool escaped = pending % 2 == 1;
            pending = 0;
            if (escaped) {
                out += '"';
                if (state == JUST_CLOSED) state = PLAIN;
            } else if (state == PLAIN) {
                state = QUOTED;
            } else if (state == QUOTED) {
                state = JUST_CLOSED;
            } else {  // JUST_CLOSED: the second quote of a doubled pair
                out += '"';
                state = PLAIN;
            }
            continue;
        }
        out.append(pending, '\\');
        pending = 0;
        if (state == JUST_CLOSED) state = PLAIN;
        if (end || (kind == BLANK && state == PLAIN)) {
            state = BETWEEN;
            continue;
        }
        out += chars[i];
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
    std::vector<Element> want = model_split(text, locale);
    FUZZ_CHECK(list.count == static_cast<int32_t>(want.size()));
    for (int32_t i = 0; i < list.count; ++i) {
        FUZZ_CHECK(list.elements[i].marker == want[static_cast<size_t>(i)].marker);
        FUZZ_CHECK(list.elements[i].content == want[static_cast<size_t>(i)].content);
    }
    release(list.elements);
    return 0;
}
