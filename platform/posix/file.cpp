// POSIX implementation of the platform layer.
#include "platform/platform.h"

#include "platform/fault_injection.h"

#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <cwchar>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// ---------------------------------------------------------------- start-up

namespace {
int g_argc = 0;
char** g_argv = nullptr;
}  // namespace

void platform_start(int argc, char** argv) {
    g_argc = argc;
    g_argv = argv;
    // Character boundaries follow the user's locale, as the ANSI code page
    // does on Windows.
    std::setlocale(LC_CTYPE, "");
}

const char* raw_command_line() { return nullptr; }

int given_word_count() { return g_argc; }

const char* given_word(int index) {
    if (index < 0 || index >= g_argc) return nullptr;
    return g_argv[index];
}

int own_file_name(char* buffer, size_t size) {
    if (size == 0) return 0;
    ssize_t length = readlink("/proc/self/exe", buffer, size);
    if (length < 0 || static_cast<size_t>(length) >= size) return 0;
    buffer[length] = '\0';
    return 1;
}

int name_exists_as_written(const char* name) {
    struct stat info;
    return lstat(name, &info) == 0 ? 1 : 0;
}

// -------------------------------------------------------------- characters

const char* next_char(const char* position) {
    if (*position == '\0') return position;
    std::mbstate_t state{};
    size_t length = std::mbrlen(position, MB_CUR_MAX, &state);
    // An invalid or cut-off sequence steps one byte, so no byte is skipped.
    if (length == 0 || length == static_cast<size_t>(-1) || length == static_cast<size_t>(-2)) {
        length = 1;
    }
    return position + length;
}

// ----------------------------------------------------------------- streams

namespace {
// Large enough that a copy costs few system calls; fixed, so the memory of a
// conversion does not depend on the size of its files.
constexpr size_t STREAM_BUFFER_SIZE = size_t{256} * 1024;
// A source's first fill reads no more than this: enough for the header and
// the whole of a short source. A longer one goes on in the kernel
// (copy_stream_direct), so the rest of the buffer is never touched and the
// peak memory is the same for every size of file.
constexpr size_t FIRST_FILL_SIZE = size_t{16} * 1024;
// The most one copy_file_range call is asked to move.
constexpr size_t DIRECT_CHUNK_SIZE = size_t{1} << 30;
}  // namespace

struct Stream {
    int fd;
    int writing;
    int failed;
    int no_direct;        // reading: copy_stream_direct has stopped for good
    size_t fill_size;     // reading: bytes the next fill asks for
    int64_t file_offset;  // where the descriptor stands
    size_t begin;         // reading: next unread byte in buffer
    size_t end;           // reading: bytes in buffer; writing: bytes pending
    unsigned char* buffer;
    int identified;  // reading: the file's identity below is known
    dev_t device;
    ino_t inode;
};

namespace {

// The buffers of closed streams, kept for the next ones. A conversion has two
// streams open at a time; without these, a batch of many small files would
// have the allocator hand back, and the system unmap and map afresh, two
// buffers per file. Their contents mean nothing once a stream is closed.
unsigned char* g_spare_buffers[2] = {nullptr, nullptr};

unsigned char* take_buffer() {
    for (unsigned char*& spare : g_spare_buffers) {
        if (spare != nullptr) {
            unsigned char* buffer = spare;
            spare = nullptr;
            return buffer;
        }
    }
    return static_cast<unsigned char*>(std::malloc(STREAM_BUFFER_SIZE));
}

void release_buffer(unsigned char* buffer) {
    for (unsigned char*& spare : g_spare_buffers) {
        if (spare == nullptr) {
            spare = buffer;
            return;
        }
    }
    std::free(buffer);
}

Stream* make_stream(int fd, int writing) {
    Stream* stream = static_cast<Stream*>(std::malloc(sizeof(Stream)));
    unsigned char* buffer = take_buffer();
    if (stream == nullptr || buffer == nullptr) {
        std::free(stream);
        if (buffer != nullptr) release_buffer(buffer);
        close(fd);
        return nullptr;
    }
    stream->identified = 0;
    stream->fd = fd;
    stream->writing = writing;
    stream->failed = 0;
    stream->no_direct = 0;
    stream->fill_size = FIRST_FILL_SIZE;
    stream->file_offset = 0;
    stream->begin = 0;
    stream->end = 0;
    stream->buffer = buffer;
    return stream;
}

// Writes all of `size` bytes, resuming after partial writes and signals.
int write_all(int fd, const unsigned char* bytes, size_t size) {
    while (size > 0) {
        ssize_t written = write(fd, bytes, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return 0;
        }
        bytes += written;
        size -= static_cast<size_t>(written);
    }
    return 1;
}

ssize_t read_some(int fd, unsigned char* buffer, size_t size) {
    for (;;) {
        ssize_t got = read(fd, buffer, size);
        if (got >= 0 || errno != EINTR) return got;
    }
}

// Copies up to `size` bytes from one file's position to the other's inside
// the kernel; -1 with errno set where it cannot.
ssize_t kernel_copy(int from, int to, size_t size) {
#if defined(__linux__)
    return copy_file_range(from, nullptr, to, nullptr, size, 0);
#else
    (void)from;
    (void)to;
    (void)size;
    errno = ENOSYS;
    return -1;
#endif
}

int flush_pending(Stream* stream) {
    if (!stream->writing || stream->end == 0) return !stream->failed;
    if (!write_all(stream->fd, stream->buffer, stream->end)) stream->failed = 1;
    stream->file_offset += static_cast<int64_t>(stream->end);
    stream->end = 0;
    return !stream->failed;
}

}  // namespace

