// The active code page as the argument expansion sees it: which bytes lead a
// double-byte character, and the letter case of single bytes. Both are set
// up from the platform at the first need and then kept.
#pragma once

// 1 when `byte` leads a double-byte character of the active code page.
int is_lead_byte(unsigned char byte);

// 1 when the active code page has lead bytes at all.
int code_page_has_lead_bytes();

// The position of the character after the one at `position`: two bytes on
// for a lead byte with its trail byte, one otherwise. A lead byte right
// before the terminator is one character of its own; the terminator itself
// is not stepped over.
const char* step_character(const char* position);

// A single-byte character's lower-case counterpart when the code page
// classes it as an upper-case letter, otherwise the byte itself. Only used
// where the code page has lead bytes.
unsigned char fold_single_byte(unsigned char byte);

// Tests only: forgets the tables, so that the next need sets them up again
// from the code page then active.
void forget_code_page();
