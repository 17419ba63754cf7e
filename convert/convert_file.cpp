#include "convert/convert_file.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "convert/output_name.h"
#include "convert/source_header.h"
#include "convert/wav_header.h"
#include "platform/platform.h"

namespace {

// The samples move in blocks of this many bytes.
constexpr size_t COPY_BLOCK_SIZE = 4096;

// Every output name the job can make fits where an interruption finds it.
static_assert(PATH_BUFFER_SIZE <= INTERRUPTED_OUTPUT_NAME_SIZE);

// What went wrong with one file; each has one message.
enum Failure { NO_FAILURE, OPEN_FAILED, READ_FAILED, WRITE_FAILED, TOO_LARGE, SAME_AS_SOURCE };

// How a job ended: the failure, the file it concerns, and whether the output
// must go because it promises data it does not hold.
struct Outcome {
    Failure failure;
    const char* path;
    int discards_output;
};

// Where one conversion stands; the streams are nullptr until opened.
struct Job {
    const char* source_path;
    char output_name[PATH_BUFFER_SIZE];
    Stream* source;
    Stream* output;
};

// Writes the message for `failure` about `path` on standard error. Each
// message stands here whole, as the manual page lists it.
void report(Failure failure, const char* path) {
    if (failure == OPEN_FAILED) std::fprintf(stderr, "[E] failed to open '%s'\n", path);
    if (failure == READ_FAILED) std::fprintf(stderr, "[E] failed to read '%s'\n", path);
    if (failure == WRITE_FAILED) std::fprintf(stderr, "[E] failed to write '%s'\n", path);
    if (failure == TOO_LARGE) std::fprintf(stderr, "[E] '%s' is too large for a WAV file\n", path);
    if (failure == SAME_AS_SOURCE) std::fprintf(stderr, "[E] refusing to overwrite the source '%s'\n", path);
}

// Copies exactly `size` bytes from source to output through `block`, a
// buffer of COPY_BLOCK_SIZE bytes, and says which side failed.
Failure copy_bytes(Stream* source, uint64_t size, char* block, Stream* output) {
    while (size > 0) {
        // Where the system can copy between the files itself, the bytes do
        // not pass through the block; what it leaves goes below.
        size -= copy_stream_direct(source, size, output);
        if (size == 0) break;
        size_t want = size < COPY_BLOCK_SIZE ? static_cast<size_t>(size) : COPY_BLOCK_SIZE;
        size_t got = read_stream(source, block, want);
        // A source that ends early has shrunk since it was measured.
        if (got == 0) return READ_FAILED;
        if (!write_stream(block, got, output)) return WRITE_FAILED;
        size -= got;
    }
    return NO_FAILURE;
}

// Measures the source and leaves it at its start; -1 when it cannot.
int64_t measure_source(Stream* source) {
    if (!seek_stream_end(source)) return -1;
    int64_t size = tell_stream(source);
    if (!seek_stream_start(source)) return -1;
    return size;
}

// Runs the job up to the point where its files are to be closed and returns
// how it went; closing and cleaning up are the caller's.
Outcome run_job(Job* job) {
    const Outcome source_unopened = {OPEN_FAILED, job->source_path, 0};
    size_t path_length = std::strlen(job->source_path);
    if (path_length >= sizeof job->output_name) return source_unopened;
    std::memcpy(job->output_name, job->source_path, path_length + 1);
    if (!replace_extension(job->output_name, sizeof job->output_name, ".wav")) return source_unopened;

    job->source = open_source_stream(job->source_path);
    if (job->source == nullptr) return source_unopened;

    // These checks come before the output is touched, so a refusal leaves
    // whatever stands under the output's name as it was.
    int64_t size = measure_source(job->source);
    if (size < 0) return {READ_FAILED, job->source_path, 0};
    if (size > static_cast<int64_t>(WAV_MAX_DATA_SIZE) + SOURCE_HEADER_SIZE) {
        return {TOO_LARGE, job->source_path, 0};
    }
    if (names_same_file(job->source, job->output_name)) return {SAME_AS_SOURCE, job->source_path, 0};

    // From its creation to its successful close the output is incomplete:
    // an interruption then removes it.
    keep_output_name(job->output_name);
    job->output = create_output_stream(job->output_name);
    if (job->output == nullptr) return {OPEN_FAILED, job->output_name, 0};
    mark_output_incomplete();

    SourceHeader header;
    if (!read_source_header(job->source, &header)) {
        // A rejected header has been reported by the reader; a short one is
        // reported here. Either way the emptied output stays, 0 bytes long.
        if (tell_stream(job->source) < SOURCE_HEADER_SIZE) return {READ_FAILED, job->source_path, 0};
        return {NO_FAILURE, nullptr, 0};
    }
    uint64_t data_size = static_cast<uint64_t>(size - tell_stream(job->source));
    unsigned char image[WAV_HEADER_SIZE];
    fill_wav_header(&header, static_cast<uint32_t>(data_size), image);
    if (!write_stream(image, sizeof image, job->output)) return {WRITE_FAILED, job->output_name, 1};
    char block[COPY_BLOCK_SIZE];
    switch (copy_bytes(job->source, data_size, block, job->output)) {
        case READ_FAILED:
            return {READ_FAILED, job->source_path, 1};
        case WRITE_FAILED:
            return {WRITE_FAILED, job->output_name, 1};
        default:
            return {NO_FAILURE, nullptr, 0};
    }
}

}  // namespace

void convert_file(const char* source_path) {
    Job job = {source_path, {}, nullptr, nullptr};
    Outcome outcome = run_job(&job);

    // The one way out: both files closed, the outcome reported once, and an
    // output that promises data it does not hold removed.
    if (job.source != nullptr) close_stream(job.source);
    if (job.output != nullptr && !close_stream(job.output) && !outcome.discards_output) {
        // What was found before the close still stands; the output whose
        // close failed cannot be trusted either.
        report(outcome.failure, outcome.path);
        outcome = {WRITE_FAILED, job.output_name, 1};
    }
    report(outcome.failure, outcome.path);
    if (outcome.discards_output) remove_file(job.output_name);
    if (job.output != nullptr) mark_output_complete();
}
