// Wildcard patterns replaced by the sorted names of the entries they match.
#include <cstdint>
#include <cstring>

#include "cli/allocation.h"
#include "cli/argument_list.h"
#include "cli/name_order.h"
#include "platform/platform.h"

namespace {

// The list under construction; it grows one entry at a time, in order.
struct ArgumentBuilder {
    int32_t count;
    int32_t capacity;
    const char** entries;
};

int is_dot_or_dot_dot(const char* name) {
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// The first '*' or '?' of `text`, scanning by characters; nullptr if none.
const char* find_wildcard(const char* text) {
    for (const char* at = text; *at != '\0'; at = next_char(at)) {
        if (*at == '*' || *at == '?') return at;
    }
    return nullptr;
}

// With a pattern: starts a directory search for it and returns the first
// entry's bare name. With nullptr: the next name of that search. nullptr when
// there is no (further) entry; the search is closed then.
const char* find_entry(const char* pattern) {
    return pattern != nullptr ? find_first_entry(pattern) : find_next_entry();
}

// Appends one entry. 0 when memory runs out.
int append_argument(const char* text, ArgumentBuilder* builder) {
    if (builder->count == builder->capacity) {
        // Room for one more entry at a time would copy the list once per
        // match; doubling keeps the growth linear. The table of exactly the
        // list's size is made once it is complete.
        if (builder->capacity > INT32_MAX / 2 - 1) return 0;
        int32_t capacity = builder->capacity == 0 ? 16 : 2 * builder->capacity;
        auto** grown =
            static_cast<const char**>(allocate(sizeof(const char*) * static_cast<size_t>(capacity)));
        if (grown == nullptr) return 0;
        if (builder->count > 0) {
            std::memcpy(grown, builder->entries, sizeof(const char*) * static_cast<size_t>(builder->count));
        }
        release(builder->entries);
        builder->entries = grown;
        builder->capacity = capacity;
    }
    builder->entries[builder->count++] = text;
    return 1;
}

// Appends the sorted matches of the pattern `text`, whose first wildcard is
// at `wildcard`, or the text itself when nothing matches. 0 when memory runs
// out.
int expand_pattern(const char* text, const char* wildcard, ArgumentBuilder* builder) {
    // The directory prefix ends at the separator nearest before the first
    // wildcard. A colon ends it only as a drive's colon, the second byte.
    const char* separator = nullptr;
    for (const char* at = text; at < wildcard; at = next_char(at)) {
        if (is_path_separator(*at)) separator = at;
    }
    if (separator != nullptr && *separator == ':' && separator != text + 1)
        return append_argument(text, builder);
    size_t prefix_size = separator != nullptr ? static_cast<size_t>(separator - text) + 1 : 0;

    int32_t first_match = builder->count;
    for (const char* name = find_entry(text); name != nullptr; name = find_entry(nullptr)) {
        if (is_dot_or_dot_dot(name)) continue;
        size_t name_size = std::strlen(name);
        auto* match = static_cast<char*>(allocate(prefix_size + name_size + 1));
        if (match == nullptr || !append_argument(match, builder)) {
            close_search();
            return 0;
        }
        std::memcpy(match, text, prefix_size);
        std::memcpy(match + prefix_size, name, name_size + 1);
    }
    if (builder->count == first_match) return append_argument(text, builder);
    sort_matches(builder->entries + first_match, builder->count - first_match);
    return 1;
}

}  // namespace

int expand_wildcards(const SplitList* split, ArgumentList* list) {
    ArgumentBuilder builder = {0, 0, nullptr};
    int ok = 1;
    for (int32_t i = 0; i < split->count && ok; ++i) {
        const RawArgument& element = split->elements[i];
        const char* wildcard = element.marker == '"' ? nullptr : find_wildcard(element.content);
        // Where names may hold '*' and '?', a word naming an entry exactly is
        // that entry, not a pattern.
        if (wildcard == nullptr || name_exists_as_written(element.content)) {
            ok = append_argument(element.content, &builder);
        } else {
            ok = expand_pattern(element.content, wildcard, &builder);
        }
    }
    const char** table = nullptr;
    if (ok)
        table = static_cast<const char**>(
            allocate(sizeof(const char*) * (static_cast<size_t>(builder.count) + 1)));
    if (table != nullptr) {
        if (builder.count > 0) {
            std::memcpy(table, builder.entries, sizeof(const char*) * static_cast<size_t>(builder.count));
        }
        table[builder.count] = nullptr;
        list->count = builder.count;
        list->entries = table;
    }
    release(builder.entries);
    return table != nullptr;
}
