// Win32 implementation of the platform layer, on the ANSI ("A") calls, so
// names are bytes in the system's ANSI code page.
#include "platform/platform.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <io.h>
#include <windows.h>

// The MinGW C runtime would otherwise expand wildcards in the words it hands
// to main(); the program builds its arguments from the raw command line by
// its own quoting and expansion rules instead.
extern "C" {
int _dowildcard = 0;
}

// ---------------------------------------------------------------- start-up

namespace {
int g_argc = 0;
char** g_argv = nullptr;
}  // namespace

void platform_start(int argc, char** argv) {
    g_argc = argc;
    g_argv = argv;
    // Each message line goes out as CR LF.
    _setmode(_fileno(stderr), _O_TEXT);
    // A name on a drive without a medium fails quietly, as any missing file
    // does, instead of raising a dialog box.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
}

const char* raw_command_line() { return GetCommandLineA(); }

int given_word_count() { return g_argc; }

const char* given_word(int index) {
    if (index < 0 || index >= g_argc) return nullptr;
    return g_argv[index];
}

int own_file_name(char* buffer, size_t size) {
    char name[MAX_PATH];  // 260 bytes, the terminator included
    DWORD length = GetModuleFileNameA(nullptr, name, sizeof name);
    // A name that fills the buffer has been cut short.
    if (length == 0 || length >= sizeof name || length >= size) return 0;
    std::memcpy(buffer, name, length + 1);
    return 1;
}

// Windows names cannot hold '*' or '?', so a word with one is always a pattern.
int name_exists_as_written(const char*) { return 0; }

// -------------------------------------------------------------- characters

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

// ------------------------------------------------------- directory search

namespace {
// One search at a time; its record lives as long as the process.
HANDLE g_search = INVALID_HANDLE_VALUE;
WIN32_FIND_DATAA g_entry;
}  // namespace

void close_search() {
    if (g_search != INVALID_HANDLE_VALUE) FindClose(g_search);
    g_search = INVALID_HANDLE_VALUE;
}

const char* find_first_entry(const char* pattern) {
    close_search();
    g_search = FindFirstFileA(pattern, &g_entry);
    if (g_search == INVALID_HANDLE_VALUE) return nullptr;
    return g_entry.cFileName;
}

const char* find_next_entry() {
    if (g_search == INVALID_HANDLE_VALUE) return nullptr;
    if (!FindNextFileA(g_search, &g_entry)) {
        close_search();
        return nullptr;
    }
    return g_entry.cFileName;
}

// ----------------------------------------------------------------- streams

namespace {
// Large enough that a copy costs few system calls; fixed, so the memory of a
// conversion does not depend on the size of its files.
constexpr size_t STREAM_BUFFER_SIZE = size_t{256} * 1024;

// ReadFile and WriteFile count in 32 bits.
constexpr size_t MAX_TRANSFER = 1u << 30;
}  // namespace

struct Stream {
    HANDLE handle;
    int writing;
    int failed;
    int64_t file_offset;  // where the handle stands
    size_t begin;         // reading: next unread byte in buffer
    size_t end;           // reading: bytes in buffer; writing: bytes pending
    unsigned char* buffer;
};

namespace {

Stream* make_stream(HANDLE handle, int writing) {
    Stream* stream = static_cast<Stream*>(std::malloc(sizeof(Stream)));
    unsigned char* buffer = static_cast<unsigned char*>(std::malloc(STREAM_BUFFER_SIZE));
    if (stream == nullptr || buffer == nullptr) {
        std::free(stream);
        std::free(buffer);
        CloseHandle(handle);
        return nullptr;
    }
    stream->handle = handle;
    stream->writing = writing;
    stream->failed = 0;
    stream->file_offset = 0;
    stream->begin = 0;
    stream->end = 0;
    stream->buffer = buffer;
    return stream;
}

int write_all(HANDLE handle, const unsigned char* bytes, size_t size) {
    while (size > 0) {
        DWORD want = static_cast<DWORD>(size < MAX_TRANSFER ? size : MAX_TRANSFER);
        DWORD written = 0;
        if (!WriteFile(handle, bytes, want, &written, nullptr) || written == 0) return 0;
        bytes += written;
        size -= written;
    }
    return 1;
}

// The count read, 0 at the end of the file, -1 on a failure.
int64_t read_some(HANDLE handle, unsigned char* buffer, size_t size) {
    DWORD want = static_cast<DWORD>(size < MAX_TRANSFER ? size : MAX_TRANSFER);
    DWORD got = 0;
    if (!ReadFile(handle, buffer, want, &got, nullptr)) return -1;
    return static_cast<int64_t>(got);
}

int flush_pending(Stream* stream) {
    if (!stream->writing || stream->end == 0) return !stream->failed;
    if (!write_all(stream->handle, stream->buffer, stream->end)) stream->failed = 1;
    stream->file_offset += static_cast<int64_t>(stream->end);
    stream->end = 0;
    return !stream->failed;
}

constexpr DWORD SHARE_READ_WRITE = FILE_SHARE_READ | FILE_SHARE_WRITE;

}  // namespace

