#include "convert/output_name.h"

#include <cstring>

#include "platform/platform.h"

int replace_extension(char* path, size_t capacity, const char* extension) {
    // Walk by whole characters, so the trail byte of a double-byte character
    // is never taken for a dot or a separator.
    char* dot = nullptr;
    char* position = path;
    while (*position != '\0') {
        if (*position == '.') {
            dot = position;
        } else if (*position == '\\' || *position == '/') {
            // A dot in a directory's name is not the file's extension.
            dot = nullptr;
        }
        position = path + (next_char(position) - path);
    }
    char* start = dot != nullptr ? dot : position;
    size_t needed = static_cast<size_t>(start - path) + std::strlen(extension) + 1;
    if (needed > capacity) return 0;
    std::memcpy(start, extension, std::strlen(extension) + 1);
    return 1;
}
