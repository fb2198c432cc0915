#include "platform/print.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

#include "platform/output.h"

void uci_print(const char* format, ...) {
    char text[8192];
    va_list arguments;
    va_start(arguments, format);
    int length = std::vsnprintf(text, sizeof(text), format, arguments);
    va_end(arguments);
    if (length < 0) return;
    if (size_t(length) < sizeof(text)) {
        output_write(text, size_t(length));
        return;
    }
    // Rare long text (an option list, a very long line): format again into a
    // buffer of the right size.
    std::vector<char> long_text(size_t(length) + 1);
    va_start(arguments, format);
    std::vsnprintf(long_text.data(), long_text.size(), format, arguments);
    va_end(arguments);
    output_write(long_text.data(), size_t(length));
}
