// The start-up every system shares: the words the C runtime handed over,
// kept for the argument list.
#include "platform/platform.h"
#include "platform/system_start.h"

namespace {
int g_argc = 0;
char** g_argv = nullptr;
}  // namespace

void platform_start(int argc, char** argv) {
    g_argc = argc;
    g_argv = argv;
    system_start();
}

int given_word_count() { return g_argc; }

const char* given_word(int index) {
    if (index < 0 || index >= g_argc) return nullptr;
    return g_argv[index];
}
