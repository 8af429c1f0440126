// Every file operation of a save, an erase and a recovering load, broken in turn: made to
// fail, made to leave its change uncommitted, and the program taken as stopped right after
// it (later operations have no effect, as after a crash; the Linux crash test also kills a
// real process there). Whatever happens, the next load finds the old record or the new one.
#include "tests/frontend/profile_faults.h"

#include <gtest/gtest.h>

using namespace profile_files;

TEST_F(ProfileFolder, EveryFileOperationCanFailOrStopWithoutLosingARecord)
{
    const PlatformFaultKind kinds[] = {PLATFORM_FAULT_FAIL, PLATFORM_FAULT_UNCOMMITTED, PLATFORM_FAULT_STOP};
    int broken = 0;
    for (const FaultScenario &s : FaultScenarios()) {
        int count = FaultOperationCount(dir, P, s);
        ASSERT_GT(count, 0) << s.label;
        for (PlatformFaultKind kind : kinds) {
            // One past the end checks that a fault which never comes changes nothing.
            for (int k = 1; k <= count + 1; k++) {
                FaultSetUp(dir, P, s);
                PlatformFaultArm({k, kind, nullptr});
                bool reported = FaultRun(P, s);
                PlatformFaultDisarm();
                std::string where = k <= count ? FaultWhere(s, kind, k) : std::string(s.label) + ", no fault";
                // A change that is made but not yet committed is still a success.
                if (kind == PLATFORM_FAULT_UNCOMMITTED || k > count) {
                    EXPECT_TRUE(reported) << where;
                }
                FaultCheck(P, s, kind == PLATFORM_FAULT_STOP ? std::nullopt : std::optional<bool>(reported), where);
                broken++;
            }
        }
    }
    EXPECT_GT(broken, 100);
}
