// The start-up's one look at the command line.
#include "cli/allocation.h"
#include "cli/argument_list.h"
#include "platform/platform.h"

namespace {

// The program's own file name stands in for an empty raw command line.
constexpr size_t OWN_NAME_BUFFER_SIZE = 260;

// Where the shell has split the command line already, each word is one
// element, and its first byte stands for the byte that began it on a
// command line: a word that begins with a double quote is never expanded.
int split_given_words(SplitList* list) {
    int32_t count = given_word_count() > 0 ? given_word_count() : 1;
    auto* elements = static_cast<RawArgument*>(allocate(sizeof(RawArgument) * static_cast<size_t>(count)));
    if (elements == nullptr) return 0;
    for (int32_t i = 0; i < count; ++i) {
        const char* word = given_word(i);
        if (word == nullptr) word = "";  // even a missing name is element 0
        elements[i] = RawArgument{word[0], word};
    }
    list->count = count;
    list->elements = elements;
    return 1;
}

}  // namespace

int build_argument_list(ArgumentList* list) {
    SplitList split = {0, nullptr};
    const char* raw = raw_command_line();
    if (raw == nullptr) {
        if (!split_given_words(&split)) return 0;
    } else {
        static char own_name[OWN_NAME_BUFFER_SIZE];
        const char* text = raw;
        if (raw[0] == '\0') {
            // A name that does not fit leaves the text empty: an empty
            // program name and no arguments.
            if (!own_file_name(own_name, sizeof own_name)) own_name[0] = '\0';
            text = own_name;
        }
        if (!split_command_line(text, &split)) return 0;
    }
    return expand_wildcards(&split, list);
}
