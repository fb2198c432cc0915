#include "platform/fatal_error.h"

#include <unistd.h>

#include <atomic>
#include <cstdarg>
#include <cstdio>

namespace {

std::atomic<FatalErrorHandler> handler{nullptr};
std::atomic<bool> ending{false};
thread_local bool ending_here = false;

// The first fatal failure owns the end of the process. One met while it
// ends (in the handler, or on another thread at the same moment) must not
// run the handler again.
void claim_the_end() {
    if (ending.exchange(true)) {
        if (ending_here) _exit(1);
        for (;;) pause();
    }
    ending_here = true;
}

[[noreturn]] void end_process(const char* message) {
    if (FatalErrorHandler run = handler.load()) run(message);
    std::fflush(stdout);
    _exit(1);
}

}  // namespace

void set_fatal_error_handler(FatalErrorHandler new_handler) { handler.store(new_handler); }

void fatal_error(const char* format, ...) {
    claim_the_end();
    char message[1024];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(message, sizeof(message), format, arguments);
    va_end(arguments);

    if (std::FILE* log = std::fopen(DEBUG_LOG_FILE_NAME, "a+")) {
        std::fputs(message, log);
        std::fclose(log);
    }
    end_process(message);
}

void end_after_logged_fatal_error(const char* message) {
    claim_the_end();
    end_process(message);
}
