// The ANSI code page and the letter case of its characters on Windows.
#include <windows.h>

#include "platform/platform.h"

const char* next_char(const char* position) { return CharNextA(position); }

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

namespace {

// Letter case of every single byte of the ANSI code page, asked of the
// system once, at the first need. Lead bytes are no characters on their own
// and keep their value.
struct CaseTable {
    int ready;
    unsigned char is_upper[256];
    unsigned char lower[256];
};
CaseTable g_case = {};

void set_up_case_table() {
    if (g_case.ready) return;
    UINT code_page = GetACP();
    for (int value = 0; value < 256; ++value) {
        char byte = static_cast<char>(value);
        g_case.is_upper[value] = 0;
        g_case.lower[value] = static_cast<unsigned char>(value);
        if (IsDBCSLeadByteEx(code_page, static_cast<BYTE>(value))) continue;
        WORD type = 0;
        if (GetStringTypeA(LOCALE_SYSTEM_DEFAULT, CT_CTYPE1, &byte, 1, &type) && (type & C1_UPPER)) {
            g_case.is_upper[value] = 1;
        }
        char lower = 0;
        if (LCMapStringA(LOCALE_SYSTEM_DEFAULT, LCMAP_LOWERCASE, &byte, 1, &lower, 1) == 1) {
            g_case.lower[value] = static_cast<unsigned char>(lower);
        }
    }
    g_case.ready = 1;
}

}  // namespace

int byte_is_upper(unsigned char byte) {
    set_up_case_table();
    return g_case.is_upper[byte];
}

unsigned char byte_to_lower(unsigned char byte) {
    set_up_case_table();
    return g_case.lower[byte];
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
