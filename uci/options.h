// UCI options: the option list and the setters behind "setoption".
#pragma once

// Prints the option list after "uci".
void print_options();
// Applies "setoption"; `text` is what follows "setoption name ".
void set_option(const char* text);

void reset_settings();
void reset_search_settings();
void set_search_mode(int mode, int reset);
void init_square_tables();
