// What each operating system supplies for the character services of
// characters.cpp. Not for use outside platform/.
#pragma once

#include <cstddef>

// The size in bytes of the character at `position` (not the terminator) in
// an encoding without lead bytes, as the system steps it: UTF-8 and the
// like on POSIX; one byte on Windows. An invalid sequence is one byte.
size_t system_character_size(const char* position);
