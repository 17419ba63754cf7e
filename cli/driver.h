// The program's entry: one conversion per argument.
#pragma once

#include <cstdint>

// Writes the two usage lines to standard error.
void print_usage();

// Converts arguments[1 .. count - 1] in order and returns exit status 0.
// With no argument after the program's name it prints the usage and ends
// the process with status 1.
int run_driver(int32_t count, const char* const* arguments);
