#include "platform/output.h"

#include <unistd.h>

#include <cerrno>

void output_write(const char* text, size_t length) {
    while (length > 0) {
        ssize_t written = write(STDOUT_FILENO, text, length);
        if (written < 0) {
            if (errno == EINTR) continue;
            return;  // a closed output: the text is lost, the engine runs on until its input ends
        }
        text += written;
        length -= size_t(written);
    }
}
