// POSIX interruptions: SIGINT, SIGTERM and SIGHUP remove the incomplete
// output, then end the process by the same signal, so the caller sees the
// usual status (130 for SIGINT in a shell).
#include "platform/platform.h"

#include <atomic>
#include <csignal>
#include <cstring>

#include <signal.h>
#include <unistd.h>

namespace {

constexpr int INTERRUPTIONS[] = {SIGINT, SIGTERM, SIGHUP};

// Written only while g_incomplete is 0; the handler reads it only while
// g_incomplete is 1. The handler runs on the only thread, between two
// instructions of the job, so the flag's order against the buffer is all
// that matters.
char g_output_name[INTERRUPTED_OUTPUT_NAME_SIZE] = "";
std::atomic<int> g_incomplete{0};
static_assert(std::atomic<int>::is_always_lock_free, "the handler needs a lock-free flag");

// Async-signal-safe calls only: unlink, sigaction, sigprocmask, raise.
void on_interruption(int signal_number) {
    if (g_incomplete.load(std::memory_order_acquire) != 0) unlink(g_output_name);
    struct sigaction default_action = {};
    default_action.sa_handler = SIG_DFL;
    sigemptyset(&default_action.sa_mask);
    sigaction(signal_number, &default_action, nullptr);
    // The signal is blocked while its handler runs: let it through, so the
    // raise below ends the process at once.
    sigset_t own;
    sigemptyset(&own);
    sigaddset(&own, signal_number);
    sigprocmask(SIG_UNBLOCK, &own, nullptr);
    raise(signal_number);
}

}  // namespace

void handle_interruptions() {
    struct sigaction action = {};
    action.sa_handler = on_interruption;
    // One interruption at a time: a second one waits until the first has
    // removed the output and ended the process.
    sigemptyset(&action.sa_mask);
    for (int signal_number : INTERRUPTIONS) sigaddset(&action.sa_mask, signal_number);
    for (int signal_number : INTERRUPTIONS) {
        // A signal the process was started with ignored (nohup, a
        // background job) stays ignored.
        struct sigaction inherited = {};
        if (sigaction(signal_number, nullptr, &inherited) != 0 || inherited.sa_handler == SIG_IGN) continue;
        sigaction(signal_number, &action, nullptr);
    }
}

void keep_output_name(const char* name) {
    g_incomplete.store(0, std::memory_order_release);  // the buffer is the job's again
    size_t length = std::strlen(name);
    if (length >= sizeof g_output_name) length = 0;  // kept as no name at all
    std::memcpy(g_output_name, name, length);
    g_output_name[length] = '\0';
}

void mark_output_incomplete() {
    if (g_output_name[0] != '\0') g_incomplete.store(1, std::memory_order_release);
}

void mark_output_complete() { g_incomplete.store(0, std::memory_order_release); }