Stream* open_source_stream(const char* path) {
    if (fault_point(FAULT_OPEN, 0)) return nullptr;
    // O_NONBLOCK keeps the open of a FIFO without a writer from hanging; the
    // type check below then turns it away.
    int fd = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return nullptr;
    }
    // O_NONBLOCK stays: it changes nothing for a regular file, and clearing
    // it would cost a system call per file.
    Stream* stream = make_stream(fd, 0);
    if (stream != nullptr) {
        stream->identified = 1;
        stream->device = info.st_dev;
        stream->inode = info.st_ino;
    }
    return stream;
}

Stream* create_output_stream(const char* path) {
    if (fault_point(FAULT_OPEN, 1)) return nullptr;
    // O_NONBLOCK: an output name that is a FIFO without a reader fails
    // instead of hanging.
    int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd < 0) return nullptr;
    fcntl(fd, F_SETFL, 0);  // writes block as usual from here on
    return make_stream(fd, 1);
}

size_t read_stream(Stream* stream, void* buffer, size_t size) {
    if (int fault = fault_point(FAULT_READ, stream->writing)) {
        if (fault == FAULT_FAILS) stream->failed = 1;
        return 0;
    }
    if (stream->writing || stream->failed) return 0;
    unsigned char* out = static_cast<unsigned char*>(buffer);
    size_t done = 0;
    while (done < size) {
        if (stream->begin == stream->end) {
            // A request at least as large as the buffer goes straight through.
            if (size - done >= STREAM_BUFFER_SIZE) {
                ssize_t got = read_some(stream->fd, out + done, size - done);
                if (got < 0) stream->failed = 1;
                if (got <= 0) break;
                stream->file_offset += got;
                done += static_cast<size_t>(got);
                continue;
            }
            ssize_t got = read_some(stream->fd, stream->buffer, stream->fill_size);
            stream->fill_size = STREAM_BUFFER_SIZE;
            if (got < 0) stream->failed = 1;
            if (got <= 0) break;
            stream->file_offset += got;
            stream->begin = 0;
            stream->end = static_cast<size_t>(got);
        }
        size_t take = stream->end - stream->begin;
        if (take > size - done) take = size - done;
        std::memcpy(out + done, stream->buffer + stream->begin, take);
        stream->begin += take;
        done += take;
    }
    return done;
}

int write_stream(const void* bytes, size_t size, Stream* stream) {
    if (fault_point(FAULT_WRITE, stream->writing)) {
        stream->failed = 1;
        return 0;
    }
    if (!stream->writing || stream->failed) return 0;
    const unsigned char* in = static_cast<const unsigned char*>(bytes);
    if (stream->end + size > STREAM_BUFFER_SIZE) {
        if (!flush_pending(stream)) return 0;
        if (size >= STREAM_BUFFER_SIZE) {
            if (!write_all(stream->fd, in, size)) {
                stream->failed = 1;
                return 0;
            }
            stream->file_offset += static_cast<int64_t>(size);
            return 1;
        }
    }
    std::memcpy(stream->buffer + stream->end, in, size);
    stream->end += size;
    return 1;
}

