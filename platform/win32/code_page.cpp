// The ANSI code page and the letter case of its characters on Windows.
#include <windows.h>

#include "platform/platform.h"
#include "platform/system_characters.h"

size_t system_character_size(const char* position) {
    return static_cast<size_t>(CharNextA(position) - position);
}

int active_code_page() { return static_cast<int>(GetACP()); }

int code_page_lead_ranges(int code_page, unsigned char ranges[12]) {
    CPINFO info;
    if (!GetCPInfo(static_cast<UINT>(code_page), &info) || info.MaxCharSize < 2) return 0;
    // LeadByte holds pairs of first and last byte, ended by a pair of zeros.
    int filled = 0;
    for (int i = 0; i + 1 < MAX_LEADBYTES && filled < 12; i += 2) {
        if (info.LeadByte[i] == 0 && info.LeadByte[i + 1] == 0) break;
        ranges[filled++] = info.LeadByte[i];
        ranges[filled++] = info.LeadByte[i + 1];
    }
    return filled / 2;
}

// Asked of the system at each call: the fold table of characters.cpp keeps
// the answers. A lead byte is no character on its own.
int byte_is_upper(unsigned char byte) {
    if (is_lead_byte(byte)) return 0;
    char character = static_cast<char>(byte);
    WORD type = 0;
    return GetStringTypeA(LOCALE_SYSTEM_DEFAULT, CT_CTYPE1, &character, 1, &type) && (type & C1_UPPER) ? 1
                                                                                                       : 0;
}

unsigned char byte_to_lower(unsigned char byte) {
    if (is_lead_byte(byte)) return byte;
    char character = static_cast<char>(byte);
    char lower = 0;
    if (LCMapStringA(LOCALE_SYSTEM_DEFAULT, LCMAP_LOWERCASE, &character, 1, &lower, 1) != 1) return byte;
    return static_cast<unsigned char>(lower);
}

int upper_double_byte(const unsigned char character[2], unsigned char upper[2], int* upper_size) {
    char in[2] = {static_cast<char>(character[0]), static_cast<char>(character[1])};
    char out[2] = {0, 0};
    int length = LCMapStringA(LOCALE_SYSTEM_DEFAULT, LCMAP_UPPERCASE, in, 2, out, 2);
    if (length != 1 && length != 2) return 0;
    upper[0] = static_cast<unsigned char>(out[0]);
    upper[1] = static_cast<unsigned char>(out[1]);
    *upper_size = length;
    return 1;
}
