// Start-up and the command line on Windows, where the program splits the
// raw command line itself. The ANSI ("A") calls throughout platform/win32
// take names as bytes in the system's ANSI code page.
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "platform/platform.h"
#include "platform/system_start.h"

// The MinGW C runtime would otherwise expand wildcards in the words it hands
// to main(); the program builds its arguments from the raw command line by
// its own quoting and expansion rules instead.
extern "C" {
int _dowildcard = 0;
}

// ---------------------------------------------------------------- start-up

void system_start() {
    // Each message line goes out as CR LF.
    _setmode(_fileno(stderr), _O_TEXT);
    // A name on a drive without a medium fails quietly, as any missing file
    // does, instead of raising a dialog box.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
}

const char* raw_command_line() { return GetCommandLineA(); }

int own_file_name(char* buffer, size_t size) {
    char name[MAX_PATH];  // 260 bytes, the terminator included
    DWORD length = GetModuleFileNameA(nullptr, name, sizeof name);
    // A name that fills the buffer has been cut short.
    if (length == 0 || length >= sizeof name || length >= size) return 0;
    std::memcpy(buffer, name, length + 1);
    return 1;
}

// Windows names cannot hold '*' or '?', so a word with one is always a pattern.
int name_exists_as_written(const char*) { return 0; }
