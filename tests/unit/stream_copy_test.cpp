// copy_stream_direct: the copy inside the system must move exactly the bytes
// the ordinary read and write would, stop where they would, and hand over to
// them where it cannot copy.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/platform.h"
#include "temp_directory.h"

#if defined(__unix__)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

namespace fs = std::filesystem;

constexpr size_t HEADER = 32;

std::vector<char> pattern(size_t size) {
    std::vector<char> bytes(size);
    uint32_t state = 12345;
    for (char& byte : bytes) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<char>(state >> 23);
    }
    return bytes;
}

std::vector<char> read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class StreamCopy : public ::testing::Test {
protected:
    // A source of `size` bytes, opened, with its first HEADER bytes read as
    // the conversion reads its header.
    Stream* open_source(size_t size) {
        source_bytes = pattern(size);
        std::ofstream(dir / "in", std::ios::binary)
            .write(source_bytes.data(), static_cast<std::streamsize>(size));
        Stream* source = open_source_stream((dir / "in").c_str());
        char header[HEADER];
        EXPECT_EQ(read_stream(source, header, HEADER), HEADER);
        return source;
    }

    // The conversion's copy loop: the system first, then blocks of 4096.
    static uint64_t copy(Stream* source, uint64_t size, Stream* output, uint64_t* direct) {
        char block[4096];
        uint64_t copied = 0;
        *direct = 0;
        while (copied < size) {
            uint64_t moved = copy_stream_direct(source, size - copied, output);
            *direct += moved;
            copied += moved;
            if (copied == size) break;
            uint64_t left = size - copied;
            size_t got =
                read_stream(source, block, left < sizeof block ? static_cast<size_t>(left) : sizeof block);
            if (got == 0) break;
            EXPECT_EQ(write_stream(block, got, output), 1);
            copied += got;
        }
        return copied;
    }

    std::vector<char> expected_output(const std::string& prefix, size_t data_size) const {
        std::vector<char> bytes(prefix.begin(), prefix.end());
        auto first = source_bytes.begin() + static_cast<std::ptrdiff_t>(HEADER);
        bytes.insert(bytes.end(), first, first + static_cast<std::ptrdiff_t>(data_size));
        return bytes;
    }

    TempDirectory temp{"stream-copy"};
    fs::path dir = temp.path();
    std::vector<char> source_bytes;
};

TEST_F(StreamCopy, CopiesExactlyTheAskedBytesBehindWhatIsPending) {
    // Sizes around the first fill of the source and across several fills;
    // the last asks for less than the file holds, as when it grew since it
    // was measured.
    for (size_t size : {size_t{16 * 1024 + 100}, size_t{300 * 1024 + 7}, size_t{3 << 20}}) {
        for (uint64_t want : {uint64_t{size - HEADER}, uint64_t{size / 2 + 1}}) {
            SCOPED_TRACE("size " + std::to_string(size) + ", want " + std::to_string(want));
            Stream* source = open_source(size);
            Stream* output = create_output_stream((dir / "out").c_str());
            ASSERT_EQ(write_stream("HEAD", 4, output), 1);
            uint64_t direct = 0;
            EXPECT_EQ(copy(source, want, output, &direct), want);
            EXPECT_EQ(tell_stream(output), static_cast<int64_t>(4 + want));
            EXPECT_EQ(close_stream(source), 1);
            EXPECT_EQ(close_stream(output), 1);
            EXPECT_EQ(read_file(dir / "out"), expected_output("HEAD", static_cast<size_t>(want)));
        }
    }
}

TEST_F(StreamCopy, LeavesASourceThatIsAllBufferedToTheBlocks) {
    Stream* source = open_source(1000);
    Stream* output = create_output_stream((dir / "out").c_str());
    EXPECT_EQ(copy_stream_direct(source, 1000 - HEADER, output), 0u);
    uint64_t direct = 0;
    EXPECT_EQ(copy(source, 1000 - HEADER, output, &direct), 1000 - HEADER);
    EXPECT_EQ(direct, 0u);
    close_stream(source);
    EXPECT_EQ(close_stream(output), 1);
    EXPECT_EQ(read_file(dir / "out"), expected_output("", 1000 - HEADER));
}

TEST_F(StreamCopy, StopsWhereAShrunkSourceEnds) {
    const size_t size = size_t{200} * 1024;
    const size_t shrunk = size_t{100} * 1024;
    Stream* source = open_source(size);
    Stream* output = create_output_stream((dir / "out").c_str());
    fs::resize_file(dir / "in", shrunk);
    uint64_t moved = copy_stream_direct(source, size - HEADER, output);
    EXPECT_EQ(moved, shrunk - HEADER);
    char block[4096];
    EXPECT_EQ(read_stream(source, block, sizeof block), 0u);
    close_stream(source);
    EXPECT_EQ(close_stream(output), 1);
    EXPECT_EQ(read_file(dir / "out"), expected_output("", shrunk - HEADER));
}

#if defined(__unix__)
TEST_F(StreamCopy, CopiesIntoAPipeWhereTheSystemCannotCopy) {
    // The system does not copy into a pipe, nor reserve space in one: every
    // byte must still arrive, in order, through the stream's own writes.
    const fs::path fifo = dir / "fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    Stream* output = create_output_stream(fifo.c_str());
    ASSERT_NE(output, nullptr);
    fcntl(reader, F_SETFL, fcntl(reader, F_GETFL) & ~O_NONBLOCK);
    std::vector<char> received;
    std::thread drain([&] {
        char chunk[65536];
        ssize_t got;
        while ((got = read(reader, chunk, sizeof chunk)) > 0)
            received.insert(received.end(), chunk, chunk + got);
    });

    const size_t size = 500 * 1024 + 3;
    Stream* source = open_source(size);
    ASSERT_EQ(write_stream("HEAD", 4, output), 1);
    uint64_t direct = 0;
    EXPECT_EQ(copy(source, size - HEADER, output, &direct), size - HEADER);
    EXPECT_EQ(direct, size - HEADER);
    close_stream(source);
    EXPECT_EQ(close_stream(output), 1);
    drain.join();
    close(reader);
    EXPECT_EQ(received, expected_output("HEAD", size - HEADER));
}
#endif

}  // namespace
