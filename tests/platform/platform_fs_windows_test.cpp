// File-system layer, Windows only: UTF-8 that has no UTF-16 form is refused, and LOCALAPPDATA
// takes only drive-absolute or UNC paths.
#include "platform/platform.h"
#include "tests/support/log_capture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

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
