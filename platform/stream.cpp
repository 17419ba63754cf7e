// The buffered stream, the same on every operating system, over the plain
// file calls of system_file.h. Every call on an open file passes through one
// of the checked_* functions (here and in stream_copy.cpp), where the
// fault-injection seam of the tests sits; the program itself is built
// without it.
#include <cstdlib>
#include <cstring>

#include "platform/fault_injection.h"
#include "platform/platform.h"
#include "platform/stream_internal.h"

namespace {
// A source's first fill reads no more than this: enough for the header and
// the whole of a short source. A longer one goes on beneath the caller's
// loop (copy_stream_direct, stream_copy.cpp), so the rest of the source's
// buffer is never touched and the peak memory is the same for every size of
// file.
constexpr size_t FIRST_FILL_SIZE = size_t{16} * 1024;

// ------------------------------------------------ the checked system calls

// An injected read failure reads nothing; FAULT_ENDS finds the file ended.
int64_t checked_read(const Stream* stream, void* buffer, size_t size) {
    if (int fault = fault_point(FAULT_READ, stream->writing)) return fault == FAULT_ENDS ? 0 : -1;
    return system_read(stream->file, buffer, size < MAX_TRANSFER ? size : MAX_TRANSFER);
}

int checked_write(const Stream* stream, const unsigned char* bytes, size_t size) {
    if (fault_point(FAULT_WRITE, stream->writing)) return 0;
    return system_write(stream->file, bytes, size);
}

int64_t checked_seek(const Stream* stream, int to_end) {
    if (fault_point(FAULT_SEEK, stream->writing)) return -1;
    return system_seek(stream->file, to_end);
}

// An injected failure still closes, as a failed close does.
int checked_close(const Stream* stream) {
    int injected = fault_point(FAULT_CLOSE, stream->writing);
    return system_close(stream->file) && !injected;
}

// ------------------------------------------------------------- buffers

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

Stream* make_stream(SystemFile file, int writing) {
    auto* stream = static_cast<Stream*>(std::malloc(sizeof(Stream)));
    unsigned char* buffer = take_buffer();
    if (stream == nullptr || buffer == nullptr) {
        std::free(stream);
        if (buffer != nullptr) release_buffer(buffer);
        system_close(file);
        return nullptr;
    }
    *stream = Stream{file, writing, 0, 0, 0, 0, FIRST_FILL_SIZE, 0, 0, 0, buffer, FileIdentity{0, 0}};
    return stream;
}

int seek_stream(Stream* stream, int to_end) {
    if (!flush_pending(stream)) return 0;
    int64_t offset = checked_seek(stream, to_end);
    if (offset < 0) return 0;
    stream->file_offset = offset;
    stream->ended = 0;
    stream->begin = 0;
    stream->end = 0;
    return 1;
}

}  // namespace

int write_through(Stream* stream, const unsigned char* bytes, size_t size) {
    if (!checked_write(stream, bytes, size)) {
        stream->failed = 1;
        return 0;
    }
    stream->file_offset += static_cast<int64_t>(size);
    return 1;
}

int flush_pending(Stream* stream) {
    if (!stream->writing || stream->end == 0) return !stream->failed;
    size_t pending = stream->end;
    stream->end = 0;
    return write_through(stream, stream->buffer, pending);
}

size_t read_through(Stream* stream, unsigned char* buffer, size_t size) {
    int64_t got = checked_read(stream, buffer, size);
    if (got < 0) stream->failed = 1;
    if (got <= 0) return 0;
    stream->file_offset += got;
    return static_cast<size_t>(got);
}

Stream* open_source_stream(const char* path) {
    if (fault_point(FAULT_OPEN, 0)) return nullptr;
    SystemFile file = 0;
    FileIdentity identity = {0, 0};
    if (!system_open_source(path, &file, &identity)) return nullptr;
    Stream* stream = make_stream(file, 0);
    if (stream != nullptr) stream->identity = identity;
    return stream;
}

Stream* create_output_stream(const char* path) {
    if (fault_point(FAULT_OPEN, 1)) return nullptr;
    SystemFile file = 0;
    if (!system_create_output(path, &file)) return nullptr;
    return make_stream(file, 1);
}

size_t read_stream(Stream* stream, void* buffer, size_t size) {
    if (stream->writing || stream->failed || stream->ended) return 0;
    auto* out = static_cast<unsigned char*>(buffer);
    size_t done = 0;
    while (done < size) {
        if (stream->begin == stream->end) {
            // A request at least as large as the buffer goes straight through.
            if (size - done >= STREAM_BUFFER_SIZE) {
                size_t got = read_through(stream, out + done, size - done);
                if (got == 0) break;
                done += got;
                continue;
            }
            size_t got = read_through(stream, stream->buffer, stream->fill_size);
            stream->fill_size = STREAM_BUFFER_SIZE;
            if (got == 0) break;
            stream->begin = 0;
            stream->end = got;
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
    const auto* in = static_cast<const unsigned char*>(bytes);
    if (stream->end + size > STREAM_BUFFER_SIZE) {
        if (!flush_pending(stream)) return 0;
        // A block at least as large as the buffer goes straight through.
        if (size >= STREAM_BUFFER_SIZE) return write_through(stream, in, size);
    }
    std::memcpy(stream->buffer + stream->end, in, size);
    stream->end += size;
    return 1;
}

int seek_stream_start(Stream* stream) { return seek_stream(stream, 0); }

int seek_stream_end(Stream* stream) { return seek_stream(stream, 1); }

int64_t tell_stream(const Stream* stream) {
    // No system call: the position is kept here.
    if (fault_point(FAULT_TELL, stream->writing)) return -1;
    if (stream->writing) return stream->file_offset + static_cast<int64_t>(stream->end);
    return stream->file_offset - static_cast<int64_t>(stream->end - stream->begin);
}

int close_stream(Stream* stream) {
    int ok = flush_pending(stream);
    if (!checked_close(stream) && stream->writing) ok = 0;
    if (stream->writing && stream->failed) ok = 0;
    release_buffer(stream->buffer);
    std::free(stream);
    return ok;
}

int names_same_file(const Stream* stream, const char* path) {
    FileIdentity named = {0, 0};
    if (!system_identify(path, &named)) return 0;
    return stream->identity.volume == named.volume && stream->identity.file == named.file;
}

int remove_file(const char* path) { return system_remove(path); }
