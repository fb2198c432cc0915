#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
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

constexpr char NEW_FILE_SUFFIX[] = ".new-";
constexpr size_t UNIQUE_PART = 6;  // the XXXXXX of mkstemp

// The file a path names at the end of its symbolic links (the path itself
// when it is no link, also when the last link points nowhere yet).
std::string link_target(std::string path) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat info {};
        if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
        std::vector<char> target(4096);
        const ssize_t length = readlink(path.c_str(), target.data(), target.size());
        if (length <= 0 || size_t(length) == target.size()) return path;
        const std::string text(target.data(), size_t(length));
        path = text[0] == '/' ? text : folder_of(path) + "/" + text;
    }
    return path;
}

bool same_file(int fd, const std::string& path) {
    struct stat open_file {}, named {};
    return fstat(fd, &open_file) == 0 && lstat(path.c_str(), &named) == 0 && open_file.st_dev == named.st_dev &&
           open_file.st_ino == named.st_ino;
}

// New files of saves that never reached their rename (the process ended
// first). A save under way holds its new file locked, so a file that can be
// locked belongs to no running save.
void remove_abandoned_new_files(const std::string& path) {
    const std::string folder = folder_of(path);
    const std::string prefix = path.substr(path.find_last_of('/') + 1) + NEW_FILE_SUFFIX;
    DIR* dir = opendir(folder.c_str());
    if (!dir) return;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.size() != prefix.size() + UNIQUE_PART || name.compare(0, prefix.size(), prefix) != 0) continue;
        const std::string file = folder + "/" + name;
        const int fd = open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) continue;
        if (flock(fd, LOCK_EX | LOCK_NB) == 0 && same_file(fd, file)) unlink(file.c_str());
        close(fd);
    }
    closedir(dir);
}

// A new file beside `path`, locked for the save (see above): its descriptor
// and name, or -1.
int create_new_file(const std::string& path, std::string* new_file) {
    for (int attempt = 0; attempt < 8; ++attempt) {
        // A name of its own: two engines sharing the folder never write into
        // the same new file.
        std::string pattern = path + NEW_FILE_SUFFIX + std::string(UNIQUE_PART, 'X');
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        const int fd = mkstemp(name.data());
        if (fd < 0) return -1;
        *new_file = name.data();
        // Another save's clean-up may take the file between its creation and
        // the lock: then it is gone, and a new name is tried.
        if (flock(fd, LOCK_EX) == 0 && same_file(fd, *new_file)) return fd;
        close(fd);
    }
    return -1;
}

}  // namespace

bool replace_file(const std::string& link, const void* bytes, size_t size) {
    // A symbolic link stays: the file it names is replaced.
    const std::string path = link_target(link);
    remove_abandoned_new_files(path);
    // The replaced file's rights stay; a first file gets ordinary ones
    // (mkstemp makes it private).
    struct stat old_file {};
    const mode_t mode = stat(path.c_str(), &old_file) == 0 ? (old_file.st_mode & 07777) : 0644;
    std::string new_file;
    const int fd = create_new_file(path, &new_file);
    if (fd < 0) return false;
    bool ok = write_all(fd, static_cast<const char*>(bytes), size) && fsync(fd) == 0;
    ok = ok && fchmod(fd, mode) == 0;
    if (ok && replace_file_before_rename) replace_file_before_rename(new_file);
    // The lock is held until the new file has its final name.
    ok = ok && std::rename(new_file.c_str(), path.c_str()) == 0;
    if (!ok) unlink(new_file.c_str());
    ok = close(fd) == 0 && ok;
    if (!ok) return false;
    // The rename itself is on the disk once the folder is.
    int folder = open(folder_of(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        fsync(folder);
        close(folder);
    }
    return true;
}
