#include "cli/driver.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
    platform_start(argc, argv);
    return run_driver(argc, argv);
}
