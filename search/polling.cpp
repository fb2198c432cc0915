#include "search/polling.h"

#include "search/time_control.h"

void begin_polling() { check_time_and_input(1); }
uint32_t check_time_and_input(int) { return get_elapsed_ms(); }
void handle_ponderhit() {}
