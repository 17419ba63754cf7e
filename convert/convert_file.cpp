#include "convert/convert_file.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "convert/output_name.h"
#include "convert/source_header.h"
#include "convert/wav_header.h"
#include "platform/platform.h"

namespace {

// Copies exactly `size` bytes from source to output through `buffer`, in
// blocks of at most PATH_BUFFER_SIZE bytes, and says which side failed.
enum CopyResult { COPY_DONE, COPY_READ_FAILED, COPY_WRITE_FAILED };

CopyResult copy_bytes(Stream* source, uint64_t size, char* buffer, Stream* output) {
    while (size > 0) {
        // Where the system can copy between the files itself, the bytes do
        // not pass through the block buffer; what it leaves goes below.
        size -= copy_stream_direct(source, size, output);
        if (size == 0) break;
        size_t want = size < PATH_BUFFER_SIZE ? static_cast<size_t>(size) : PATH_BUFFER_SIZE;
        size_t got = read_stream(source, buffer, want);
        // A source that ends early has shrunk since it was measured.
        if (got == 0) return COPY_READ_FAILED;
        if (!write_stream(buffer, got, output)) return COPY_WRITE_FAILED;
        size -= got;
    }
    return COPY_DONE;
}

// Measures the source and leaves it at its start; -1 when it cannot.
int64_t measure_source(Stream* source) {
    if (!seek_stream_end(source)) return -1;
    int64_t size = tell_stream(source);
    if (!seek_stream_start(source)) return -1;
    return size;
}

// Every output name the job can make fits where an interruption finds it.
static_assert(PATH_BUFFER_SIZE <= INTERRUPTED_OUTPUT_NAME_SIZE);

}  // namespace

void convert_file(const char* source_path) {
    // The output's name is needed again after the copy when a failure makes
    // us remove the output, so it keeps a buffer of its own beside the
    // copy's block buffer. Both have a fixed size.
    char output_name[PATH_BUFFER_SIZE];
    size_t path_length = std::strlen(source_path);
    if (path_length >= sizeof output_name) {
        std::fprintf(stderr, "[E] failed to open '%s'\n", source_path);
        return;
    }
    std::memcpy(output_name, source_path, path_length + 1);
    if (!replace_extension(output_name, sizeof output_name, ".wav")) {
        std::fprintf(stderr, "[E] failed to open '%s'\n", source_path);
        return;
    }

    Stream* source = open_source_stream(source_path);
    if (source == nullptr) {
        std::fprintf(stderr, "[E] failed to open '%s'\n", source_path);
        return;
    }

    // Both checks come before the output is touched, so a refusal leaves
    // whatever stands under the output's name as it was.
    int64_t size = measure_source(source);
    if (size < 0) {
        std::fprintf(stderr, "[E] failed to read '%s'\n", source_path);
        close_stream(source);
        return;
    }
    if (size > static_cast<int64_t>(WAV_MAX_DATA_SIZE) + SOURCE_HEADER_SIZE) {
        std::fprintf(stderr, "[E] '%s' is too large for a WAV file\n", source_path);
        close_stream(source);
        return;
    }
    if (names_same_file(source, output_name)) {
        std::fprintf(stderr, "[E] refusing to overwrite the source '%s'\n", source_path);
        close_stream(source);
        return;
    }

    // From its creation to its successful close the output is incomplete:
    // an interruption then removes it.
    keep_output_name(output_name);
    Stream* output = create_output_stream(output_name);
    if (output == nullptr) {
        std::fprintf(stderr, "[E] failed to open '%s'\n", output_name);
        close_stream(source);
        return;
    }
    mark_output_incomplete();

    CopyResult result = COPY_DONE;
    SourceHeader header;
    if (read_source_header(source, &header)) {
        uint64_t data_size = static_cast<uint64_t>(size - tell_stream(source));
        unsigned char image[WAV_HEADER_SIZE];
        fill_wav_header(&header, static_cast<uint32_t>(data_size), image);
        char block[PATH_BUFFER_SIZE];
        result = write_stream(image, sizeof image, output) ? copy_bytes(source, data_size, block, output)
                                                           : COPY_WRITE_FAILED;
    } else if (tell_stream(source) < SOURCE_HEADER_SIZE) {
        // A rejected header has been reported by the reader; a short one is
        // reported here. Either way the emptied output stays, 0 bytes long.
        std::fprintf(stderr, "[E] failed to read '%s'\n", source_path);
    }

    close_stream(source);
    int closed = close_stream(output);
    // An incomplete output would promise data it does not hold: remove it.
    if (result == COPY_READ_FAILED) {
        std::fprintf(stderr, "[E] failed to read '%s'\n", source_path);
        remove_file(output_name);
    } else if (result == COPY_WRITE_FAILED || !closed) {
        std::fprintf(stderr, "[E] failed to write '%s'\n", output_name);
        remove_file(output_name);
    }
    mark_output_complete();
}
