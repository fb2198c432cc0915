#include "platform/system.h"

#include <sched.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>

uint32_t tick_count_ms() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    uint64_t ms = uint64_t(now.tv_sec) * 1000u + uint64_t(now.tv_nsec) / 1000000u;
    return uint32_t(ms);
}

LocalTime local_time() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    tm parts{};
    localtime_r(&now.tv_sec, &parts);
    return LocalTime{parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour,
                     parts.tm_min,         parts.tm_sec,     int(now.tv_nsec / 1000000),
                     parts.tm_wday};
}

uint32_t calendar_seconds() { return uint32_t(time(nullptr)); }

void sleep_ms(uint32_t milliseconds) {
    timespec rest{time_t(milliseconds / 1000), long(milliseconds % 1000) * 1000000L};
    while (nanosleep(&rest, &rest) != 0 && errno == EINTR) {
    }
}

int processor_count() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof(set), &set) == 0) {
        int count = CPU_COUNT(&set);
        if (count > 0) return count;
    }
    long online = sysconf(_SC_NPROCESSORS_ONLN);
    return online > 0 ? int(online) : 1;
}

std::string program_path() {
    char buffer[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
    if (length <= 0) return {};
    return std::string(buffer, size_t(length));
}

static std::string environment_value(const char* name) {
    const char* value = std::getenv(name);
    return value && *value ? std::string(value) : std::string();
}

std::string documents_folder() {
    std::string home = environment_value("HOME");
    return home.empty() ? home : home + "/Documents";
}

std::string application_data_folder() {
    // A relative value is no folder of this user's: it would name one below
    // whatever the current directory happens to be.
    std::string data_home = environment_value("XDG_DATA_HOME");
    if (!data_home.empty() && data_home[0] == '/') return data_home;
    std::string home = environment_value("HOME");
    return home.empty() ? home : home + "/.local/share";
}

std::string current_directory() {
    char buffer[PATH_MAX];
    return getcwd(buffer, sizeof(buffer)) ? std::string(buffer) : std::string();
}

bool folder_exists(const std::string& path) {
    struct stat info {};
    return !path.empty() && stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

void exit_now(int code) {
    std::fflush(nullptr);
    _exit(code);
}
