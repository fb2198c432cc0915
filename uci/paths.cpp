#include "uci/paths.h"

#include "config/build_config.h"
#include "config/settings.h"
#include "platform/system.h"

void init_paths() {
    int processors = processor_count();
    threads_max = processors < MAX_THREADS ? processors : MAX_THREADS;
}
