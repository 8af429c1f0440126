// File-system layer, Linux only: a write that fails part-way leaves no partial file behind.
#include "platform/platform.h"
#include "tests/support/log_capture.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>
#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

// A file-size limit makes the kernel refuse the bytes past it, as a full disk would.
TEST(PlatformFsLinux, WriteCutShortRemovesThePartialFile)
{
    fs::path dir = fs::temp_directory_path() / ("glorvent-fsl-" + std::to_string((long long)getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    std::string path = (dir / "profile.dat.tmp").string();
    std::vector<unsigned char> bytes(140, 0x5A);

    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 100;
    void (*previous)(int) = signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    LogCapture log;
    bool ok = PlatformFileWriteCommitted(path.c_str(), bytes.data(), bytes.size());
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, previous);

    EXPECT_FALSE(ok);
    EXPECT_FALSE(fs::exists(path));
    EXPECT_EQ(log.count(LOG_WARNING), 1);
    fs::remove_all(dir);
}
