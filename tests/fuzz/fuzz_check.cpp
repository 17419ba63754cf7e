#include "fuzz_check.h"

#include <fcntl.h>
#include <unistd.h>

StderrCapture::StderrCapture() {
    if (std::getenv("ZUB2WAV_FUZZ_SHOW_STDERR") != nullptr) return;
    // Non-blocking reads: end() drains what is there and stops.
    if (pipe(pipe_) != 0 || fcntl(pipe_[0], F_SETFL, O_NONBLOCK) != 0) std::abort();
    saved_ = dup(2);
    if (saved_ < 0) std::abort();
    active_ = true;
}

void StderrCapture::begin() {
    if (!active_) return;
    std::fflush(stderr);
    dup2(pipe_[1], 2);
}

const std::string* StderrCapture::end() {
    if (!active_) return nullptr;
    std::fflush(stderr);
    dup2(saved_, 2);
    text_.clear();
    char chunk[256];
    for (;;) {
        ssize_t got = read(pipe_[0], chunk, sizeof chunk);
        if (got <= 0) break;
        text_.append(chunk, static_cast<size_t>(got));
    }
    return &text_;
}
