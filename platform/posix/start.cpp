// Start-up and the command line on POSIX, where the shell has split it.
#include <clocale>

#include <sys/stat.h>
#include <unistd.h>

#include "platform/platform.h"

namespace {
int g_argc = 0;
char** g_argv = nullptr;
}  // namespace

void platform_start(int argc, char** argv) {
    g_argc = argc;
    g_argv = argv;
    // Character boundaries follow the user's locale, as the ANSI code page
    // does on Windows.
    std::setlocale(LC_CTYPE, "");
}

const char* raw_command_line() { return nullptr; }

int given_word_count() { return g_argc; }

const char* given_word(int index) {
    if (index < 0 || index >= g_argc) return nullptr;
    return g_argv[index];
}

int own_file_name(char* buffer, size_t size) {
    if (size == 0) return 0;
    ssize_t length = readlink("/proc/self/exe", buffer, size);
    if (length < 0 || static_cast<size_t>(length) >= size) return 0;
    buffer[length] = '\0';
    return 1;
}

int name_exists_as_written(const char* name) {
    struct stat info;
    return lstat(name, &info) == 0 ? 1 : 0;
}
