// The unit tests run the engine in-process, so whatever it writes beside
// itself (the auto-save file when its input is lost, a fatal-error log) or
// under the user's home lands in a folder of this run's own, never in the
// source or build tree or the real home folder.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>

#include "temp_dir.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    TempDir folder;
    if (chdir(folder.path().c_str()) != 0) return 1;
    setenv("HOME", folder.path().c_str(), 1);
    unsetenv("XDG_DATA_HOME");
    const int result = RUN_ALL_TESTS();
    if (chdir("/") != 0) return 1;  // out of the folder before it is removed
    return result;
}
