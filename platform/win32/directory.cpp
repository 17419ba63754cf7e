// The directory search on Windows: the system matches the wildcards.
#include <windows.h>

#include "platform/platform.h"

namespace {
// One search at a time; its record lives as long as the process.
HANDLE g_search = INVALID_HANDLE_VALUE;
WIN32_FIND_DATAA g_entry;
}  // namespace

void close_search() {
    if (g_search != INVALID_HANDLE_VALUE) FindClose(g_search);
    g_search = INVALID_HANDLE_VALUE;
}

const char* find_first_entry(const char* pattern) {
    close_search();
    g_search = FindFirstFileA(pattern, &g_entry);
    if (g_search == INVALID_HANDLE_VALUE) return nullptr;
    return g_entry.cFileName;
}

const char* find_next_entry() {
    if (g_search == INVALID_HANDLE_VALUE) return nullptr;
    if (!FindNextFileA(g_search, &g_entry)) {
        close_search();
        return nullptr;
    }
    return g_entry.cFileName;
}
