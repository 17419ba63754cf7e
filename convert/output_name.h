// The output's name: the source's name with its extension replaced.
#pragma once

#include <cstddef>

constexpr size_t PATH_BUFFER_SIZE = 4096;

// Puts `extension` in place of the extension of the path held in `path`, a
// buffer of `capacity` bytes, or appends it when the last part of the path
// has none. A dot counts only after the last backslash or slash. Returns 0,
// with the path unchanged, when the result would not fit.
int replace_extension(char* path, size_t capacity, const char* extension);
