#include "search/polling.h"

void handle_ponderhit() {}
