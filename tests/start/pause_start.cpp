// Test helper: the program's own start-up and conversions, stopping itself
// (SIGSTOP) at one call of the stream functions, so a test can send a signal
// while the job stands at a known point, then let it go on (SIGCONT).
//
//   pause_start OPERATION WRITING NTH [ARGUMENT ...]
//
// OPERATION is open, read, write, seek, tell, close, copy or reserve; WRITING 1 for
// the output's stream, 0 for the source's; NTH counts from 1. Runs what
// zub2wav runs when started with ARGUMENT ... The exit status is the
// program's.
#include <csignal>
#include <cstdlib>
#include <cstring>

#include "cli/start.h"
#include "platform/fault_injection.h"

namespace {
void stop_here() { std::raise(SIGSTOP); }
}  // namespace

int main(int argc, char** argv) {
    static const char* const OPERATIONS[] = {"open", "read",  "write", "seek",
                                             "tell", "close", "copy",  "reserve"};
    static_assert(sizeof OPERATIONS / sizeof OPERATIONS[0] == FAULT_OPERATIONS);
    if (argc < 4) return 2;
    int operation = 0;
    while (operation < FAULT_OPERATIONS && std::strcmp(argv[1], OPERATIONS[operation]) != 0) ++operation;
    if (operation == FAULT_OPERATIONS) return 2;
    set_fault_pause(stop_here);
    arm_fault(static_cast<FaultOperation>(operation), std::atoi(argv[2]), std::atoi(argv[3]), FAULT_PAUSES);
    argv[3] = argv[0];  // the helper's own name stands as the program's
    return start_program(argc - 3, argv + 3);
}
