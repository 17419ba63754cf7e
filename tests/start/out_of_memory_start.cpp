// Test helper: the program's own start-up, with one allocation of the
// argument list made to fail.
//
//   out_of_memory_start N [ARGUMENT ...]
//
// Runs what zub2wav runs when started with ARGUMENT ..., except that the
// N-th allocation fails (0: none does). The exit status is the program's.
#include <cstdlib>

#include "cli/allocation.h"
#include "cli/start.h"

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    fail_allocation(std::strtol(argv[1], nullptr, 10));
    argv[1] = argv[0];  // the helper's own name stands as the program's
    return start_program(argc - 1, argv + 1);
}
