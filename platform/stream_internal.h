// What the two halves of the stream share: the record, its sizes and the
// buffered calls beneath read_stream and write_stream. stream.cpp has the
// stream's own calls, stream_copy.cpp the copy of a large source. Not for
// use outside platform/.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/system_file.h"

// One buffer size for every stream, so the memory of a conversion does not
// depend on the size of its files. 64 KiB: the output's writes of a large
// copy are this long and end on multiples of it in the file, which is how
// file systems such as ext4 cache written data best; longer writes gain
// nothing there.
constexpr size_t STREAM_BUFFER_SIZE = size_t{64} * 1024;

// The most one read, write or system copy is asked to move (Windows counts
// in 32 bits).
constexpr size_t MAX_TRANSFER = size_t{1} << 30;

struct Stream {
    SystemFile file;
    int writing;
    int failed;
    int ended;            // reading: a copy found the end of the file
    int no_direct;        // reading: copy_stream_direct has stopped for good
    int reserved;         // writing: the copy has reserved the output's space
    size_t fill_size;     // reading: bytes the next fill asks for
    int64_t file_offset;  // where the system's file position stands
    size_t begin;         // reading: next unread byte in buffer
    size_t end;           // reading: bytes in buffer; writing: bytes pending
    unsigned char* buffer;
    FileIdentity identity;  // reading: the file that was opened
};

// Writes `size` bytes at the file's position; marks the stream failed when
// they cannot be written.
int write_through(Stream* stream, const unsigned char* bytes, size_t size);

// Writes what is pending in the buffer; 0 when it cannot (or could not
// before).
int flush_pending(Stream* stream);

// Reads into `buffer` at the file's position; the count, 0 at the end or on
// a failure (which marks the stream failed).
size_t read_through(Stream* stream, unsigned char* buffer, size_t size);
