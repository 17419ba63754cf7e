#include "cli/driver.h"

#include <cstdio>
#include <cstdlib>

#include "convert/convert_file.h"

void print_usage() {
    std::fprintf(stderr, "zub to wav converter\n");
    std::fprintf(stderr, "usage: zub2wav in.zub\n");
}

int run_driver(int32_t count, const char* const* arguments) {
    if (count < 2) {
        print_usage();
        std::exit(1);  // flushes the standard streams
    }
    // Each file is finished, both of its files closed, before the next; the
    // outcome of one does not change the exit status.
    for (int32_t index = 1; index < count; ++index) convert_file(arguments[index]);
    return 0;
}
