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
// of exchange_sort_matches(). Each name's comparison key is computed once and
// the keys are sorted in O(n log n); only a run in which two names compare
// equal, or a name holds a double-byte character the code page cannot map,
// is left to the exchange sort, whose result depends on the original order.
void sort_matches(const char** run, int32_t count);

// The reference order: for each position p and each later position q, the
// two names change places when compare_names(run[q], run[p]) is negative.
// Quadratic; needs no memory of its own.
void exchange_sort_matches(const char** run, int32_t count);
