#include "output_capture.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

OutputCapture::OutputCapture() {
    char name[] = "/tmp/morvax-output-XXXXXX";
    capture_fd_ = mkstemp(name);
    if (capture_fd_ < 0) throw std::runtime_error("mkstemp failed");
    unlink(name);
    std::fflush(stdout);
    saved_stdout_ = dup(STDOUT_FILENO);
    dup2(capture_fd_, STDOUT_FILENO);
}

OutputCapture::~OutputCapture() {
    std::fflush(stdout);
    dup2(saved_stdout_, STDOUT_FILENO);
    close(saved_stdout_);
    close(capture_fd_);
}

std::string OutputCapture::text() {
    std::fflush(stdout);
    std::string content;
    char buffer[65536];
    off_t offset = 0;
    for (;;) {
        ssize_t got = pread(capture_fd_, buffer, sizeof(buffer), offset);
        if (got <= 0) break;
        content.append(buffer, size_t(got));
        offset += got;
    }
    return content;
}
