#include "cli/start.h"

#include <cstdio>

#include "cli/argument_list.h"
#include "cli/driver.h"
#include "platform/platform.h"

int start_program(int argc, char** argv) {
    platform_start(argc, argv);
    handle_interruptions();
    ArgumentList list = {0, nullptr};
    if (!build_argument_list(&list)) {
        std::fputs("zub2wav: out of memory\n", stderr);
        return 255;
    }
    return run_driver(list.count, list.entries);
}
