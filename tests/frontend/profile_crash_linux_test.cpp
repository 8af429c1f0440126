// A real crash at every file operation: a forked child runs the save, erase or recovering
// load and dies with _exit right after operation k, leaving the disk exactly as the kernel
// has it then. The parent then loads: the old record or the new one, never anything else.
#include "tests/frontend/profile_faults.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>
#include <cstdio>

using namespace profile_files;

static constexpr int STOPPED = 42;
static void Die() { _exit(STOPPED); }

TEST_F(ProfileFolder, AProcessKilledAfterAnyFileOperationLeavesTheOldOrTheNewRecord)
{
    int crashes = 0;
    for (const FaultScenario &s : FaultScenarios()) {
        int count = FaultOperationCount(dir, P, s);
        ASSERT_GT(count, 0) << s.label;
        for (int k = 1; k <= count; k++) {
            FaultSetUp(dir, P, s);
            fflush(nullptr);
            pid_t child = fork();
            ASSERT_GE(child, 0);
            if (child == 0) {
                PlatformFaultArm({k, PLATFORM_FAULT_STOP, Die});
                FaultRun(P, s);
                _exit(1);   // never reached operation k
            }
            int status = 0;
            ASSERT_EQ(waitpid(child, &status, 0), child);
            std::string where = FaultWhere(s, PLATFORM_FAULT_STOP, k);
            ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == STOPPED) << where;
            FaultCheck(P, s, std::nullopt, where);
            crashes++;
        }
    }
    EXPECT_GT(crashes, 50);
}
