// Start-up and the command line on POSIX, where the shell has split it.
#include <clocale>

#include <sys/stat.h>
#include <unistd.h>

#include "platform/platform.h"
#include "platform/system_start.h"

void system_start() {
    // Character boundaries follow the user's locale, as the ANSI code page
    // does on Windows.
    std::setlocale(LC_CTYPE, "");
}

const char* raw_command_line() { return nullptr; }

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
