// The folders the engine keeps its files in. They follow from the user's
// documents folder: "MORVAX Chess" there (or in the application data folder
// when there is no documents folder) with the sub-folders "EngineData"
// (learning file, saved games), "Books" and "Databases". A missing root
// sends every file to the working directory, a missing sub-folder to the
// root. Folders are never created.
#pragma once

#include <string>

struct DataPaths {
    std::string engine_folder;      // the program's folder, no trailing separator
    std::string program_file_name;  // the program's file name without its folder
    std::string data;               // learning file and saved games, with a trailing '/'
    std::string book;               // opening book, with a trailing '/'
    std::string db;                 // databases, with a trailing '/'
};

extern DataPaths data_paths;

inline constexpr const char* DATA_ROOT_FOLDER_NAME = "MORVAX Chess";
inline constexpr const char* DATA_FOLDER_NAME = "EngineData";
inline constexpr const char* BOOK_FOLDER_NAME = "Books";
inline constexpr const char* DB_FOLDER_NAME = "Databases";

// The paths as found now, with `working_directory` as the fallback.
DataPaths find_data_paths(const std::string& working_directory);

// The path with one trailing '/' ("./" for an empty path).
std::string with_trailing_separator(const std::string& path);
