// The buffered stream, the same on every operating system, over the plain
// file calls of system_file.h. Every call on an open file passes through one
// of the checked_* functions below, where the fault-injection seam of the
// tests sits; the program itself is built without it.
#include <cstdlib>
#include <cstring>

#include "platform/fault_injection.h"
#include "platform/platform.h"
#include "platform/system_file.h"

namespace {
// Large enough that a copy costs few system calls; fixed, so the memory of a
// conversion does not depend on the size of its files.
constexpr size_t STREAM_BUFFER_SIZE = size_t{256} * 1024;
// A source's first fill reads no more than this: enough for the header and
// the whole of a short source. A longer one goes on inside the system
// (copy_stream_direct), so the rest of the buffer is never touched and the
// peak memory is the same for every size of file.
constexpr size_t FIRST_FILL_SIZE = size_t{16} * 1024;
// The most one read, write or system copy is asked to move (Windows counts
// in 32 bits).
constexpr size_t MAX_TRANSFER = size_t{1} << 30;
}  // namespace

struct Stream {
    SystemFile file;
    int writing;
    int failed;
    int no_direct;        // reading: copy_stream_direct has stopped for good
    size_t fill_size;     // reading: bytes the next fill asks for
    int64_t file_offset;  // where the system's file position stands
    size_t begin;         // reading: next unread byte in buffer
    size_t end;           // reading: bytes in buffer; writing: bytes pending
    unsigned char* buffer;
    FileIdentity identity;  // reading: the file that was opened
};

namespace {

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

int64_t checked_copy(const Stream* source, const Stream* output, size_t size) {
    if (fault_point(FAULT_COPY, 0)) return -1;
    return system_copy(source->file, output->file, size);
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
    *stream = Stream{file, writing, 0, 0, FIRST_FILL_SIZE, 0, 0, 0, buffer, FileIdentity{0, 0}};
    return stream;
}

// Writes `size` bytes at the file's position; marks the stream failed when
// they cannot be written.
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

// Reads into `buffer` at the file's position; the count, 0 at the end or on
// a failure (which marks the stream failed).
size_t read_through(Stream* stream, unsigned char* buffer, size_t size) {
    int64_t got = checked_read(stream, buffer, size);
    if (got < 0) stream->failed = 1;
    if (got <= 0) return 0;
    stream->file_offset += got;
    return static_cast<size_t>(got);
}

int seek_stream(Stream* stream, int to_end) {
    if (!flush_pending(stream)) return 0;
    int64_t offset = checked_seek(stream, to_end);
    if (offset < 0) return 0;
    stream->file_offset = offset;
    stream->begin = 0;
    stream->end = 0;
    return 1;
}

}  // namespace

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
    if (stream->writing || stream->failed) return 0;
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

uint64_t copy_stream_direct(Stream* source, uint64_t size, Stream* output) {
    if (source->writing || !output->writing || source->failed || output->failed || source->no_direct)
        return 0;
    // A source that is all in the buffer already goes the ordinary way.
    size_t buffered = source->end - source->begin;
    if (size <= buffered) return 0;
    // Everything pending must be in the file before the system appends
    // behind it, and the bytes read ahead go first, straight from the
    // source's buffer: the output's buffer is left as untouched as for a
    // short file. A failed write is told by the caller's next write, which
    // fails too.
    if (!flush_pending(output)) return 0;
    if (!write_through(output, source->buffer + source->begin, buffered)) return 0;
    source->begin = source->end;
    uint64_t moved = buffered;
    while (moved < size) {
        uint64_t left = size - moved;
        int64_t got =
            checked_copy(source, output, left < MAX_TRANSFER ? static_cast<size_t>(left) : MAX_TRANSFER);
        if (got <= 0) {
            // The system cannot copy between these files, the source ended
            // early, or a read or write failed. In each case the caller's
            // reads and writes take over where this stopped: they copy the
            // rest, or meet the fault on the side where it lies and report it
            // as such.
            source->no_direct = 1;
            break;
        }
        source->file_offset += got;
        output->file_offset += got;
        moved += static_cast<uint64_t>(got);
    }
    return moved;
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
