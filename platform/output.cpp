#include "platform/output.h"

#include <unistd.h>

#include <cerrno>

void output_write(const char* text, size_t length) {
    while (length > 0) {
        ssize_t written = write(STDOUT_FILENO, text, length);
        if (written < 0) {
            if (errno == EINTR) continue;
            return;  // a closed output (EPIPE) is not the engine's to survive differently
        }
        text += written;
        length -= size_t(written);
    }
}
