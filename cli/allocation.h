// Memory for the argument list. Every block lives until the process ends
// (the list is built once and read until exit), so blocks are chained to
// one another and stay reachable; only scratch space is given back.
#pragma once

#include <cstddef>

// A block of `size` bytes, suitably aligned for any type; nullptr when
// memory runs out.
void* allocate(size_t size);

// Gives back a block from allocate() that nothing refers to any longer.
// nullptr is ignored.
void release(void* block);

// Test seam: makes the `number`-th call of allocate() from now fail (1 is
// the next call); 0 makes none fail. The program itself never sets it.
void fail_allocation(long number);
