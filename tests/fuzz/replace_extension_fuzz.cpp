// Any path that fits the name buffer, in a buffer of any size that holds it:
// the output name ends in ".wav", keeps everything up to the last separator
// and the name before its last dot, and fits its buffer; or, when it would
// not fit, the path is refused and left unchanged.
#include <clocale>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "convert/output_name.h"
#include "fuzz_check.h"
#include "platform/platform.h"

namespace {

// The expected output name, found by walking the path by characters as the
// platform steps them: cut at the last dot after the last separator, if any.
std::string expected_name(const std::string& path) {
    size_t last_dot = std::string::npos;
    const char* start = path.c_str();
    for (const char* p = start; *p != '\0'; p = next_char(p)) {
        if (*p == '/' || *p == '\\') {
            last_dot = std::string::npos;  // a dot before it belongs to a directory
        } else if (*p == '.') {
            last_dot = static_cast<size_t>(p - start);
        }
    }
    return path.substr(0, last_dot == std::string::npos ? path.size() : last_dot) + ".wav";
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Character stepping follows the locale: take a multibyte one, so that
    // invalid and cut-off sequences are stepped too.
    const char* locale = std::getenv("ZUB2WAV_FUZZ_LOCALE");
    std::setlocale(LC_CTYPE, locale != nullptr ? locale : "C.UTF-8");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    // The path: the bytes after the first two, up to a zero byte, and at most
    // what the name buffer holds with its terminator.
    const char* text = reinterpret_cast<const char*>(data + 2);
    std::string path(text, strnlen(text, size - 2));
    if (path.size() >= PATH_BUFFER_SIZE) path.resize(PATH_BUFFER_SIZE - 1);
    // The first two bytes choose the buffer's size, from just the path and
    // its terminator up to the full name buffer.
    size_t spare = PATH_BUFFER_SIZE - path.size();
    size_t capacity = path.size() + 1 + (data[0] | (data[1] << 8)) % spare;

    // A buffer of exactly that size, so a write past it is caught.
    char* buffer = static_cast<char*>(std::malloc(capacity));
    FUZZ_CHECK(buffer != nullptr);
    std::memcpy(buffer, path.c_str(), path.size() + 1);
    int done = replace_extension(buffer, capacity, ".wav");

    std::string want = expected_name(path);
    if (want.size() + 1 <= capacity) {
        FUZZ_CHECK(done == 1);
        FUZZ_CHECK(std::strlen(buffer) == want.size());
        FUZZ_CHECK(std::string(buffer) == want);
    } else {
        FUZZ_CHECK(done == 0);
        FUZZ_CHECK(std::memcmp(buffer, path.c_str(), path.size() + 1) == 0);
    }
    std::free(buffer);
    return 0;
}
