// Shared pieces of the fuzz targets: a check that stops the run on the first
// broken property, and a capture of what the code under test writes to
// standard error.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

// Unlike assert(), stays on in every build type. The abort is the finding.
#define FUZZ_CHECK(condition)                                                                     \
    do {                                                                                          \
        if (!(condition)) {                                                                       \
            std::fprintf(stderr, "%s:%d: property broken: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                         \
        }                                                                                         \
    } while (0)

// Sends descriptor 2 into a pipe between begin() and end(), and returns what
// arrived. With ZUB2WAV_FUZZ_SHOW_STDERR set nothing is captured (end()
// returns nullptr), so a crash report found in a capture can be seen again.
class StderrCapture {
public:
    StderrCapture();
    void begin();
    const std::string* end();

private:
    int pipe_[2] = {-1, -1};
    int saved_ = -1;
    bool active_ = false;
    std::string text_;
};
