// The quoting rules of the raw command line.
#include <cstddef>

#include "cli/allocation.h"
#include "cli/argument_list.h"
#include "platform/platform.h"

namespace {

// One run of the rules over the text. Without a table (`elements` is
// nullptr) it only counts the elements and the bytes of their texts; with one
// it fills the table and the texts behind it. Both runs take the same steps.
struct SplitOutput {
    RawArgument* elements;
    char* text;
    int32_t count;
    size_t bytes;
};

void begin_element(char marker, SplitOutput* out) {
    if (out->elements != nullptr) {
        out->elements[out->count].marker = marker;
        out->elements[out->count].content = out->text;
    }
    ++out->count;
}

void put_byte(char byte, SplitOutput* out) {
    if (out->elements != nullptr) *out->text++ = byte;
    ++out->bytes;
}

void put_backslashes(size_t count, SplitOutput* out) {
    for (size_t i = 0; i < count; ++i) put_byte('\\', out);
}

int is_blank(char byte) { return byte == ' ' || byte == '\t'; }

// Copies the character at `at` (a lead byte with its trail byte) and returns
// the position behind it. A lead byte right before the end goes alone.
const char* put_character(const char* at, SplitOutput* out) {
    if (is_lead_byte(static_cast<unsigned char>(*at)) && at[1] != '\0') put_byte(*at++, out);
    put_byte(*at++, out);
    return at;
}

// Element 0: quoted up to the next double quote, or unquoted up to the
// first blank or tab; backslashes are ordinary bytes here.
const char* split_program_name(const char* at, SplitOutput* out) {
    begin_element(*at, out);
    if (*at == '"') {
        ++at;
        while (*at != '\0' && *at != '"') at = put_character(at, out);
        if (*at == '"') ++at;  // the arguments begin right behind it
    } else {
        while (*at != '\0' && !is_blank(*at)) at = put_character(at, out);
    }
    put_byte('\0', out);
    return at;
}

// One further argument, starting at its first byte.
const char* split_argument(const char* at, SplitOutput* out) {
    begin_element(*at, out);
    int quoting = 0;
    for (;;) {
        size_t backslashes = 0;
        while (*at == '\\') {
            ++backslashes;
            ++at;
        }
        if (*at == '"') {
            put_backslashes(backslashes / 2, out);
            if (backslashes % 2 == 1) {
                put_byte('"', out);  // escaped
            } else if (!quoting) {
                quoting = 1;
            } else {
                quoting = 0;
                // A doubled quote in a quoted stretch gives one quote and
                // closes the stretch.
                if (at[1] == '"') {
                    ++at;
                    put_byte('"', out);
                }
            }
            ++at;
            continue;
        }
        put_backslashes(backslashes, out);
        if (*at == '\0' || (!quoting && is_blank(*at))) break;
        at = put_character(at, out);
    }
    put_byte('\0', out);
    return at;
}

void split_into(const char* text, SplitOutput* out) {
    const char* at = split_program_name(text, out);
    for (;;) {
        while (is_blank(*at)) ++at;
        if (*at == '\0') return;
        at = split_argument(at, out);
    }
}

}  // namespace

int split_command_line(const char* text, SplitList* list) {
    SplitOutput counted = {nullptr, nullptr, 0, 0};
    split_into(text, &counted);
    size_t table_size = sizeof(RawArgument) * static_cast<size_t>(counted.count);
    void* block = allocate(table_size + counted.bytes);
    if (block == nullptr) return 0;
    SplitOutput filled = {static_cast<RawArgument*>(block), static_cast<char*>(block) + table_size, 0, 0};
    split_into(text, &filled);
    list->count = filled.count;
    list->elements = filled.elements;
    return 1;
}
