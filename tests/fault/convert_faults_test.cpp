// The conversion job driven through every stream failure: for each kind of
// operation (open, read, write, seek, tell, close, system copy, space
// reservation) on the source
// and on the output, the nth call fails, for every n the job makes. The same
// test runs as a Windows program under Wine. Each run must end with the
// right message, leave no descriptor or handle open, leave the source as it
// was, and leave no output that promises more than it holds.
#include "../unit/temp_directory.h"
#include "convert/convert_file.h"
#include "platform/fault_injection.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <system_error>

#if defined(_WIN32)
#include <windows.h>
#endif

namespace {

namespace fs = std::filesystem;

constexpr uint64_t WAV_HEADER_BYTES = 44;

const char* const OPERATION_NAMES[] = {"open", "read",  "write",       "seek",
                                       "tell", "close", "kernel copy", "space reservation"};

std::string le(uint32_t value, int bytes) {
    std::string out;
    for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
    return out;
}

// 2 channels, 16 bits, 44100 Hz, then `data` bytes that are not all alike.
std::string source_bytes(uint32_t data) {
    std::string out = le(2, 2) + le(16, 2) + le(44100, 4) + std::string(24, '\x7F');
    for (uint32_t i = 0; i < data; ++i) out += static_cast<char>((i * 131 + 7) & 0xFF);
    return out;
}

// The complete WAV for source_bytes(data), written out field by field.
std::string wav_bytes(uint32_t data) {
    return "RIFF" + le(data + 36, 4) + "WAVE" + "fmt " + le(16, 4) + le(1, 2) + le(2, 2) + le(44100, 4) +
           le(44100 * 4, 4) + le(4, 2) + le(16, 2) + "data" + le(data, 4) + source_bytes(data).substr(32);
}

std::string read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void write_file(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

#if defined(_WIN32)
// Wine does not count a process's handles. A handle left open on a file is
// seen instead by an open that shares nothing: it fails while one is open.
bool held_open(const std::string& path) {
    HANDLE handle =
        CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
        CloseHandle(handle);
        return false;
    }
    return GetLastError() == ERROR_SHARING_VIOLATION;
}
#else
// Open descriptors of this process; -1 where the system does not list them.
int open_descriptors() {
    std::error_code error;
    fs::directory_iterator entries("/proc/self/fd", error);
    if (error) return -1;
    int count = 0;
    for (auto it = entries; it != fs::directory_iterator(); it.increment(error)) ++count;
    return count;
}
#endif

// What a run leaves under the output's name.
enum OutputLeft { UNTOUCHED, EMPTY, ABSENT, COMPLETE };

struct Expected {
    std::string message;
    OutputLeft output;
};

const char* const STALE_OUTPUT = "an earlier output";

class ConvertFaults : public ::testing::TestWithParam<uint32_t> {
protected:
    void SetUp() override {
        reset_faults();
        source_ = (dir_.path() / "take.zub").string();
        output_ = (dir_.path() / "take.wav").string();
        write_file(source_, source_bytes(GetParam()));
    }

    void TearDown() override { reset_faults(); }

    // Runs the job with an earlier output in place; returns its messages.
    std::string convert() {
        write_file(output_, STALE_OUTPUT);
#if defined(_WIN32)
        ::testing::internal::CaptureStderr();
        convert_file(source_.c_str());
        std::string messages = ::testing::internal::GetCapturedStderr();
        EXPECT_FALSE(held_open(source_)) << "a handle on the source was left open";
        EXPECT_FALSE(held_open(output_)) << "a handle on the output was left open";
#else
        int before = open_descriptors();
        ::testing::internal::CaptureStderr();
        convert_file(source_.c_str());
        std::string messages = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(open_descriptors(), before) << "a descriptor was left open";
#endif
        return messages;
    }

