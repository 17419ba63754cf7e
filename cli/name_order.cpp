#include "cli/name_order.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/platform.h"

namespace {

// The value of the character at `position` by which names compare, and the
// position of the next character. 0 when the code page cannot map it. The
// terminator, and a lead byte right before it, count as 0: the name ends.
int character_value(const char* position, unsigned* value, const char** next) {
    auto byte = static_cast<unsigned char>(*position);
    *next = position + 1;
    if (byte == 0) {
        *next = position;
        *value = 0;
        return 1;
    }
    if (!code_page_has_lead_bytes()) {
        // Only A to Z fold, so the underscore (5F) sorts before the letters.
        *value = (byte >= 'A' && byte <= 'Z') ? byte - 'A' + 'a' : byte;
        return 1;
    }
    if (!is_lead_byte(byte)) {
        *value = fold_single_byte(byte);
        return 1;
    }
    if (position[1] == '\0') {
        *value = 0;
        return 1;
    }
    const unsigned char character[2] = {byte, static_cast<unsigned char>(position[1])};
    unsigned char upper[2] = {0, 0};
    int upper_size = 0;
    if (!upper_double_byte(character, upper, &upper_size)) return 0;
    *value = upper_size == 1 ? upper[0] : upper[0] * 256u + upper[1];
    *next = position + 2;
    return 1;
}

// A name with its comparison key: the character values, two bytes each,
// most significant first, so that comparing keys byte by byte (shorter first
// on a common start) is comparing the names.
struct KeyedName {
    const char* name;
    const unsigned char* key;
    size_t key_size;
};

int compare_keys(const KeyedName& first, const KeyedName& second) {
    size_t common = std::min(first.key_size, second.key_size);
    int order = common == 0 ? 0 : std::memcmp(first.key, second.key, common);
    if (order != 0) return order;
    if (first.key_size == second.key_size) return 0;
    return first.key_size < second.key_size ? -1 : 1;
}

// Writes the key of `name` to `key` (room for two bytes per byte of the
// name) and returns its size, or -1 when a character cannot be mapped.
long make_key(const char* name, unsigned char* key) {
    long size = 0;
    for (;;) {
        unsigned value = 0;
        if (!character_value(name, &value, &name)) return -1;
        if (value == 0) return size;
        key[size++] = static_cast<unsigned char>(value >> 8);
        key[size++] = static_cast<unsigned char>(value & 0xFF);
    }
}

// Sorts by keys. 0, with the run untouched, when two names compare equal, a
// name cannot be mapped, or there is no memory for the keys: then only the
// exchange sort gives the right order.
int sort_by_keys(const char** run, int32_t count) {
    size_t key_bytes = 0;
    for (int32_t i = 0; i < count; ++i) key_bytes += 2 * std::strlen(run[i]);
    auto* names = static_cast<KeyedName*>(std::malloc(sizeof(KeyedName) * static_cast<size_t>(count)));
    auto* keys = static_cast<unsigned char*>(std::malloc(key_bytes + 1));
    int sorted = names != nullptr && keys != nullptr;
    unsigned char* key = keys;
    for (int32_t i = 0; sorted && i < count; ++i) {
        long size = make_key(run[i], key);
        if (size < 0) sorted = 0;
        names[i] = KeyedName{run[i], key, static_cast<size_t>(size)};
        key += size;
    }
    if (sorted) {
        std::sort(names, names + count,
                  [](const KeyedName& a, const KeyedName& b) { return compare_keys(a, b) < 0; });
        for (int32_t i = 1; i < count && sorted; ++i) {
            if (compare_keys(names[i - 1], names[i]) == 0) sorted = 0;
        }
    }
    if (sorted) {
        for (int32_t i = 0; i < count; ++i) run[i] = names[i].name;
    }
    std::free(names);
    std::free(keys);
    return sorted;
}

}  // namespace

int compare_names(const char* first, const char* second) {
    for (;;) {
        unsigned first_value = 0;
        unsigned second_value = 0;
        if (!character_value(first, &first_value, &first) ||
            !character_value(second, &second_value, &second)) {
            return 1;  // unmappable: the pair keeps its order
        }
        if (first_value != second_value) return first_value < second_value ? -1 : 1;
        if (first_value == 0) return 0;
    }
}

void exchange_sort_matches(const char** run, int32_t count) {
    for (int32_t p = 0; p + 1 < count; ++p) {
        for (int32_t q = p + 1; q < count; ++q) {
            if (compare_names(run[q], run[p]) < 0) std::swap(run[p], run[q]);
        }
    }
}

void sort_matches(const char** run, int32_t count) {
    if (count < 2) return;
    // With no two names equal, ascending order is one order only, which the
    // exchange sort reaches too.
    if (!sort_by_keys(run, count)) exchange_sort_matches(run, count);
}
