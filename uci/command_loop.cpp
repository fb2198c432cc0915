#include "uci/command_loop.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "config/build_config.h"
#include "platform/print.h"
#include "platform/system.h"
#include "search/driver.h"
#include "search/threads.h"
#include "uci/dispatch.h"

int redispatch_pending = 0;
char command_line[MAX_INPUT_LINE + 1];

void setup_stdio() {
    // From here on a running search reads its input through these.
    search_services.has_pending_input = has_pending_input;
    search_services.process_input = process_input;
    if (isatty(STDIN_FILENO)) {
        input_mode = '1';
        return;
    }
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    input_mode = '2';
}

int has_pending_input() { return input_line_ready(); }

// Without its input the engine can never be told anything again: record the
// loss beside the auto-save games and end the process.
[[noreturn]] static void stdin_lost(int error) {
    if (std::FILE* file = std::fopen(AUTOSAVE_FILE_NAME, "a+")) {
        std::fprintf(file, "FATAL ERROR: stdin pipe gone errno=%d\n", error);
        std::fclose(file);
    }
    exit_now(-1);
}

void process_input() {
    for (;;) {
        bool have_line = true;
        if (redispatch_pending) {
            redispatch_pending = 0;
        } else {
            size_t length = 0;
            InputStatus status = input_read_line(command_line, &length);
            if (status == InputStatus::END) stdin_lost(input_error());
            if (status == InputStatus::TOO_LONG) {
                command_line[0] = '\0';
                have_line = false;
                uci_print("info string input line longer than %zu bytes ignored\n", MAX_INPUT_LINE);
            }
        }
        if (have_line) {
            if (std::strcmp(command_line, "stop") == 0) {
                stop_running_search();
            } else if (dispatch_command(command_line) == 2) {
                stop_running_search();
                redispatch_pending = 1;
            }
        }
        if (stop_reason != 0 || quit_word || !has_pending_input()) return;
    }
}

void run_command_loop() {
    setup_stdio();
    while (!quit_word) {
        search_mode = SEARCH_MODE_IDLE;
        process_input();
    }
}
