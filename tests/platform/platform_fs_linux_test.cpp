// File-system layer, Linux only: a write that fails part-way leaves no partial file behind.
#include "platform/platform.h"
#include "tests/support/log_capture.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
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

// [SECTION] Data folder

struct EnvironmentCase {
    const char *label;
    const char *localAppData;   // null unsets
    const char *xdgDataHome;
    const char *home;
    const char *expected;       // null: no folder
};

// Saved and restored around each case, so the real home is never touched.
class PlatformDataFolderLinux : public ::testing::Test {
protected:
    std::string saved[3];
    bool had[3] = {};
    const char *names[3] = {"LOCALAPPDATA", "XDG_DATA_HOME", "HOME"};
    void SetUp() override
    {
        for (int i = 0; i < 3; i++) {
            const char *value = getenv(names[i]);
            had[i] = value != nullptr;
            if (value) saved[i] = value;
        }
    }
    void TearDown() override
    {
        for (int i = 0; i < 3; i++) {
            if (had[i]) setenv(names[i], saved[i].c_str(), 1);
            else unsetenv(names[i]);
        }
    }
    static void Set(const char *name, const char *value)
    {
        if (value) setenv(name, value, 1);
        else unsetenv(name);
    }
};

TEST_F(PlatformDataFolderLinux, LocalAppDataThenXdgDataHomeThenHome)
{
    fs::path dir = fs::temp_directory_path() / ("glorvent-xdg-" + std::to_string((long long)getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir / "local");
    const std::string local = (dir / "local").string();
    const std::string localSlash = local + "/";
    const EnvironmentCase cases[] = {
        {"LOCALAPPDATA wins", local.c_str(), "/xdg/data", "/home/player", local.c_str()},
        {"LOCALAPPDATA with a trailing slash", localSlash.c_str(), nullptr, nullptr, local.c_str()},
        {"an unusable LOCALAPPDATA is not silently replaced", "/no/such/folder", "/xdg/data", "/home/player",
         nullptr},
        {"empty LOCALAPPDATA counts as unset", "", "/xdg/data/", "/home/player", "/xdg/data"},
        {"XDG_DATA_HOME", nullptr, "/xdg/data", "/home/player", "/xdg/data"},
        {"a relative XDG_DATA_HOME is ignored", nullptr, "xdg", "/home/player", "/home/player/.local/share"},
        {"HOME", nullptr, nullptr, "/home/player/", "/home/player/.local/share"},
        {"HOME at the root", nullptr, "", "/", "/.local/share"},
        {"nothing usable", nullptr, nullptr, "relative", nullptr},
        {"nothing at all", nullptr, nullptr, nullptr, nullptr},
    };
    for (const EnvironmentCase &c : cases) {
        Set("LOCALAPPDATA", c.localAppData);
        Set("XDG_DATA_HOME", c.xdgDataHome);
        Set("HOME", c.home);
        char out[PLATFORM_PATH_CAPACITY] = "stale";
        LogCapture log;
        EXPECT_EQ(PlatformUserDataDirectory(out, sizeof(out)), c.expected != nullptr) << c.label;
        EXPECT_STREQ(out, c.expected ? c.expected : "") << c.label;
        if (!c.expected) {
            EXPECT_EQ(log.count(LOG_WARNING) + log.count(LOG_INFO), 1) << c.label;
        }
    }
    char tiny[8] = "stale";
    Set("LOCALAPPDATA", nullptr);
    Set("XDG_DATA_HOME", "/xdg/data/folder");
    EXPECT_FALSE(PlatformUserDataDirectory(tiny, sizeof(tiny)));
    EXPECT_STREQ(tiny, "");
    fs::remove_all(dir);
}

// [SECTION] Commit reporting

// A folder the program may write but not list (mode 0333): renames, removals and new folders
// succeed, but the folder cannot be opened to commit them. The change must be reported as
// made, not as failed. Root ignores the mode, so the child drops to an ordinary user first.
TEST(PlatformFsLinux, ChangesInAFolderThatCannotBeCommittedAreReportedAsMade)
{
    fs::path dir = fs::temp_directory_path() / ("glorvent-commit-" + std::to_string((long long)getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    const std::string d = dir.string();
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (geteuid() == 0) {
            if (chown(d.c_str(), 65534, 65534) != 0 || setgid(65534) != 0 || setuid(65534) != 0) _exit(10);
        }
        std::vector<unsigned char> bytes(140, 1);
        if (!PlatformFileWriteCommitted((d + "/profile.dat.tmp").c_str(), bytes.data(), bytes.size())) _exit(11);
        if (chmod(d.c_str(), 0333) != 0) _exit(12);
        int code = 0;
        if (PlatformFileReplace((d + "/profile.dat.tmp").c_str(), (d + "/profile.dat").c_str()) !=
            PLATFORM_CHANGE_UNCOMMITTED)
            code |= 1;
        if (PlatformDirectoryCreate((d + "/Glorvent").c_str()) != PLATFORM_CHANGE_UNCOMMITTED) code |= 2;
        if (PlatformFileRemove((d + "/profile.dat").c_str()) != PLATFORM_CHANGE_UNCOMMITTED) code |= 4;
        chmod(d.c_str(), 0755);
        if (!fs::is_directory(d + "/Glorvent") || fs::exists(d + "/profile.dat")) code |= 8;
        _exit(code);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1 replace, 2 folder, 4 remove, 8 effects, 10+ set-up";
    fs::remove_all(dir);
}
