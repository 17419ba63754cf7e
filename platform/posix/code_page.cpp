// The locale's character set as a code page, and the letter case of its
// characters, on POSIX.
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <cwctype>

#include <iconv.h>
#include <langinfo.h>

#include "platform/platform.h"
#include "platform/system_characters.h"

// Multibyte characters of the locale's encoding (UTF-8, EUC-JP, ...).
size_t system_character_size(const char* position) {
    std::mbstate_t state{};
    size_t length = std::mbrlen(position, MB_CUR_MAX, &state);
    // An invalid or cut-off sequence steps one byte, so no byte is skipped.
    if (length == 0 || length == static_cast<size_t>(-1) || length == static_cast<size_t>(-2)) return 1;
    return length;
}

namespace {

// The locale's character set with letters upper-cased and '-', '_' and '.'
// left out, so "Shift_JIS", "SHIFT-JIS" and "shift_jis" all read SHIFTJIS.
void read_charset(char* out, size_t size) {
    const char* charset = nl_langinfo(CODESET);
    size_t length = 0;
    for (const char* at = charset; *at != '\0' && length + 1 < size; ++at) {
        if (*at == '-' || *at == '_' || *at == '.') continue;
        out[length++] = static_cast<char>(std::toupper(static_cast<unsigned char>(*at)));
    }
    out[length] = '\0';
}

struct CharsetCodePage {
    const char* charset;
    int code_page;
};

// The character sets whose characters can be two bytes with a trail byte
// below 0x80, by the code page whose lead bytes they share. GB18030's
// four-byte characters step as two such pairs.
constexpr CharsetCodePage DOUBLE_BYTE_CHARSETS[] = {
    {"SHIFTJIS", 932}, {"SJIS", 932},   {"CP932", 932},   {"WINDOWS31J", 932}, {"MSKANJI", 932},
    {"GBK", 936},      {"GB2312", 936}, {"EUCCN", 936},   {"CP936", 936},      {"GB18030", 936},
    {"EUCKR", 949},    {"UHC", 949},    {"CP949", 949},   {"BIG5", 950},       {"BIG5HKSCS", 950},
    {"CP950", 950},    {"JOHAB", 1361}, {"CP1361", 1361},
};

constexpr int CODE_PAGE_UTF8 = 65001;
constexpr int CODE_PAGE_SINGLE_BYTE = 20127;  // US-ASCII

}  // namespace

// Every other character set, UTF-8 included, has no lead bytes: its bytes
// of multibyte characters are never ASCII, so byte steps find every quote,
// separator and wildcard.
int active_code_page() {
    char charset[32];
    read_charset(charset, sizeof charset);
    for (const CharsetCodePage& entry : DOUBLE_BYTE_CHARSETS) {
        if (std::strcmp(charset, entry.charset) == 0) return entry.code_page;
    }
    return std::strcmp(charset, "UTF8") == 0 ? CODE_PAGE_UTF8 : CODE_PAGE_SINGLE_BYTE;
}

// The C library reports no lead-byte ranges; the double-byte code pages that
// active_code_page() names have fixed ones.
int code_page_lead_ranges(int, unsigned char*) { return 0; }

// The single-byte classes of the locale's character set.
int byte_is_upper(unsigned char byte) { return std::isupper(byte) ? 1 : 0; }

unsigned char byte_to_lower(unsigned char byte) { return static_cast<unsigned char>(std::tolower(byte)); }

namespace {

// Conversions between the locale's character set and wide characters,
// opened at the first need and again only when the character set changes.
struct CaseConverters {
    char charset[64];
    iconv_t to_wide;
    iconv_t from_wide;
};

CaseConverters g_converters = {"", nullptr, nullptr};

// nullptr when the C library has no such conversion.
iconv_t open_converter(const char* to, const char* from) {
    iconv_t converter = iconv_open(to, from);
    return reinterpret_cast<intptr_t>(converter) == -1 ? nullptr : converter;
}

int set_up_converters() {
    const char* charset = nl_langinfo(CODESET);
    if (std::strcmp(charset, g_converters.charset) != 0) {
        if (g_converters.to_wide != nullptr) iconv_close(g_converters.to_wide);
        if (g_converters.from_wide != nullptr) iconv_close(g_converters.from_wide);
        g_converters.to_wide = nullptr;
        g_converters.from_wide = nullptr;
        g_converters.charset[0] = '\0';
        if (std::strlen(charset) >= sizeof g_converters.charset) return 0;
        std::strcpy(g_converters.charset, charset);
        g_converters.to_wide = open_converter("WCHAR_T", charset);
        g_converters.from_wide = open_converter(charset, "WCHAR_T");
    }
    return g_converters.to_wide != nullptr && g_converters.from_wide != nullptr;
}

}  // namespace

int upper_double_byte(const unsigned char character[2], unsigned char upper[2], int* upper_size) {
    if (!set_up_converters()) return 0;
    char bytes[2] = {static_cast<char>(character[0]), static_cast<char>(character[1])};
    char* in = bytes;
    size_t in_left = sizeof bytes;
    wchar_t wide[2] = {0, 0};
    char* out = reinterpret_cast<char*>(wide);
    size_t out_left = sizeof wide;
    iconv(g_converters.to_wide, nullptr, nullptr, nullptr, nullptr);
    // Exactly one character must come of the two bytes.
    if (iconv(g_converters.to_wide, &in, &in_left, &out, &out_left) == static_cast<size_t>(-1) ||
        in_left != 0 || out_left != sizeof wide - sizeof(wchar_t)) {
        return 0;
    }
    wchar_t upper_wide = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(wide[0])));
    char result[8];
    in = reinterpret_cast<char*>(&upper_wide);
    in_left = sizeof upper_wide;
    out = result;
    out_left = sizeof result;
    iconv(g_converters.from_wide, nullptr, nullptr, nullptr, nullptr);
    if (iconv(g_converters.from_wide, &in, &in_left, &out, &out_left) == static_cast<size_t>(-1) ||
        iconv(g_converters.from_wide, nullptr, nullptr, &out, &out_left) == static_cast<size_t>(-1)) {
        return 0;
    }
    size_t size = sizeof result - out_left;
    if (size < 1 || size > 2) return 0;
    upper[0] = static_cast<unsigned char>(result[0]);
    upper[1] = size == 2 ? static_cast<unsigned char>(result[1]) : 0;
    *upper_size = static_cast<int>(size);
    return 1;
}
