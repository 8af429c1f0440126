// File-system layer, Windows only: UTF-8 that has no UTF-16 form is refused, and LOCALAPPDATA
// takes only drive-absolute or UNC paths.
#include "platform/platform.h"
#include "tests/support/log_capture.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <io.h>
#include <share.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace fs = std::filesystem;

struct BadUtf8 {
    const char *label;
    const char *bytes;
};

static const BadUtf8 BAD_UTF8[] = {
    {"bad continuation", "\xC3\x28"},
    {"overlong slash", "\xC0\xAF"},
    {"overlong three-byte", "\xE0\x80\xAF"},
    {"surrogate half", "\xED\xA0\x80"},
    {"above U+10FFFF", "\xF4\x90\x80\x80"},
    {"truncated at the end", "\xE2\x82"},
    {"stray continuation", "\x80"},
    {"0xFF", "\xFF"},
};

class PlatformFsWindows : public ::testing::Test {
protected:
    fs::path root;
    std::string rootUtf8;
    void SetUp() override
    {
        const ::testing::TestInfo *test = ::testing::UnitTest::GetInstance()->current_test_info();
        root = fs::temp_directory_path() / (std::string("glorvent-fsw-") + test->name());
        fs::remove_all(root);
        fs::create_directories(root);
        std::u8string text = root.u8string();
        rootUtf8.assign(text.begin(), text.end());
    }
    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }
};

// Each operation refuses the path with one warning and nothing appears in the folder; a lossy
// conversion would instead create a file under a replacement character.
TEST_F(PlatformFsWindows, InvalidUtf8PathsAreRefusedByEveryOperation)
{
    for (const BadUtf8 &bad : BAD_UTF8) {
        std::string path = rootUtf8 + "/profile" + bad.bytes + ".dat";
        std::string good = rootUtf8 + "/good.dat";
        unsigned char byte = 7;
        size_t size = 3;
        LogCapture log;
        EXPECT_FALSE(PlatformFileWriteCommitted(path.c_str(), &byte, 1)) << bad.label;
        EXPECT_EQ(PlatformDirectoryCreate(path.c_str()), PLATFORM_CHANGE_FAILED) << bad.label;
        EXPECT_EQ(PlatformPathQuery(path.c_str()), PLATFORM_PATH_ERROR) << bad.label;
        EXPECT_FALSE(PlatformFileRead(path.c_str(), &byte, 1, &size)) << bad.label;
        EXPECT_EQ(PlatformFileRemove(path.c_str()), PLATFORM_CHANGE_FAILED) << bad.label;
        EXPECT_EQ(PlatformFileReplace(good.c_str(), path.c_str()), PLATFORM_CHANGE_FAILED) << bad.label;
        EXPECT_EQ(log.count(LOG_WARNING), 6) << bad.label;
        for (const LogLine &line : log.lines())
            EXPECT_NE(line.text.find("not valid UTF-8"), std::string::npos) << bad.label << ": " << line.text;
        EXPECT_TRUE(fs::is_empty(root)) << bad.label;
    }
}

struct WindowsAppDataCase {
    const char *label;
    const wchar_t *value;
    bool ok;
};

TEST_F(PlatformFsWindows, LocalAppDataMustBeDriveAbsoluteOrUnc)
{
    const wchar_t *saved = _wgetenv(L"LOCALAPPDATA");
    std::wstring restore = saved ? saved : L"";
    fs::current_path(root);
    const WindowsAppDataCase cases[] = {
        {"drive root keeps its separator", L"C:\\", true},
        {"drive root with a slash", L"C:/", true},
        {"current folder of drive C", L"C:", false},
        {"root of the current drive", L"\\windows", false},
        {"relative", L".", false},
        {"lone surrogate", L"C:\\users\\\xD800x", false},
    };
    for (const WindowsAppDataCase &c : cases) {
        _wputenv_s(L"LOCALAPPDATA", c.value);
        char out[PLATFORM_PATH_CAPACITY] = "stale";
        LogCapture log;
        EXPECT_EQ(PlatformLocalAppDataDirectory(out, sizeof(out)), c.ok) << c.label;
        if (c.ok) {
            EXPECT_EQ(std::string(out).substr(0, 2), "C:") << c.label;
            EXPECT_EQ(std::string(out).size(), 3u) << c.label << ": " << out;
        } else {
            EXPECT_STREQ(out, "") << c.label;
        }
    }
    fs::current_path(fs::temp_directory_path());
    _wputenv_s(L"LOCALAPPDATA", restore.c_str());
}

// [SECTION] Files held open by another program

static void WriteFile8(const fs::path &path, char fill)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    std::string bytes(8, fill);
    out.write(bytes.data(), (std::streamsize)bytes.size());
}

static std::string ReadAll(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// An open file that shares nothing, as a virus scanner's or backup tool's may; -1 on failure.
static int HoldExclusively(const fs::path &path)
{
    int fd = -1;
    _wsopen_s(&fd, path.c_str(), _O_RDONLY | _O_BINARY, _SH_DENYRW, 0);
    return fd;
}

// A hold released after a moment is waited out: the replace, the read and the removal all
// succeed once the other program lets go.
TEST_F(PlatformFsWindows, AShortHoldByAnotherProgramIsWaitedOut)
{
    fs::path target = root / "profile.dat", tmp = root / "profile.dat.tmp";
    std::string t = rootUtf8 + "/profile.dat", from = rootUtf8 + "/profile.dat.tmp";
    WriteFile8(target, 'o');
    WriteFile8(tmp, 'n');
    auto holdBriefly = [&](const fs::path &path) {
        int held = HoldExclusively(path);
        EXPECT_GE(held, 0);
        return std::thread([held] {
            std::this_thread::sleep_for(std::chrono::milliseconds(150));
            _close(held);
        });
    };
    std::thread release = holdBriefly(target);
    EXPECT_EQ(PlatformFileReplace(from.c_str(), t.c_str()), PLATFORM_CHANGE_COMMITTED);
    release.join();
    EXPECT_EQ(ReadAll(target), std::string(8, 'n'));

    release = holdBriefly(target);
    unsigned char buffer[16];
    size_t size = 0;
    EXPECT_EQ(PlatformFileReadChecked(t.c_str(), buffer, sizeof(buffer), &size), PLATFORM_READ_OK);
    EXPECT_EQ(size, 8u);
    release.join();

    release = holdBriefly(target);
    EXPECT_EQ(PlatformFileRemove(t.c_str()), PLATFORM_CHANGE_COMMITTED);
    release.join();
    EXPECT_FALSE(fs::exists(target));
}

// A hold that does not end fails the replace after a bounded wait, with the old file intact.
TEST_F(PlatformFsWindows, AHoldThatDoesNotEndFailsWithinABoundedTime)
{
    fs::path target = root / "profile.dat", tmp = root / "profile.dat.tmp";
    std::string t = rootUtf8 + "/profile.dat", from = rootUtf8 + "/profile.dat.tmp";
    WriteFile8(target, 'o');
    WriteFile8(tmp, 'n');
    int held = HoldExclusively(target);
    ASSERT_GE(held, 0);
    LogCapture log;
    auto start = std::chrono::steady_clock::now();
    PlatformChange result = PlatformFileReplace(from.c_str(), t.c_str());
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    _close(held);
    EXPECT_EQ(result, PLATFORM_CHANGE_FAILED);
    EXPECT_LT(seconds, 3.0);
    EXPECT_EQ(log.count(LOG_WARNING), 1);
    EXPECT_EQ(ReadAll(target), std::string(8, 'o'));
}
