#include "platform/system.h"

#include <gtest/gtest.h>
#include <sched.h>

#include <cstdlib>
#include <string>

#include "scoped_env.h"

namespace {

TEST(System, DataFoldersFollowTheEnvironment) {
    ScopedEnv home("HOME", "/tmp/morvax-home");
    {
        ScopedEnv xdg("XDG_DATA_HOME", nullptr);
        EXPECT_EQ(documents_folder(), "/tmp/morvax-home/Documents");
        EXPECT_EQ(application_data_folder(), "/tmp/morvax-home/.local/share");
    }
    {
        ScopedEnv xdg("XDG_DATA_HOME", "/tmp/morvax-data");
        EXPECT_EQ(application_data_folder(), "/tmp/morvax-data");
    }
    ScopedEnv no_home("HOME", nullptr);
    ScopedEnv no_xdg("XDG_DATA_HOME", nullptr);
    EXPECT_EQ(documents_folder(), "");
    EXPECT_EQ(application_data_folder(), "");
}

TEST(System, ProgramPathAndFolders) {
    EXPECT_NE(program_path().find("unit_tests"), std::string::npos);
    EXPECT_TRUE(folder_exists(current_directory()));
    EXPECT_FALSE(folder_exists("/nonexistent/morvax"));
}

// The thread count must follow the processors the process may run on (a
// container or "taskset" limits them), not the processors of the machine.
TEST(System, ProcessorsAreThoseOfTheAffinitySet) {
    cpu_set_t allowed;
    ASSERT_EQ(sched_getaffinity(0, sizeof(allowed), &allowed), 0);
    EXPECT_EQ(processor_count(), CPU_COUNT(&allowed));

    cpu_set_t narrowed;
    CPU_ZERO(&narrowed);
    for (int cpu = 0, kept = 0; cpu < CPU_SETSIZE && kept < 2; ++cpu) {
        if (!CPU_ISSET(cpu, &allowed)) continue;
        CPU_SET(cpu, &narrowed);
        ++kept;
        ASSERT_EQ(sched_setaffinity(0, sizeof(narrowed), &narrowed), 0);
        EXPECT_EQ(processor_count(), kept);
    }
    ASSERT_EQ(sched_setaffinity(0, sizeof(allowed), &allowed), 0);
}

TEST(System, TickAdvancesWithSleep) {
    uint32_t start = tick_count_ms();
    sleep_ms(20);
    uint32_t elapsed = tick_count_ms() - start;  // unsigned difference survives the 2^32 wrap
    EXPECT_GE(elapsed, 20u);
    EXPECT_LT(elapsed, 5000u);
}

}  // namespace
