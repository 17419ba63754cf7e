// Windows interruptions: the console's Ctrl-C, Ctrl-Break and close events
// remove the incomplete output, then end the process with the status of an
// interrupted console program, STATUS_CONTROL_C_EXIT.
#include "platform/platform.h"

#include <atomic>
#include <cstring>

#include <windows.h>

namespace {

// The system runs a console handler on a thread of its own, beside the job.
// The state says who owns the name buffer: the job while NO_OUTPUT, nobody
// writes it while OUTPUT_INCOMPLETE, and once the handler has set ENDING
// the job must not touch it nor go on (see wait_for_the_end).
enum OutputState { NO_OUTPUT, OUTPUT_INCOMPLETE, ENDING };

char g_output_name[INTERRUPTED_OUTPUT_NAME_SIZE] = "";
std::atomic<int> g_state{NO_OUTPUT};

BOOL WINAPI on_console_event(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) return FALSE;
    if (g_state.exchange(ENDING) == OUTPUT_INCOMPLETE) {
        // The job's handle is still open (shared for deletion): the name
        // goes now or, at the latest, when the process ends below.
        DeleteFileA(g_output_name);
    }
    // No exit-time handlers or stream flushes: the job's thread may hold
    // their locks.
    TerminateProcess(GetCurrentProcess(), STATUS_CONTROL_C_EXIT);
    return TRUE;
}

// The handler is ending the process: the job waits for it, so the name
// buffer stays as the handler reads it.
void wait_for_the_end() {
    for (;;) Sleep(INFINITE);
}

}  // namespace

void handle_interruptions() { SetConsoleCtrlHandler(on_console_event, TRUE); }

void keep_output_name(const char* name) {
    int state = g_state.load();
    if (state == ENDING) wait_for_the_end();
    if (state == OUTPUT_INCOMPLETE) mark_output_complete();
    size_t length = std::strlen(name);
    if (length >= sizeof g_output_name) length = 0;  // kept as no name at all
    std::memcpy(g_output_name, name, length);
    g_output_name[length] = '\0';
}

void mark_output_incomplete() {
    if (g_output_name[0] == '\0') return;
    int expected = NO_OUTPUT;
    // The handler got here first: it did not see this output, which is
    // still empty and promises nothing.
    if (!g_state.compare_exchange_strong(expected, OUTPUT_INCOMPLETE) && expected == ENDING)
        wait_for_the_end();
}

void mark_output_complete() {
    int expected = OUTPUT_INCOMPLETE;
    if (!g_state.compare_exchange_strong(expected, NO_OUTPUT) && expected == ENDING) wait_for_the_end();
}
