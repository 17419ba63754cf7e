// The copy of a large source beneath the conversion's block loop: the bytes
// go from the source file straight into the output's buffer, or from file to
// file inside the system where that is faster, never through the caller's
// block.
#include <cstring>

#include "platform/fault_injection.h"
#include "platform/platform.h"
#include "platform/stream_internal.h"

namespace {

int64_t checked_copy(const Stream* source, const Stream* output, size_t size) {
    if (fault_point(FAULT_COPY, 0)) return -1;
    return system_copy(source->file, output->file, size);
}

// An injected failure is a disk without the space.
int checked_reserve(const Stream* output, int64_t size) {
    if (fault_point(FAULT_RESERVE, 1)) return 0;
    return system_reserve(output->file, size);
}

// Where the output's next byte goes in its file.
int64_t output_position(const Stream* output) {
    return output->file_offset + static_cast<int64_t>(output->end);
}

// Appends to the output's buffer and writes it once the pending bytes end
// on a multiple of its size in the file (or fill it): every write of a
// large copy but the last ends on such an offset. 0 when a write failed.
int fill_output(Stream* output, size_t size) {
    output->end += size;
    if (output_position(output) % STREAM_BUFFER_SIZE != 0 && output->end < STREAM_BUFFER_SIZE) return 1;
    return flush_pending(output);
}

// The most the output's buffer takes before its next aligned write.
size_t output_room(const Stream* output, uint64_t left) {
    size_t room = STREAM_BUFFER_SIZE - static_cast<size_t>(output_position(output) % STREAM_BUFFER_SIZE);
    if (room > STREAM_BUFFER_SIZE - output->end) room = STREAM_BUFFER_SIZE - output->end;
    return left < room ? static_cast<size_t>(left) : room;
}

// Copies inside the system from an aligned output position on: the count,
// 0 where the system does not (or no longer) copies between these files;
// the reads and writes then take over and meet any fault themselves.
uint64_t copy_in_system(Stream* source, uint64_t size, Stream* output) {
    uint64_t moved = 0;
    while (moved < size) {
        uint64_t left = size - moved;
        int64_t got =
            checked_copy(source, output, left < MAX_TRANSFER ? static_cast<size_t>(left) : MAX_TRANSFER);
        if (got <= 0) break;
        source->file_offset += got;
        output->file_offset += got;
        moved += static_cast<uint64_t>(got);
    }
    return moved;
}

}  // namespace

uint64_t copy_stream_direct(Stream* source, uint64_t size, Stream* output) {
    if (source->writing || !output->writing || source->failed || output->failed || source->no_direct)
        return 0;
    // A source that is all in the buffer already goes the ordinary way.
    size_t buffered = source->end - source->begin;
    if (size <= buffered) return 0;
    source->no_direct = 1;
    // The output's whole size is claimed before a byte is copied, so its
    // blocks are laid out at once, and a disk without the space fails here.
    if (!output->reserved) {
        output->reserved = 1;
        if (!checked_reserve(output, output_position(output) + static_cast<int64_t>(size))) {
            output->failed = 1;
            return 0;
        }
    }
    // The bytes read ahead first, then the source's own reads straight into
    // the output's buffer. A failed read or write, or an early end, stops
    // the copy; the caller's next read or write then fails on that side.
    uint64_t moved = 0;
    int system_copies = 1;
    while (moved < size) {
        // The system copies from the files' positions: only once nothing
        // is left in either buffer, and from an aligned offset on.
        if (system_copies && source->begin == source->end && output->end == 0 &&
            output->file_offset % STREAM_BUFFER_SIZE == 0) {
            moved += copy_in_system(source, size - moved, output);
            system_copies = 0;
            if (moved == size) break;
        }
        size_t want = output_room(output, size - moved);
        size_t got = source->end - source->begin;
        if (got > 0) {
            if (got > want) got = want;
            std::memcpy(output->buffer + output->end, source->buffer + source->begin, got);
            source->begin += got;
        } else {
            got = read_through(source, output->buffer + output->end, want);
            if (got == 0) {
                source->ended = !source->failed;
                break;
            }
        }
        moved += got;
        if (!fill_output(output, got)) break;
    }
    return moved;
}
