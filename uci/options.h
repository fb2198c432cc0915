// UCI options: the option list printed after "uci", the setters behind
// "setoption", and the routines that reset the settings words.
#pragma once

// Prints the option list.
void print_options();
// Applies one "setoption"; `text` is what follows "setoption name ".
// Unknown names and values outside the accepted ranges change nothing.
void set_option(const char* text);

void reset_settings();
void set_search_mode(int mode, int reset);
void init_square_tables();
