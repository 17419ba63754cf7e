// The directory search on POSIX: the listing of one directory, filtered by
// the program's own wildcard matcher.
#include <cstdlib>
#include <cstring>

#include <dirent.h>

#include "platform/platform.h"

namespace {

// One search at a time: the directory being listed, the pattern's last part
// that entry names must match, and how many bytes at the start of a match
// belong to the expansion's prefix rather than to the bare name.
struct DirectorySearch {
    DIR* directory;
    char* name_pattern;
    size_t prefix_bytes;
};

DirectorySearch g_search = {nullptr, nullptr, 0};

int is_wildcard(char byte) { return byte == '*' || byte == '?'; }

// '*' stands for any run of characters, none included; '?' for exactly one
// character; every other character for itself, letter case significant.
// Characters are those of the locale's encoding.
int name_matches(const char* name, const char* pattern) {
    const char* after_star = nullptr;  // the pattern behind the last star met
    const char* star_end = nullptr;    // where that star's run ends in the name
    while (*name != '\0') {
        if (*pattern == '*') {
            after_star = ++pattern;
            star_end = name;
            continue;
        }
        const char* name_next = next_char(name);
        const char* pattern_next = next_char(pattern);
        if (*pattern == '?' || (*pattern != '\0' && pattern_next - pattern == name_next - name &&
                                std::memcmp(pattern, name, static_cast<size_t>(name_next - name)) == 0)) {
            name = name_next;
            pattern = pattern_next;
            continue;
        }
        if (after_star == nullptr) return 0;
        // Let the last star take one more character and try again.
        star_end = next_char(star_end);
        name = star_end;
        pattern = after_star;
    }
    while (*pattern == '*') ++pattern;
    return *pattern == '\0';
}

const char* next_match() {
    if (g_search.directory == nullptr) return nullptr;
    while (const dirent* entry = readdir(g_search.directory)) {
        if (name_matches(entry->d_name, g_search.name_pattern)) return entry->d_name + g_search.prefix_bytes;
    }
    close_search();
    return nullptr;
}

}  // namespace

void close_search() {
    if (g_search.directory != nullptr) closedir(g_search.directory);
    std::free(g_search.name_pattern);
    g_search = DirectorySearch{nullptr, nullptr, 0};
}

// Only '/' separates directories here: the search lists the directory up to
// the last '/' (the current one when there is none). A backslash or colon
// behind it is part of the entry names, but ends the expansion's prefix when
// it is the last separator before the first wildcard; the bare name reported
// is the entry name less that part, so prefix and bare name make the entry's
// path. A wildcard before any separator finds nothing: a match is a prefix
// as written and one bare name.
const char* find_first_entry(const char* pattern) {
    close_search();
    const char* first_wildcard = nullptr;
    const char* prefix_end = nullptr;  // the last separator before the first wildcard
    const char* last_separator = nullptr;
    const char* last_slash = nullptr;
    for (const char* at = pattern; *at != '\0'; at = next_char(at)) {
        if (is_wildcard(*at) && first_wildcard == nullptr) first_wildcard = at;
        if (!is_path_separator(*at)) continue;
        last_separator = at;
        if (first_wildcard == nullptr) prefix_end = at;
        if (*at == '/') last_slash = at;
    }
    if (first_wildcard != nullptr && last_separator != nullptr && last_separator > first_wildcard)
        return nullptr;

    const char* name_pattern = last_slash != nullptr ? last_slash + 1 : pattern;
    size_t directory_size = static_cast<size_t>(name_pattern - pattern);
    auto* directory = static_cast<char*>(std::malloc(directory_size + 2));
    g_search.name_pattern = strdup(name_pattern);
    if (directory == nullptr || g_search.name_pattern == nullptr) {
        std::free(directory);
        close_search();
        return nullptr;
    }
    if (directory_size == 0) {
        std::strcpy(directory, ".");
    } else {
        std::memcpy(directory, pattern, directory_size);
        directory[directory_size] = '\0';
    }
    g_search.directory = opendir(directory);
    std::free(directory);
    if (g_search.directory == nullptr) {
        close_search();
        return nullptr;
    }
    g_search.prefix_bytes = prefix_end != nullptr && prefix_end >= name_pattern
                                ? static_cast<size_t>(prefix_end + 1 - name_pattern)
                                : 0;
    return next_match();
}

const char* find_next_entry() { return next_match(); }
