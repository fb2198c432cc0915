// morvax-tx: program entry, start-up and shutdown of the companion build.
#pragma once

extern char human_book_file_name[4096];

int main_tx(int argc, char** argv);
// The hash size obtained in KB, or -1 when the start-up failed.
int engine_startup_tx();
void engine_shutdown_tx();
