#include "platform/input.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

constexpr size_t BUFFER_SIZE = MAX_INPUT_LINE + 1;

struct InputReader {
    int fd = 0;
    size_t begin = 0;       // first unread byte
    size_t end = 0;         // one past the last buffered byte
    size_t scanned = 0;     // bytes from `begin` known to hold no newline
    bool discarding = false;  // inside an over-long line, dropping bytes until its newline
    bool at_end = false;
    int error = 0;
    char data[BUFFER_SIZE];
};

InputReader reader;

// Makes room at the end of the buffer. A buffer full of one unfinished line
// means the line is too long: its bytes are dropped and the rest of it is
// skipped up to the next newline.
void make_room() {
    if (reader.begin > 0) {
        std::memmove(reader.data, reader.data + reader.begin, reader.end - reader.begin);
        reader.end -= reader.begin;
        reader.begin = 0;
    }
    if (reader.end == BUFFER_SIZE) {
        reader.discarding = true;
        reader.begin = reader.end = reader.scanned = 0;
    }
}

// One read of what the descriptor has; blocks only when nothing is waiting.
void fill_once() {
    if (reader.at_end) return;
    make_room();
    for (;;) {
        ssize_t got = read(reader.fd, reader.data + reader.end, BUFFER_SIZE - reader.end);
        if (got > 0) {
            reader.end += size_t(got);
            return;
        }
        if (got < 0 && errno == EINTR) continue;
        reader.at_end = true;
        reader.error = got < 0 ? errno : 0;
        return;
    }
}

// Position of the next newline in the buffer, or nullptr.
char* find_newline() {
    size_t from = reader.begin + reader.scanned;
    char* found = static_cast<char*>(std::memchr(reader.data + from, '\n', reader.end - from));
    if (!found) reader.scanned = reader.end - reader.begin;
    return found;
}

bool descriptor_readable() {
    pollfd request{reader.fd, POLLIN, 0};
    for (;;) {
        int ready = poll(&request, 1, 0);
        if (ready >= 0) return ready > 0;  // POLLHUP and POLLERR count: the read reports them
        if (errno != EINTR) return true;
    }
}

}  // namespace

void input_attach(int fd) {
    reader.fd = fd;
    reader.begin = reader.end = reader.scanned = 0;
    reader.discarding = reader.at_end = false;
    reader.error = 0;
}

int input_line_ready() {
    for (;;) {
        if (find_newline() || reader.at_end) return 1;
        if (!descriptor_readable()) return 0;
        fill_once();
    }
}

InputStatus input_read_line(char* out, size_t* length) {
    *length = 0;
    out[0] = '\0';
    for (;;) {
        char* newline = find_newline();
        if (!newline && reader.at_end) {
            // A last line without its newline still counts, whole.
            if (reader.end == reader.begin && !reader.discarding) return InputStatus::END;
            newline = reader.data + reader.end;
        }
        if (!newline) {
            fill_once();
            continue;
        }
        size_t line_length = size_t(newline - (reader.data + reader.begin));
        const char* line = reader.data + reader.begin;
        bool was_discarding = reader.discarding;
        reader.begin = newline < reader.data + reader.end ? size_t(newline - reader.data) + 1 : reader.end;
        reader.scanned = 0;
        reader.discarding = false;
        if (was_discarding) return InputStatus::TOO_LONG;
        while (line_length > 0 && line[line_length - 1] == '\r') --line_length;
        std::memcpy(out, line, line_length);
        out[line_length] = '\0';
        *length = line_length;
        return InputStatus::LINE;
    }
}

int input_error() { return reader.error; }
