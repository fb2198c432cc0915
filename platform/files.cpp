#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <vector>

ReplaceFileHook replace_file_before_rename = nullptr;

bool regular_file_exists(const std::string& path) {
    struct stat info {};
    return !path.empty() && stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool file_readable_and_writable(const std::string& path) {
    return regular_file_exists(path) && access(path.c_str(), R_OK | W_OK) == 0;
}

namespace {

bool write_all(int fd, const char* bytes, size_t size) {
    while (size > 0) {
        ssize_t written = write(fd, bytes, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes += written;
        size -= size_t(written);
    }
    return true;
}

std::string folder_of(const std::string& path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

bool replace_file(const std::string& path, const void* bytes, size_t size) {
    // A name of its own: two engines sharing the folder never write into the
    // same new file.
    std::vector<char> name(path.begin(), path.end());
    const char suffix[] = ".new-XXXXXX";
    name.insert(name.end(), suffix, suffix + sizeof(suffix));
    int fd = mkstemp(name.data());
    if (fd < 0) return false;
    const std::string new_file(name.data());
    bool ok = write_all(fd, static_cast<const char*>(bytes), size) && fsync(fd) == 0;
    // mkstemp makes the file private; the data file keeps ordinary rights.
    ok = ok && fchmod(fd, 0644) == 0;
    ok = close(fd) == 0 && ok;
    if (ok && replace_file_before_rename) replace_file_before_rename(new_file);
    if (!ok || std::rename(new_file.c_str(), path.c_str()) != 0) {
        unlink(new_file.c_str());
        return false;
    }
    // The rename itself is on the disk once the folder is.
    int folder = open(folder_of(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        fsync(folder);
        close(folder);
    }
    return true;
}