    // What the job must do when the nth `operation` on the source (writing
    // = 0) or the output (writing = 1) fails with `effect`.
    Expected expected(FaultOperation operation, int writing, int nth) const {
        const std::string read_failed = "[E] failed to read '" + source_ + "'\n";
        const std::string write_failed = "[E] failed to write '" + output_ + "'\n";
        if (operation == FAULT_OPEN) {
            return {"[E] failed to open '" + (writing ? output_ : source_) + "'\n", UNTOUCHED};
        }
        if (writing) return {write_failed, ABSENT};  // the output is written and closed only
        switch (operation) {
            case FAULT_SEEK:
            case FAULT_TELL:
                // The first tell measures the source, before the output is
                // touched; the second finds where the samples begin.
                return {read_failed, operation == FAULT_TELL && nth == 2 ? ABSENT : UNTOUCHED};
            case FAULT_READ:
                // The first read is the header: the emptied output stays, as
                // for a source shorter than its header.
                return {read_failed, nth == 1 ? EMPTY : ABSENT};
            case FAULT_CLOSE:  // everything was read: nothing is lost
            case FAULT_COPY:   // the reads and writes take over where the kernel stopped
                return {"", COMPLETE};
            default:
                return {"unexpected operation", ABSENT};
        }
    }

    void check_output(OutputLeft left) {
        bool exists = fs::exists(output_);
        std::string content = exists ? read_file(output_) : "";
        switch (left) {
            case UNTOUCHED:
                EXPECT_EQ(content, STALE_OUTPUT);
                break;
            case EMPTY:
                EXPECT_TRUE(exists && content.empty());
                break;
            case ABSENT:
                EXPECT_FALSE(exists) << "output left: " << content.size() << " bytes";
                break;
            case COMPLETE:
                EXPECT_TRUE(exists && content == wav_bytes(GetParam()));
                break;
        }
        EXPECT_EQ(read_file(source_), source_bytes(GetParam())) << "the source changed";
    }

