#include "cli/name_order.h"

#include <algorithm>
#include <cstdint>
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

// A name with its comparison key (the character values, two bytes each,
// most significant first, so that comparing keys byte by byte, shorter first
// on a common start, is comparing the names) and its place in the run.
struct KeyedName {
    const char* name;
    const unsigned char* key;
    size_t key_size;
    int32_t position;
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

// Counts over positions 0 .. size - 1 (a Fenwick tree): `tree` holds
// size + 1 entries, entry 0 unused.
void add_count(int32_t* tree, int32_t size, int32_t position, int32_t amount) {
    for (int32_t i = position + 1; i <= size; i += i & -i) tree[i] += amount;
}

// The sum of the counts at positions 0 .. end - 1.
int32_t count_before(const int32_t* tree, int32_t end) {
    int32_t sum = 0;
    for (int32_t i = end; i > 0; i -= i & -i) sum += tree[i];
    return sum;
}

// The position holding the count that brings the sum past `rank` (all counts
// 0 or 1: the (rank + 1)-th position counted).
int32_t find_by_rank(const int32_t* tree, int32_t size, int32_t rank) {
    int32_t position = 0;
    int32_t step = 1;
    while (step <= size / 2) step *= 2;
    for (; step > 0; step /= 2) {
        if (position + step <= size && tree[position + step] <= rank) {
            position += step;
            rank -= tree[position];
        }
    }
    return position;
}

// Scratch space for ordering tie groups, each array `count` + 1 entries.
struct TieScratch {
    int32_t* smaller;  // 1 at the run positions of the groups already placed
    int32_t* slots;    // free places while a group is laid out
    int32_t* inserts;  // where each member of a group was put in
};

// Orders one group of names of one key, `group` sorted by position, into
// `out`. The exchange sort moves a name only while it is the first name of
// key at most its own in the unsorted rest, and then to the place of the
// first smaller name behind it; larger keys never touch the group. Its
// result for the group is therefore a queue, filled in the run's order: a
// member goes in at the back, and each smaller name met after a member
// turns the queue by one (front to back). All smaller names are marked in
// `scratch.smaller`, so the turns between two members are a count, and r
// members turned c times are turned c mod r times. The queue is kept as a
// ring: a list with a front index, each member inserted just before the
// front; the list is laid out afterwards from the last insertion back.
void order_tie_group(const KeyedName* group, int32_t members, int32_t count, const TieScratch& scratch,
                     const char** out) {
    int32_t front = 0;
    for (int32_t m = 0; m < members; ++m) {
        scratch.inserts[m] = front;
        int32_t size = m + 1;
        int32_t after = group[m].position + 1;
        int32_t until = m + 1 < members ? group[m + 1].position : count;
        int32_t turns = count_before(scratch.smaller, until) - count_before(scratch.smaller, after);
        front = static_cast<int32_t>((static_cast<int64_t>(front) + 1 + turns) % size);
    }
    // All places free, then each member, last inserted first, takes the free
    // place of its insertion's rank.
    for (int32_t i = 1; i <= members; ++i) scratch.slots[i] = i & -i;
    for (int32_t m = members - 1; m >= 0; --m) {
        int32_t place = find_by_rank(scratch.slots, members, scratch.inserts[m]);
        add_count(scratch.slots, members, place, -1);
        int32_t in_queue = place - front;
        if (in_queue < 0) in_queue += members;
        out[in_queue] = group[m].name;
    }
}

// Sorts by keys, ties as the exchange sort leaves them. 0, with the run
// untouched, when a name cannot be mapped or there is no memory: then only
// the exchange sort gives the right order.
int sort_by_keys(const char** run, int32_t count) {
    size_t key_bytes = 0;
    for (int32_t i = 0; i < count; ++i) key_bytes += 2 * std::strlen(run[i]);
    auto* names = static_cast<KeyedName*>(std::malloc(sizeof(KeyedName) * static_cast<size_t>(count)));
    auto* keys = static_cast<unsigned char*>(std::malloc(key_bytes + 1));
    int sorted = names != nullptr && keys != nullptr;
    unsigned char* key = keys;
    for (int32_t i = 0; sorted && i < count; ++i) {
        long size = make_key(run[i], key);
        if (size < 0) {
            sorted = 0;
            break;
        }
        names[i] = KeyedName{run[i], key, static_cast<size_t>(size), i};
        key += size;
    }
    int ties = 0;
    if (sorted) {
        std::sort(names, names + count, [](const KeyedName& a, const KeyedName& b) {
            int order = compare_keys(a, b);
            return order != 0 ? order < 0 : a.position < b.position;
        });
        for (int32_t i = 1; i < count && !ties; ++i) ties = compare_keys(names[i - 1], names[i]) == 0;
    }
    int32_t* counts = nullptr;
    if (sorted && ties) {
        // Three arrays of count + 1 entries.
        counts = static_cast<int32_t*>(std::calloc(3 * (static_cast<size_t>(count) + 1), sizeof(int32_t)));
        sorted = counts != nullptr;
    }
    if (sorted && !ties) {
        for (int32_t i = 0; i < count; ++i) run[i] = names[i].name;
    }
    if (sorted && ties) {
        size_t stride = static_cast<size_t>(count) + 1;
        TieScratch scratch = {counts, counts + stride, counts + 2 * stride};
        // Groups in key order: when a group is placed, exactly the smaller
        // names are marked.
        for (int32_t first = 0; first < count;) {
            int32_t end = first + 1;
            while (end < count && compare_keys(names[first], names[end]) == 0) ++end;
            if (end - first == 1) {
                run[first] = names[first].name;
            } else {
                order_tie_group(names + first, end - first, count, scratch, run + first);
            }
            for (int32_t i = first; i < end; ++i) add_count(scratch.smaller, count, names[i].position, 1);
            first = end;
        }
    }
    std::free(counts);
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
    if (!sort_by_keys(run, count)) exchange_sort_matches(run, count);
}