int stream_failed(const Stream* stream) { return stream->failed; }

uint64_t copy_stream_direct(Stream* source, uint64_t size, Stream* output) {
    if (fault_point(FAULT_COPY, 0)) {
        source->no_direct = 1;
        return 0;
    }
    if (source->writing || !output->writing || source->failed || output->failed || source->no_direct)
        return 0;
    // A source that is all in the buffer already goes the ordinary way.
    size_t buffered = source->end - source->begin;
    if (size <= buffered) return 0;
    // Everything pending must be in the file before the kernel appends
    // behind it, and the bytes read ahead go first, straight from the
    // source's buffer: the output's buffer is left as untouched as for a
    // short file. A failed write is told by the caller's next write, which
    // fails too.
    if (!flush_pending(output)) return 0;
    if (!write_all(output->fd, source->buffer + source->begin, buffered)) {
        output->failed = 1;
        return 0;
    }
    output->file_offset += static_cast<int64_t>(buffered);
    source->begin = source->end;
    uint64_t moved = buffered;
    while (moved < size) {
        uint64_t left = size - moved;
        size_t want = left < DIRECT_CHUNK_SIZE ? static_cast<size_t>(left) : DIRECT_CHUNK_SIZE;
        ssize_t got = kernel_copy(source->fd, output->fd, want);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            // The kernel cannot copy between these files (EXDEV, EINVAL,
            // ENOSYS, EOPNOTSUPP, ...), the source ended early, or a read or
            // write failed. In each case the caller's reads and writes take
            // over where this stopped: they copy the rest, or meet the fault
            // on the side where it lies and report it as such.
            source->no_direct = 1;
            break;
        }
        source->file_offset += got;
        output->file_offset += got;
        moved += static_cast<uint64_t>(got);
    }
    return moved;
}

namespace {
int seek_stream(Stream* stream, int whence) {
    if (!flush_pending(stream)) return 0;
    off_t offset = lseek(stream->fd, 0, whence);
    if (offset < 0) return 0;
    stream->file_offset = offset;
    stream->begin = 0;
    stream->end = 0;
    return 1;
}
}  // namespace

int seek_stream_start(Stream* stream) {
    if (fault_point(FAULT_SEEK, stream->writing)) return 0;
    return seek_stream(stream, SEEK_SET);
}

int seek_stream_end(Stream* stream) {
    if (fault_point(FAULT_SEEK, stream->writing)) return 0;
    return seek_stream(stream, SEEK_END);
}

int64_t tell_stream(const Stream* stream) {
    if (fault_point(FAULT_TELL, stream->writing)) return -1;
    if (stream->writing) return stream->file_offset + static_cast<int64_t>(stream->end);
    return stream->file_offset - static_cast<int64_t>(stream->end - stream->begin);
}

int close_stream(Stream* stream) {
    // An injected failure still closes and frees, as a failed close does.
    int injected = fault_point(FAULT_CLOSE, stream->writing);
    int ok = flush_pending(stream) && !injected;
    if (close(stream->fd) != 0 && stream->writing) ok = 0;
    if (stream->writing && stream->failed) ok = 0;
    release_buffer(stream->buffer);
    std::free(stream);
    return ok;
}

int names_same_file(const Stream* stream, const char* path) {
    struct stat named;
    if (stat(path, &named) != 0) return 0;
    if (stream->identified) return stream->device == named.st_dev && stream->inode == named.st_ino;
    struct stat open_file;
    if (fstat(stream->fd, &open_file) != 0) return 0;
    return open_file.st_dev == named.st_dev && open_file.st_ino == named.st_ino;
}

int remove_file(const char* path) { return unlink(path) == 0 ? 1 : 0; }

// =====================================================================
// Code page and directory search, for the argument expansion. Kept apart
// from the stream code above; its own system headers follow.
// =====================================================================

#include <cctype>
#include <cwctype>

#include <dirent.h>
#include <iconv.h>
#include <langinfo.h>

// -------------------------------------------------------------- code page

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

