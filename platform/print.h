// Formatted output to the interface: each call builds its text whole and
// writes it in one piece.
#pragma once

void uci_print(const char* format, ...) __attribute__((format(printf, 1, 2)));
