// The process start-up: the argument list, then the driver.
#pragma once

// Builds the argument list and runs the driver with it. Returns the exit
// status: the driver's, or 255 after one line on standard error when memory
// runs out before the first file is touched.
int start_program(int argc, char** argv);
