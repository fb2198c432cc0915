#include "book/data_paths.h"

#include "platform/system.h"

DataPaths data_paths;

std::string with_trailing_separator(const std::string& path) {
    if (path.empty()) return "./";
    return path.back() == '/' ? path : path + "/";
}

namespace {

// The folder that holds "MORVAX Chess": the documents folder, or the
// application data folder when there is no documents folder. Empty when
// neither exists.
std::string data_root_base() {
    std::string documents = documents_folder();
    if (folder_exists(documents)) return documents;
    return application_data_folder();
}

std::string sub_folder_or_root(const std::string& root, const char* name) {
    std::string folder = root + "/" + name;
    return folder_exists(folder) ? folder : root;
}

}  // namespace

DataPaths find_data_paths(const std::string& working_directory) {
    DataPaths paths;
    std::string program = program_path();
    size_t slash = program.find_last_of('/');
    if (slash != std::string::npos) {
        paths.engine_folder = program.substr(0, slash);
        paths.program_file_name = program.substr(slash + 1);
    }

    std::string base = data_root_base();
    std::string root = base.empty() ? std::string() : with_trailing_separator(base) + DATA_ROOT_FOLDER_NAME;
    if (root.empty() || !folder_exists(root)) {
        paths.data = paths.book = paths.db = with_trailing_separator(working_directory);
        return paths;
    }
    paths.data = with_trailing_separator(sub_folder_or_root(root, DATA_FOLDER_NAME));
    paths.book = with_trailing_separator(sub_folder_or_root(root, BOOK_FOLDER_NAME));
    paths.db = with_trailing_separator(sub_folder_or_root(root, DB_FOLDER_NAME));
    return paths;
}
