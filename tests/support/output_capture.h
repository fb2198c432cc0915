// Captures what the engine writes to standard output while the object lives,
// for unit tests of functions that print.
#pragma once

#include <string>

class OutputCapture {
public:
    OutputCapture();
    ~OutputCapture();
    OutputCapture(const OutputCapture&) = delete;
    OutputCapture& operator=(const OutputCapture&) = delete;

    // Everything written so far (the capture goes on).
    std::string text();

private:
    int saved_stdout_ = -1;
    int capture_fd_ = -1;
};
