#include "platform/positioned_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace {

bool open_with(const char* path, int flags, PositionedFile* file) {
    int fd;
    do {
        fd = open(path, flags | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    file->descriptor = fd;
    return fd >= 0;
}

}  // namespace

bool open_positioned_file(const char* path, PositionedFile* file) { return open_with(path, O_RDONLY, file); }

bool open_positioned_file_for_update(const char* path, PositionedFile* file) {
    return open_with(path, O_RDWR, file);
}

int64_t read_at(PositionedFile file, void* buffer, size_t length, uint64_t offset) {
    if (offset > uint64_t(INT64_MAX)) return -1;
    auto* out = static_cast<unsigned char*>(buffer);
    size_t done = 0;
    while (done < length) {
        const ssize_t got = pread(file.descriptor, out + done, length - done, off_t(offset + done));
        if (got < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (got == 0) break;
        done += size_t(got);
    }
    return int64_t(done);
}

bool write_at(PositionedFile file, const void* buffer, size_t length, uint64_t offset) {
    if (offset > uint64_t(INT64_MAX) || length > uint64_t(INT64_MAX) - offset) return false;
    const auto* in = static_cast<const unsigned char*>(buffer);
    size_t done = 0;
    while (done < length) {
        const ssize_t put = pwrite(file.descriptor, in + done, length - done, off_t(offset + done));
        if (put < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += size_t(put);
    }
    return true;
}

int64_t positioned_file_size(PositionedFile file) {
    struct stat info {};
    if (fstat(file.descriptor, &info) != 0) return -1;
    return int64_t(info.st_size);
}

bool positioned_file_is_regular(PositionedFile file) {
    struct stat info {};
    return fstat(file.descriptor, &info) == 0 && S_ISREG(info.st_mode);
}

void close_positioned_file(PositionedFile* file) {
    if (!file->is_open()) return;
    close(file->descriptor);
    file->descriptor = -1;
}
