// The data folders: where the learning file, the saved games, the book and
// the databases are looked for, with every fallback.
#include "book/data_paths.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

#include "scoped_env.h"
#include "temp_dir.h"

namespace {

TEST(DataPaths, TheFoldersAndTheirFallbacks) {
    // Folders below the temporary folder; "root" stands for the
    // "MORVAX Chess" folder where the case makes one.
    struct Case {
        const char* name;
        std::optional<std::string> home;  // relative to the temporary folder
        std::optional<std::string> xdg;
        const char* root;                 // folder made for "MORVAX Chess", "" for none
        std::vector<const char*> sub_folders;
        std::vector<const char*> sub_files;
        const char* data;  // expected, relative; "cwd" for the working directory
        const char* book;
        const char* db;
    } cases[] = {
        {"no root", "home", std::nullopt, "", {}, {}, "cwd", "cwd", "cwd"},
        {"root only", "home", std::nullopt, "home/Documents/MORVAX Chess", {}, {},
         "home/Documents/MORVAX Chess", "home/Documents/MORVAX Chess", "home/Documents/MORVAX Chess"},
        {"EngineData", "home", std::nullopt, "home/Documents/MORVAX Chess", {"EngineData"}, {},
         "home/Documents/MORVAX Chess/EngineData", "home/Documents/MORVAX Chess", "home/Documents/MORVAX Chess"},
        {"Books", "home", std::nullopt, "home/Documents/MORVAX Chess", {"Books"}, {},
         "home/Documents/MORVAX Chess", "home/Documents/MORVAX Chess/Books", "home/Documents/MORVAX Chess"},
        {"all three", "home", std::nullopt, "home/Documents/MORVAX Chess", {"EngineData", "Books", "Databases"}, {},
         "home/Documents/MORVAX Chess/EngineData", "home/Documents/MORVAX Chess/Books",
         "home/Documents/MORVAX Chess/Databases"},
        {"a file named EngineData is no folder", "home", std::nullopt, "home/Documents/MORVAX Chess", {},
         {"EngineData"}, "home/Documents/MORVAX Chess", "home/Documents/MORVAX Chess", "home/Documents/MORVAX Chess"},
        {"no documents folder: the data home", "home", std::nullopt, "home/.local/share/MORVAX Chess", {"Books"}, {},
         "home/.local/share/MORVAX Chess", "home/.local/share/MORVAX Chess/Books", "home/.local/share/MORVAX Chess"},
        {"no HOME: XDG_DATA_HOME", std::nullopt, "xdg", "xdg/MORVAX Chess", {"EngineData"}, {},
         "xdg/MORVAX Chess/EngineData", "xdg/MORVAX Chess", "xdg/MORVAX Chess"},
        {"nothing set", std::nullopt, std::nullopt, "", {}, {}, "cwd", "cwd", "cwd"},
        {"a relative XDG_DATA_HOME is no folder", std::nullopt, "", "MORVAX Chess", {}, {}, "cwd", "cwd", "cwd"},
    };
    for (const Case& c : cases) {
        TempDir folder;
        const std::string base = folder.path() + "/";
        std::filesystem::create_directories(base + "cwd");
        std::filesystem::create_directories(base + "home");
        if (*c.root) {
            std::filesystem::create_directories(base + c.root);
            for (const char* sub : c.sub_folders) std::filesystem::create_directories(base + c.root + "/" + sub);
            for (const char* sub : c.sub_files) write_file(base + c.root + "/" + sub, "");
        }
        if (std::string(c.root).find("Documents") != std::string::npos)
            std::filesystem::create_directories(base + "home/Documents");
        // A relative XDG_DATA_HOME would name a folder below the working directory.
        std::optional<std::string> xdg = c.xdg ? std::optional<std::string>(c.xdg->empty() ? "." : base + *c.xdg)
                                               : std::nullopt;
        ScopedEnv home("HOME", c.home ? std::optional<std::string>(base + *c.home) : std::nullopt);
        ScopedEnv data_home("XDG_DATA_HOME", xdg);
        std::filesystem::path previous = std::filesystem::current_path();
        std::filesystem::current_path(base);  // "." is where a relative root would be

        DataPaths paths = find_data_paths(base + "cwd");
        std::filesystem::current_path(previous);
        EXPECT_EQ(paths.data, base + c.data + "/") << c.name;
        EXPECT_EQ(paths.book, base + c.book + "/") << c.name;
        EXPECT_EQ(paths.db, base + c.db + "/") << c.name;
    }
}

TEST(DataPaths, TheProgramFolderAndNameAndOneTrailingSeparator) {
    DataPaths paths = find_data_paths("/some/dir/");
    EXPECT_EQ(paths.program_file_name, "unit_tests");
    EXPECT_EQ(paths.engine_folder.find_last_of('/') + 1, paths.engine_folder.size() - std::string("tests").size());
    EXPECT_EQ(with_trailing_separator("/a/b"), "/a/b/");
    EXPECT_EQ(with_trailing_separator("/a/b/"), "/a/b/");
    EXPECT_EQ(with_trailing_separator(""), "./");
}

}  // namespace
