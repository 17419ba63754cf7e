// The character locales the command-line targets run under, chosen by one
// byte of each input: code pages without lead bytes (C, UTF-8) and with them
// (Shift_JIS 932, GBK 936, EUC-KR 949, Big5 950). The double-byte ones are
// made with localedef (Debian package locales) on first use.
#pragma once

#include <cstdint>

struct FuzzLocale {
    const char* name;
    int lead_ranges;            // pairs in `leads`
    unsigned char leads[3][2];  // first and last lead byte of each range
};

// Switches LC_CTYPE to the locale that `selector` picks among those this
// machine has, and makes the code page be set up again. Returns the locale.
const FuzzLocale& use_fuzz_locale(uint8_t selector);

// 1 when `byte` leads a double-byte character of `locale`, by its own table.
int fuzz_lead_byte(const FuzzLocale& locale, unsigned char byte);