// ------------------------------------------------------- directory search

namespace {

// One search at a time: the directory being listed, the pattern's last part
// that entry names must match, and how many bytes at the start of a match
// belong to the expansion's prefix rather than to the bare name.
struct DirectorySearch {
    DIR* directory;
    char* name_pattern;
    size_t prefix_bytes;
};

DirectorySearch g_search = {nullptr, nullptr, 0};

int is_wildcard(char byte) { return byte == '*' || byte == '?'; }

int is_separator(char byte) { return byte == '/' || byte == '\\' || byte == ':'; }

// '*' stands for any run of characters, none included; '?' for exactly one
// character; every other character for itself, letter case significant.
// Characters are those of the locale's encoding.
int name_matches(const char* name, const char* pattern) {
    const char* after_star = nullptr;  // the pattern behind the last star met
    const char* star_end = nullptr;    // where that star's run ends in the name
    while (*name != '\0') {
        if (*pattern == '*') {
            after_star = ++pattern;
            star_end = name;
            continue;
        }
        const char* name_next = next_char(name);
        const char* pattern_next = next_char(pattern);
        if (*pattern == '?' || (*pattern != '\0' && pattern_next - pattern == name_next - name &&
                                std::memcmp(pattern, name, static_cast<size_t>(name_next - name)) == 0)) {
            name = name_next;
            pattern = pattern_next;
            continue;
        }
        if (after_star == nullptr) return 0;
        // Let the last star take one more character and try again.
        star_end = next_char(star_end);
        name = star_end;
        pattern = after_star;
    }
    while (*pattern == '*') ++pattern;
    return *pattern == '\0';
}

const char* next_match() {
    if (g_search.directory == nullptr) return nullptr;
    while (const dirent* entry = readdir(g_search.directory)) {
        if (name_matches(entry->d_name, g_search.name_pattern)) return entry->d_name + g_search.prefix_bytes;
    }
    close_search();
    return nullptr;
}

}  // namespace

void close_search() {
    if (g_search.directory != nullptr) closedir(g_search.directory);
    std::free(g_search.name_pattern);
    g_search = DirectorySearch{nullptr, nullptr, 0};
}

// Only '/' separates directories here: the search lists the directory up to
// the last '/' (the current one when there is none). A backslash or colon
// behind it is part of the entry names, but ends the expansion's prefix when
// it is the last separator before the first wildcard; the bare name reported
// is the entry name less that part, so prefix and bare name make the entry's
// path. A wildcard before any separator finds nothing: a match is a prefix
// as written and one bare name.
const char* find_first_entry(const char* pattern) {
    close_search();
    const char* first_wildcard = nullptr;
    const char* prefix_end = nullptr;  // the last separator before the first wildcard
    const char* last_separator = nullptr;
    const char* last_slash = nullptr;
    for (const char* at = pattern; *at != '\0'; at = next_char(at)) {
        if (is_wildcard(*at) && first_wildcard == nullptr) first_wildcard = at;
        if (!is_separator(*at)) continue;
        last_separator = at;
        if (first_wildcard == nullptr) prefix_end = at;
        if (*at == '/') last_slash = at;
    }
    if (first_wildcard != nullptr && last_separator != nullptr && last_separator > first_wildcard)
        return nullptr;

    const char* name_pattern = last_slash != nullptr ? last_slash + 1 : pattern;
    size_t directory_size = static_cast<size_t>(name_pattern - pattern);
    auto* directory = static_cast<char*>(std::malloc(directory_size + 2));
    g_search.name_pattern = strdup(name_pattern);
    if (directory == nullptr || g_search.name_pattern == nullptr) {
        std::free(directory);
        close_search();
        return nullptr;
    }
    if (directory_size == 0) {
        std::strcpy(directory, ".");
    } else {
        std::memcpy(directory, pattern, directory_size);
        directory[directory_size] = '\0';
    }
    g_search.directory = opendir(directory);
    std::free(directory);
    if (g_search.directory == nullptr) {
        close_search();
        return nullptr;
    }
    g_search.prefix_bytes = prefix_end != nullptr && prefix_end >= name_pattern
                                ? static_cast<size_t>(prefix_end + 1 - name_pattern)
                                : 0;
    return next_match();
}

const char* find_next_entry() { return next_match(); }
