// Program entry, start-up and shutdown of the engine programs.
#pragma once

#include <cstdint>
#include <string>

extern std::string working_directory;  // current directory at start: the data fallback
extern std::string program_file_name;  // argument 0, later the module's file name
extern char engine_name[20];           // printed after "id name"

// The program entry shared by the engine programs; the process exit code.
int engine_main(int argc, char** argv);
// The banner lines, and the working folder and program path kept.
void begin_engine_program(int argc, char** argv);
void set_engine_name();

// Brings the engine up: the hash size obtained in KB, or -1 on failure.
int engine_startup();
// Start-up allocations; 1, or -1 when one failed.
int init_engine_data(uint32_t seed);
// Start-up allocations: the book buffer and the default hash. The KB
// obtained, or -1 when the book buffer failed.
int init_memory();
void set_default_settings();
void engine_shutdown();
