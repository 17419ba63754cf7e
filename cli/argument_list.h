// The argument list: the command line split by the program's quoting rules
// and every wildcard pattern replaced by its sorted matches, built once
// before the first file is touched. All text is bytes of the active code
// page; every scan moves by whole characters.
#pragma once

#include <cstdint>

// One element of the split command line.
struct RawArgument {
    char marker;          // the element's first byte on the command line, before any quote handling
    const char* content;  // the element after quote and backslash handling
};

// The split command line; element 0 is the program's name and always there.
struct SplitList {
    int32_t count;
    RawArgument* elements;
};

// What the driver receives: `count` entries (at least 1), then nullptr.
// Entry 0 is the program's name. Nothing of it is ever freed.
struct ArgumentList {
    int32_t count;
    const char** entries;
};

// Builds the argument list from what the platform hands over: its raw
// command line (or the program's own file name when that is empty), or
// else the words its shell has split, each taken as one element whose
// marker is its first byte. 0 when memory runs out.
int build_argument_list(ArgumentList* list);

// Cuts `text` into elements by the quoting rules; one allocation holds the
// whole list. 0 when memory runs out.
int split_command_line(const char* text, SplitList* list);

// Replaces every element that holds a wildcard, began with no double quote
// and names no existing entry as written, by its sorted matches. 0 when
// memory runs out.
int expand_wildcards(const SplitList* split, ArgumentList* list);
