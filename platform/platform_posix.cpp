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
}  // namespace

struct Stream {
    int fd;
    int writing;
    int failed;
    int64_t file_offset;  // where the descriptor stands
    size_t begin;         // reading: next unread byte in buffer
    size_t end;           // reading: bytes in buffer; writing: bytes pending
    unsigned char* buffer;
};

namespace {

Stream* make_stream(int fd, int writing) {
    Stream* stream = static_cast<Stream*>(std::malloc(sizeof(Stream)));
    unsigned char* buffer = static_cast<unsigned char*>(std::malloc(STREAM_BUFFER_SIZE));
    if (stream == nullptr || buffer == nullptr) {
        std::free(stream);
        std::free(buffer);
        close(fd);
        return nullptr;
    }
    stream->fd = fd;
    stream->writing = writing;
    stream->failed = 0;
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
    int flags = fcntl(fd, F_GETFL);
    if (flags != -1) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return make_stream(fd, 0);
}

Stream* create_output_stream(const char* path) {
    if (fault_point(FAULT_OPEN, 1)) return nullptr;
    // O_NONBLOCK: an output name that is a FIFO without a reader fails
    // instead of hanging.
    int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd < 0) return nullptr;
    int flags = fcntl(fd, F_GETFL);
    if (flags != -1) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
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
            ssize_t got = read_some(stream->fd, stream->buffer, STREAM_BUFFER_SIZE);
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
    std::free(stream->buffer);
    std::free(stream);
    return ok;
}

int names_same_file(const Stream* stream, const char* path) {
    struct stat open_file;
    struct stat named;
    if (fstat(stream->fd, &open_file) != 0 || stat(path, &named) != 0) return 0;
    return open_file.st_dev == named.st_dev && open_file.st_ino == named.st_ino;
}

int remove_file(const char* path) { return unlink(path) == 0 ? 1 : 0; }