Stream* open_source_stream(const char* path) {
    HANDLE handle = CreateFileA(path, GENERIC_READ, SHARE_READ_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    // Only files on disk are sources: a console, a pipe or a device such as
    // NUL fails like a missing file.
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileInformationByHandle(handle, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        CloseHandle(handle);
        return nullptr;
    }
    return make_stream(handle, 0);
}

Stream* create_output_stream(const char* path) {
    // Shared for deletion, so an interruption can remove it while open.
    HANDLE handle = CreateFileA(path, GENERIC_WRITE, SHARE_READ_WRITE | FILE_SHARE_DELETE, nullptr,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    return make_stream(handle, 1);
}

size_t read_stream(Stream* stream, void* buffer, size_t size) {
    if (stream->writing || stream->failed) return 0;
    unsigned char* out = static_cast<unsigned char*>(buffer);
    size_t done = 0;
    while (done < size) {
        if (stream->begin == stream->end) {
            // A request at least as large as the buffer goes straight through.
            if (size - done >= STREAM_BUFFER_SIZE) {
                int64_t got = read_some(stream->handle, out + done, size - done);
                if (got < 0) stream->failed = 1;
                if (got <= 0) break;
                stream->file_offset += got;
                done += static_cast<size_t>(got);
                continue;
            }
            int64_t got = read_some(stream->handle, stream->buffer, STREAM_BUFFER_SIZE);
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
    if (!stream->writing || stream->failed) return 0;
    const unsigned char* in = static_cast<const unsigned char*>(bytes);
    if (stream->end + size > STREAM_BUFFER_SIZE) {
        if (!flush_pending(stream)) return 0;
        if (size >= STREAM_BUFFER_SIZE) {
            if (!write_all(stream->handle, in, size)) {
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

// Windows has no call that copies a byte range from one open file to the end
// of another inside the system, so the caller's blocks copy everything.
uint64_t copy_stream_direct(Stream* /*source*/, uint64_t /*size*/, Stream* /*output*/) { return 0; }

namespace {
int seek_stream(Stream* stream, DWORD method) {
    if (!flush_pending(stream)) return 0;
    LARGE_INTEGER distance;
    distance.QuadPart = 0;
    LARGE_INTEGER offset;
    if (!SetFilePointerEx(stream->handle, distance, &offset, method)) return 0;
    stream->file_offset = offset.QuadPart;
    stream->begin = 0;
    stream->end = 0;
    return 1;
}
}  // namespace

int seek_stream_start(Stream* stream) { return seek_stream(stream, FILE_BEGIN); }

int seek_stream_end(Stream* stream) { return seek_stream(stream, FILE_END); }

int64_t tell_stream(const Stream* stream) {
    if (stream->writing) return stream->file_offset + static_cast<int64_t>(stream->end);
    return stream->file_offset - static_cast<int64_t>(stream->end - stream->begin);
}

int close_stream(Stream* stream) {
    int ok = flush_pending(stream);
    if (!CloseHandle(stream->handle) && stream->writing) ok = 0;
    if (stream->writing && stream->failed) ok = 0;
    std::free(stream->buffer);
    std::free(stream);
    return ok;
}

int names_same_file(const Stream* stream, const char* path) {
    // Attributes only, shared every way, so that even a file another program
    // holds open can be looked at; FILE_FLAG_BACKUP_SEMANTICS lets a
    // directory be opened too.
    HANDLE named = CreateFileA(path, FILE_READ_ATTRIBUTES, SHARE_READ_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (named == INVALID_HANDLE_VALUE) return 0;
    BY_HANDLE_FILE_INFORMATION open_file;
    BY_HANDLE_FILE_INFORMATION named_file;
    int same = GetFileInformationByHandle(stream->handle, &open_file) &&
               GetFileInformationByHandle(named, &named_file) &&
               open_file.dwVolumeSerialNumber == named_file.dwVolumeSerialNumber &&
               open_file.nFileIndexHigh == named_file.nFileIndexHigh &&
               open_file.nFileIndexLow == named_file.nFileIndexLow;
    CloseHandle(named);
    return same ? 1 : 0;
}

int remove_file(const char* path) { return DeleteFileA(path) ? 1 : 0; }
