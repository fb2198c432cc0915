// Runs a built engine program as a chess interface does: a child process with
// pipes on its standard input and output, started in a fresh temporary folder
// that is also its HOME. Lines are written one at a time; answers are awaited
// with a timeout.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "temp_dir.h"

// Where the program starts: folders are relative to its temporary folder.
struct EngineEnvironment {
    std::function<void(const std::string& folder)> prepare;  // fills the folder before the start
    std::string working_directory;                           // "" is the folder itself
    std::optional<std::string> home = std::string();         // nullopt: HOME unset
    std::optional<std::string> xdg_data_home;                // nullopt: unset
    std::vector<std::string> arguments;                      // after the program name
};

class EngineProcess {
public:
    explicit EngineProcess(const std::string& program, const EngineEnvironment& environment = {});
    ~EngineProcess();
    EngineProcess(const EngineProcess&) = delete;
    EngineProcess& operator=(const EngineProcess&) = delete;

    // Writes the text and a newline.
    void send(const std::string& line);
    // Writes bytes exactly as given.
    void send_raw(const std::string& bytes);
    void close_input();

    // The next output line (without its newline), or nothing after the timeout
    // or at the end of output. The default waits out a start-up (its
    // one-second calibration) on a loaded machine.
    std::optional<std::string> read_line(int timeout_ms = 15000);
    // Reads lines until one equals `line`; every line read, `line` last. An
    // empty result when it did not come in time.
    std::vector<std::string> read_until(const std::string& line, int timeout_ms = 15000);
    // Reads lines until one starts with `prefix`; that line, or nothing.
    std::optional<std::string> read_until_prefix(const std::string& prefix, int timeout_ms = 15000);
    // True when nothing is printed for this long.
    bool stays_silent(int ms);

    // The exit code after the process ends (-1 if it did not end in time and
    // was killed; 128 + signal when a signal ended it).
    int wait_exit(int timeout_ms = 15000);

    const TempDir& folder() const { return folder_; }

private:
    TempDir folder_;
    int pid_ = -1;
    int to_child_ = -1;
    int from_child_ = -1;
    std::string pending_;
    bool output_closed_ = false;
    std::optional<int> exit_code_;
};
