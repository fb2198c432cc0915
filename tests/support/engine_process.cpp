#include "engine_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <chrono>
#include <cstdlib>
#include <stdexcept>

namespace {

using Clock = std::chrono::steady_clock;

int remaining_ms(Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? int(left) : 0;
}

}  // namespace

EngineProcess::EngineProcess(const std::string& program_name, const EngineEnvironment& environment) {
    if (environment.prepare) environment.prepare(folder_.path());
    auto in_folder = [&](const std::string& relative) {
        return relative.empty() ? folder_.path() : folder_.path() + "/" + relative;
    };
    const std::string working_directory = in_folder(environment.working_directory);
    // The child starts in its own folder: a relative program path must not depend on it.
    char resolved[PATH_MAX];
    std::string program = realpath(program_name.c_str(), resolved) ? std::string(resolved) : program_name;
    // Built before the fork: the child only calls what is safe after it.
    std::vector<char*> argv;
    argv.push_back(program.data());
    std::vector<std::string> argument_copies = environment.arguments;
    for (std::string& argument : argument_copies) argv.push_back(argument.data());
    argv.push_back(nullptr);
    int input_pipe[2];
    int output_pipe[2];
    if (pipe(input_pipe) != 0 || pipe(output_pipe) != 0) throw std::runtime_error("pipe failed");
    signal(SIGPIPE, SIG_IGN);
    pid_ = fork();
    if (pid_ < 0) throw std::runtime_error("fork failed");
    if (pid_ == 0) {
        dup2(input_pipe[0], STDIN_FILENO);
        dup2(output_pipe[1], STDOUT_FILENO);
        close(input_pipe[0]);
        close(input_pipe[1]);
        close(output_pipe[0]);
        close(output_pipe[1]);
        if (chdir(working_directory.c_str()) != 0) _exit(120);
        if (environment.home)
            setenv("HOME", in_folder(*environment.home).c_str(), 1);
        else
            unsetenv("HOME");
        if (environment.xdg_data_home)
            setenv("XDG_DATA_HOME", in_folder(*environment.xdg_data_home).c_str(), 1);
        else
            unsetenv("XDG_DATA_HOME");
        execv(program.c_str(), argv.data());
        _exit(121);
    }
    close(input_pipe[0]);
    close(output_pipe[1]);
    to_child_ = input_pipe[1];
    from_child_ = output_pipe[0];
}

EngineProcess::~EngineProcess() {
    close_input();
    if (!exit_code_) wait_exit(2000);
    if (from_child_ >= 0) close(from_child_);
}

void EngineProcess::send(const std::string& line) { send_raw(line + "\n"); }

void EngineProcess::send_raw(const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t written = write(to_child_, bytes.data() + done, bytes.size() - done);
        if (written < 0) {
            if (errno == EINTR) continue;
            return;
        }
        done += size_t(written);
    }
}

void EngineProcess::close_input() {
    if (to_child_ >= 0) {
        close(to_child_);
        to_child_ = -1;
    }
}

std::optional<std::string> EngineProcess::read_line(int timeout_ms) {
    auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
        size_t newline = pending_.find('\n');
        if (newline != std::string::npos) {
            std::string line = pending_.substr(0, newline);
            pending_.erase(0, newline + 1);
            return line;
        }
        if (output_closed_) return std::nullopt;
        pollfd request{from_child_, POLLIN, 0};
        int ready = poll(&request, 1, remaining_ms(deadline));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return std::nullopt;
        char buffer[65536];
        ssize_t got = read(from_child_, buffer, sizeof(buffer));
        if (got <= 0) {
            if (got < 0 && errno == EINTR) continue;
            output_closed_ = true;
            continue;
        }
        pending_.append(buffer, size_t(got));
    }
}

std::vector<std::string> EngineProcess::read_until(const std::string& line, int timeout_ms) {
    auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    std::vector<std::string> lines;
    while (auto next = read_line(remaining_ms(deadline))) {
        lines.push_back(*next);
        if (*next == line) return lines;
    }
    return {};
}

std::optional<std::string> EngineProcess::read_until_prefix(const std::string& prefix, int timeout_ms) {
    auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    while (auto next = read_line(remaining_ms(deadline))) {
        if (next->rfind(prefix, 0) == 0) return next;
    }
    return std::nullopt;
}

bool EngineProcess::stays_silent(int ms) {
    if (!pending_.empty()) return false;
    auto line = read_line(ms);
    if (line) {
        pending_.insert(0, *line + "\n");
        return false;
    }
    return pending_.empty();
}

int EngineProcess::wait_exit(int timeout_ms) {
    if (exit_code_) return *exit_code_;
    auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    int status = 0;
    for (;;) {
        pid_t done = waitpid(pid_, &status, WNOHANG);
        if (done == pid_) break;
        if (remaining_ms(deadline) == 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, &status, 0);
            exit_code_ = -1;
            return -1;
        }
        usleep(5000);
    }
    exit_code_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return *exit_code_;
}