    TempDirectory dir_{"faults-" + std::to_string(GetParam())};
    std::string source_;
    std::string output_;
};

TEST_P(ConvertFaults, EveryFailingCallEndsWithItsMessageAndNothingFalseLeft) {
    // A clean run first: it converts, and its counts give every n to try.
    EXPECT_EQ(convert(), "");
    check_output(COMPLETE);
    int calls[FAULT_OPERATIONS][2];
    for (int operation = 0; operation < FAULT_OPERATIONS; ++operation) {
        for (int writing = 0; writing < 2; ++writing) {
            calls[operation][writing] = fault_calls(static_cast<FaultOperation>(operation), writing);
        }
    }
    // Both streams are opened, read, written, measured and closed at least once.
    ASSERT_EQ(calls[FAULT_OPEN][0], 1);
    ASSERT_EQ(calls[FAULT_OPEN][1], 1);
    ASSERT_GE(calls[FAULT_READ][0], 1);
    ASSERT_GE(calls[FAULT_WRITE][1], 1);
    ASSERT_GE(calls[FAULT_SEEK][0], 2);
    ASSERT_EQ(calls[FAULT_CLOSE][0], 1);
    ASSERT_EQ(calls[FAULT_CLOSE][1], 1);

    int runs = 0;
    for (int operation = 0; operation < FAULT_OPERATIONS; ++operation) {
        for (int writing = 0; writing < 2; ++writing) {
            for (int nth = 1; nth <= calls[operation][writing]; ++nth) {
                auto op = static_cast<FaultOperation>(operation);
                FaultEffect effects[] = {FAULT_FAILS, FAULT_ENDS};
                // An early end of file is a read's failure only.
                int effect_count = op == FAULT_READ ? 2 : 1;
                for (int e = 0; e < effect_count; ++e) {
                    SCOPED_TRACE(std::string(OPERATION_NAMES[operation]) +
                                 (writing ? " of the output" : " of the source") + " #" +
                                 std::to_string(nth) +
                                 (effects[e] == FAULT_ENDS ? " ends the file" : " fails"));
                    arm_fault(op, writing, nth, effects[e]);
                    std::string messages = convert();
                    EXPECT_TRUE(fault_delivered());
                    Expected want = expected(op, writing, nth);
                    EXPECT_EQ(messages, want.message);
                    check_output(want.output);
                    ++runs;

                    // Nothing carries over to the next file.
                    reset_faults();
                    EXPECT_EQ(convert(), "");
                    check_output(COMPLETE);
                }
            }
        }
    }
    EXPECT_GE(runs, 10);
}

// No samples, less than one copy block, exactly one, several with a partial
// last one, and more than a source's first fill holds, which the kernel
// copies where it can.
INSTANTIATE_TEST_SUITE_P(DataSizes, ConvertFaults, ::testing::Values(0u, 1u, 4096u, 10000u, 100000u),
                         [](const ::testing::TestParamInfo<uint32_t>& info) {
                             return "data" + std::to_string(info.param);
                         });

// ------------------------------------------------------ the large copy

// The large copy writes the output in 64 KiB pieces that end on multiples of
// 64 KiB in the file: the first (header and samples) before the system's
// copy takes over, all of them where it cannot. Each write is seen at its
// start through the seam's pause: the output's length then is where the
// write begins.
constexpr uint64_t COPY_PIECE = uint64_t{64} * 1024;
std::string g_watched_output;
uintmax_t g_length_at_pause = 0;

void note_output_length() { g_length_at_pause = fs::file_size(g_watched_output); }

class LargeCopy : public ConvertFaults {};

TEST_P(LargeCopy, WritesWholeAlignedPiecesAndTheExactBytes) {
    // Without the system's copy every piece is written by the stream: one
    // write per piece, none longer than the buffer.
    arm_fault(FAULT_COPY, 0, 1, FAULT_FAILS);
    EXPECT_EQ(convert(), "");
    check_output(COMPLETE);
    const uint64_t length = WAV_HEADER_BYTES + GetParam();
    EXPECT_EQ(static_cast<uint64_t>(fault_calls(FAULT_WRITE, 1)), (length + COPY_PIECE - 1) / COPY_PIECE);

    // As the program runs, where each write begins.
    reset_faults();
    EXPECT_EQ(convert(), "");
    check_output(COMPLETE);
    const int writes = fault_calls(FAULT_WRITE, 1);
    EXPECT_GE(writes, 1);
    g_watched_output = output_;
    set_fault_pause(note_output_length);
    for (int nth = 1; nth <= writes; ++nth) {
        SCOPED_TRACE("write #" + std::to_string(nth));
        arm_fault(FAULT_WRITE, 1, nth, FAULT_PAUSES);
        EXPECT_EQ(convert(), "");
        EXPECT_TRUE(fault_delivered());
        EXPECT_EQ(g_length_at_pause, static_cast<uint64_t>(nth - 1) * COPY_PIECE);
        check_output(COMPLETE);
    }
    set_fault_pause(nullptr);
}

// A source cut short while its samples are copied: the copy meets its new
// end and the output, which would promise more than it holds, is removed.
std::string g_shrinking_source;
uintmax_t g_shrunk_size = 0;

void shrink_source() { fs::resize_file(g_shrinking_source, g_shrunk_size); }

TEST_P(LargeCopy, ASourceThatShrinksDuringTheCopyIsAFailedRead) {
    g_shrinking_source = source_;
    g_shrunk_size = 32 + GetParam() / 2;
    set_fault_pause(shrink_source);
    // The first read fills the source's buffer with the header and what
    // follows; the second is the first of the copy's own.
    arm_fault(FAULT_READ, 0, 2, FAULT_PAUSES);
    EXPECT_EQ(convert(), "[E] failed to read '" + source_ + "'\n");
    EXPECT_TRUE(fault_delivered());
    EXPECT_FALSE(fs::exists(output_));
    set_fault_pause(nullptr);
}

// Around the first write (the 44-byte header and 65,492 sample bytes) and
// the second, and a size of several MiB whose last piece is odd.
INSTANTIATE_TEST_SUITE_P(DataSizes, LargeCopy,
                         ::testing::Values(65491u, 65492u, 65493u, 2 * 65536u - 45, 2 * 65536u - 44,
                                           2 * 65536u - 43, 3 * 1048576u + 7),
                         [](const ::testing::TestParamInfo<uint32_t>& info) {
                             return "data" + std::to_string(info.param);
                         });

}  // namespace
