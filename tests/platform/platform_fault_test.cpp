// Fault injection in the file-system layer: the hook the profile's crash and fault tests rely
// on counts every operation and hits exactly the one it was armed for.
#include "platform/platform.h"
#include "platform/platform_fault.h"
#include "tests/support/log_capture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

class PlatformFault : public ::testing::Test {
protected:
    std::string root;
    void SetUp() override
    {
        const ::testing::TestInfo *test = ::testing::UnitTest::GetInstance()->current_test_info();
        long long stamp = (long long)std::chrono::steady_clock::now().time_since_epoch().count();
        fs::path base = fs::temp_directory_path() / (std::string("glorvent-fault-") + test->name() + "-" +
                                                     std::to_string(stamp));
        fs::create_directories(base);
        std::u8string text = base.u8string();
        root.assign(text.begin(), text.end());
    }
    void TearDown() override
    {
        PlatformFaultDisarm();
        std::error_code ignored;
        fs::remove_all(fs::path(std::u8string(root.begin(), root.end())), ignored);
    }
    std::string At(const char *name) const { return root + "/" + name; }
    bool Exists(const char *name) const { return PlatformPathQuery(At(name).c_str()) == PLATFORM_PATH_FILE; }

    // Six operations, one of each kind; returns how many reported success.
    int RunSequence()
    {
        unsigned char bytes[4] = {1, 2, 3, 4};
        unsigned char buffer[8];
        size_t size = 0;
        int ok = 0;
        ok += PlatformDirectoryCreate(At("folder").c_str()) != PLATFORM_CHANGE_FAILED;             // 1
        ok += PlatformFileWriteCommitted(At("a.tmp").c_str(), bytes, sizeof(bytes));                // 2
        ok += PlatformFileReplace(At("a.tmp").c_str(), At("a").c_str()) != PLATFORM_CHANGE_FAILED; // 3
        ok += PlatformFileRead(At("a").c_str(), buffer, sizeof(buffer), &size);                     // 4
        ok += PlatformPathQuery(At("a").c_str()) == PLATFORM_PATH_FILE;                             // 5
        ok += PlatformFileRemove(At("a").c_str()) != PLATFORM_CHANGE_FAILED;                       // 6
        return ok;
    }
};

TEST_F(PlatformFault, EveryOperationCountsOnceAndAnUnarmedPlanChangesNothing)
{
    PlatformFaultArm({0, PLATFORM_FAULT_NONE, nullptr});
    EXPECT_EQ(RunSequence(), 6);
    EXPECT_EQ(PlatformFaultOperations(), 6);
    EXPECT_FALSE(Exists("a"));
}

// Failing operation k fails only that one, with its log line, and leaves no trace of it.
TEST_F(PlatformFault, FailingOperationKFailsOnlyThatOne)
{
    for (int k = 1; k <= 6; k++) {
        fs::remove_all(fs::path(std::u8string(root.begin(), root.end())) / "folder");
        PlatformFaultArm({k, PLATFORM_FAULT_FAIL, nullptr});
        LogCapture log;
        int ok = RunSequence();
        PlatformFaultDisarm();
        // A failed write or replace also fails the later steps on its file, except the removal
        // of a file that is not there.
        int expected = k == 2 ? 2 : (k == 3 ? 3 : 5);
        EXPECT_EQ(ok, expected) << "operation " << k;
        int injected = 0;
        for (const LogLine &line : log.lines()) injected += line.text.find("injected fault") != std::string::npos;
        EXPECT_EQ(injected, 1) << "operation " << k;
        EXPECT_EQ(PlatformPathQuery(At("folder").c_str()) == PLATFORM_PATH_DIRECTORY, k != 1) << "operation " << k;
        if (k == 6) {
            EXPECT_TRUE(Exists("a"));
        }
        PlatformFileRemove(At("a").c_str());
        PlatformFileRemove(At("a.tmp").c_str());
    }
}

// A change whose commit fails is made and says so; it is not a failure.
TEST_F(PlatformFault, UncommittedChangesAreMadeAndReportedAsSuch)
{
    unsigned char bytes[4] = {1, 2, 3, 4};
    ASSERT_TRUE(PlatformFileWriteCommitted(At("a.tmp").c_str(), bytes, sizeof(bytes)));
    PlatformFaultArm({1, PLATFORM_FAULT_UNCOMMITTED, nullptr});
    EXPECT_EQ(PlatformFileReplace(At("a.tmp").c_str(), At("a").c_str()), PLATFORM_CHANGE_UNCOMMITTED);
    EXPECT_TRUE(Exists("a"));
    EXPECT_FALSE(Exists("a.tmp"));
    PlatformFaultArm({1, PLATFORM_FAULT_UNCOMMITTED, nullptr});
    EXPECT_EQ(PlatformDirectoryCreate(At("folder").c_str()), PLATFORM_CHANGE_UNCOMMITTED);
    EXPECT_EQ(PlatformPathQuery(At("folder").c_str()), PLATFORM_PATH_DIRECTORY);
    PlatformFaultArm({1, PLATFORM_FAULT_UNCOMMITTED, nullptr});
    EXPECT_EQ(PlatformFileRemove(At("a").c_str()), PLATFORM_CHANGE_UNCOMMITTED);
    EXPECT_FALSE(Exists("a"));
}

static int stopCalls = 0;
static void CountStop() { stopCalls++; }

// Stopping after operation k: k happens, the stop hook runs once, and nothing after it has
// any effect or says anything, as if the program had died there.
TEST_F(PlatformFault, StoppingAfterOperationKFreezesTheDisk)
{
    stopCalls = 0;
    PlatformFaultArm({2, PLATFORM_FAULT_STOP, CountStop});
    LogCapture log;
    EXPECT_EQ(RunSequence(), 2);
    EXPECT_EQ(stopCalls, 1);
    EXPECT_EQ(log.lines().size(), 0u);
    PlatformFaultDisarm();
    EXPECT_TRUE(Exists("a.tmp"));
    EXPECT_FALSE(Exists("a"));
    EXPECT_EQ(RunSequence(), 6);
}
