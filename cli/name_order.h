// The order of the matches of one wildcard pattern: names compared without
// regard to letter case, by characters of the active code page.
#pragma once

#include <cstdint>

// Negative when `first` sorts before `second`, 0 when they are equal,
// positive when `first` sorts after `second`. Upper-case letters count as
// their lower-case counterparts, and a double-byte character as its
// upper-case form; a double-byte character the code page cannot map makes
// the result positive.
int compare_names(const char* first, const char* second);

// Puts the `count` names at `run` in ascending order, with exactly the result
// of exchange_sort_matches(), names that compare equal included, in
// O(n log n): each name's comparison key is computed once, the keys are
// sorted, and each group of equal names is laid out as the exchange sort
// would leave it. Scratch memory in proportion to `count` is taken and given
// back; without it, or when a name holds a double-byte character the code
// page cannot map, the run is left to the exchange sort itself.
void sort_matches(const char** run, int32_t count);

// The reference order: for each position p and each later position q, the
// two names change places when compare_names(run[q], run[p]) is negative.
// Quadratic; needs no memory of its own.
void exchange_sort_matches(const char** run, int32_t count);
