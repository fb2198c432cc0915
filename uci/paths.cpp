#include "uci/paths.h"

#include "book/data_paths.h"
#include "config/build_config.h"
#include "config/settings.h"
#include "platform/system.h"
#include "uci/engine.h"

void init_paths() {
    int processors = processor_count();
    threads_max = processors < MAX_THREADS ? processors : MAX_THREADS;
    data_paths = find_data_paths(working_directory);
    if (!data_paths.program_file_name.empty()) program_file_name = data_paths.program_file_name;
}
