// Characters of the active code page, the same on every system: which bytes
// lead a double-byte character, how to step from one character to the next,
// which bytes separate the parts of a path, and the letter case of single
// bytes. The tables are set up from the system at the first need and kept.
#include <cstddef>

#include "platform/platform.h"
#include "platform/system_characters.h"

namespace {

struct LeadRange {
    unsigned char first;
    unsigned char last;
};

// The double-byte code pages whose lead bytes are fixed here rather than
// asked of the system.
struct KnownCodePage {
    int code_page;
    int range_count;
    LeadRange ranges[3];
};

constexpr KnownCodePage KNOWN_CODE_PAGES[] = {
    {932, 2, {{0x81, 0x9F}, {0xE0, 0xFC}, {0, 0}}},
    {936, 1, {{0x81, 0xFE}, {0, 0}, {0, 0}}},
    {949, 1, {{0x81, 0xFE}, {0, 0}, {0, 0}}},
    {950, 1, {{0x81, 0xFE}, {0, 0}, {0, 0}}},
    {1361, 3, {{0x81, 0xD3}, {0xD8, 0xDE}, {0xE0, 0xF9}}},
};

struct CodePageTables {
    int leads_ready;
    int has_lead_bytes;
    unsigned char lead[256];
    int case_ready;
    unsigned char folded[256];
};

CodePageTables g_tables = {};

void mark_leads(unsigned char first, unsigned char last) {
    for (int byte = first; byte <= last; ++byte) {
        g_tables.lead[byte] = 1;
        g_tables.has_lead_bytes = 1;
    }
}

void set_up_lead_bytes() {
    if (g_tables.leads_ready) return;
    for (unsigned char& lead : g_tables.lead) lead = 0;
    g_tables.has_lead_bytes = 0;
    int code_page = active_code_page();
    int known = 0;
    for (const KnownCodePage& entry : KNOWN_CODE_PAGES) {
        if (entry.code_page != code_page) continue;
        for (int i = 0; i < entry.range_count; ++i) mark_leads(entry.ranges[i].first, entry.ranges[i].last);
        known = 1;
    }
    if (!known) {
        unsigned char ranges[12];
        int pairs = code_page_lead_ranges(code_page, ranges);
        for (size_t i = 0; i < static_cast<size_t>(pairs) && i < 6; ++i) {
            unsigned char first = ranges[2 * i];
            unsigned char last = ranges[2 * i + 1];
            if (first <= last) mark_leads(first, last);
        }
    }
    g_tables.leads_ready = 1;
}

// Asked once for all single bytes; lead bytes are no characters on their own
// and keep their value.
void set_up_case() {
    if (g_tables.case_ready) return;
    set_up_lead_bytes();
    for (int value = 0; value < 256; ++value) {
        auto byte = static_cast<unsigned char>(value);
        g_tables.folded[value] = byte;
        if (value == 0 || g_tables.lead[value] || !byte_is_upper(byte)) continue;
        unsigned char lower = byte_to_lower(byte);
        if (lower != 0) g_tables.folded[value] = lower;
    }
    g_tables.case_ready = 1;
}

}  // namespace

int is_lead_byte(unsigned char byte) {
    set_up_lead_bytes();
    return g_tables.lead[byte];
}

int code_page_has_lead_bytes() {
    set_up_lead_bytes();
    return g_tables.has_lead_bytes;
}

const char* next_char(const char* position) {
    if (*position == '\0') return position;
    if (!code_page_has_lead_bytes()) return position + system_character_size(position);
    if (is_lead_byte(static_cast<unsigned char>(*position)) && position[1] != '\0') return position + 2;
    return position + 1;
}

int is_path_separator(char byte) { return byte == '/' || byte == '\\' || byte == ':'; }

unsigned char fold_single_byte(unsigned char byte) {
    set_up_case();
    return g_tables.folded[byte];
}

void forget_code_page() { g_tables = CodePageTables{}; }
