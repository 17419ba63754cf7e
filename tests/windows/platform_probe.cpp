// Test helper: prints what the Win32 platform layer answers, one fact a
// line, for the Wine tests to compare with what the code page demands.
//
//   platform_probe PATTERN NAME
//
// PATTERN is searched with find_first_entry / find_next_entry; NAME (bytes
// of the ANSI code page) is stepped through with next_char.
#include <cstdio>

#include "platform/platform.h"

int main(int argc, char** argv) {
    platform_start(argc, argv);
    if (argc != 3) return 2;
    std::printf("code_page=%d\n", active_code_page());

    unsigned char ranges[12];
    int pairs = code_page_lead_ranges(active_code_page(), ranges);
    std::printf("lead_ranges=");
    for (int i = 0; i < pairs; ++i)
        std::printf("%s%02X-%02X", i ? "," : "", ranges[2 * i], ranges[2 * i + 1]);
    std::printf("\n");

    std::printf("upper=");
    for (int byte = 1; byte < 256; ++byte) {
        if (byte_is_upper(static_cast<unsigned char>(byte))) std::printf("%02X", byte);
    }
    std::printf("\nlower=");
    for (int byte = 1; byte < 256; ++byte) {
        unsigned char lower = byte_to_lower(static_cast<unsigned char>(byte));
        if (lower != byte) std::printf("%02X>%02X,", byte, lower);
    }
    std::printf("\n");

    // Full-width small a, full-width capital A, katakana so (trail byte 5C).
    const unsigned char samples[3][2] = {{0x82, 0x81}, {0x82, 0x60}, {0x83, 0x5C}};
    std::printf("upper_double_byte=");
    for (const auto& sample : samples) {
        unsigned char upper[2] = {0, 0};
        int size = 0;
        if (upper_double_byte(sample, upper, &size)) {
            std::printf("%02X%02X>%02X%02X/%d,", sample[0], sample[1], upper[0], upper[1], size);
        }
    }
    std::printf("\n");

    std::printf("steps=");
    for (const char* at = argv[2]; *at != '\0';) {
        const char* next = next_char(at);
        std::printf("%d", static_cast<int>(next - at));
        at = next;
    }
    std::printf("\n");

    // Every entry, then one call past the end, which must find the search
    // closed and answer nothing.
    std::printf("entries=");
    for (const char* name = find_first_entry(argv[1]); name != nullptr; name = find_next_entry()) {
        std::printf("%s|", name);
    }
    std::printf("\npast_end=%s\n", find_next_entry() == nullptr ? "none" : "entry");
    std::printf("no_match=%s\n", find_first_entry("no such name*") == nullptr ? "none" : "entry");

    char own[4096];
    std::printf("own_file_name=%s\n", own_file_name(own, sizeof own) ? own : "(none)");
    std::printf("own_file_name_small=%d\n", own_file_name(own, 4));
    std::printf("exists_as_written=%d\n", name_exists_as_written(argv[1]));
    return 0;
}
