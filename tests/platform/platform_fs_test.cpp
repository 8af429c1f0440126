// File-system layer: the operations a crash-safe save needs, on the real file system of the
// system the tests run on (Linux, or Windows under Wine).
#include "platform/platform.h"
#include "tests/support/log_capture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace fs = std::filesystem;

static fs::path FromUtf8(const std::string &utf8)
{
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

static std::string ToUtf8(const fs::path &path)
{
    std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

// LOCALAPPDATA as the Win32 environment sees it (wide) or the POSIX one (bytes); nullopt unsets.
static void SetLocalAppData(const std::optional<std::string> &utf8)
{
#ifdef _WIN32
    std::wstring wide = utf8 ? FromUtf8(*utf8).wstring() : std::wstring();
    _wputenv_s(L"LOCALAPPDATA", wide.c_str());
#else
    if (utf8) setenv("LOCALAPPDATA", utf8->c_str(), 1);
    else unsetenv("LOCALAPPDATA");
#endif
}

static std::optional<std::string> GetLocalAppData()
{
#ifdef _WIN32
    const wchar_t *value = _wgetenv(L"LOCALAPPDATA");
    if (!value) return std::nullopt;
    return ToUtf8(fs::path(value));
#else
    const char *value = getenv("LOCALAPPDATA");
    if (!value) return std::nullopt;
    return std::string(value);
#endif
}

static std::vector<unsigned char> Bytes(size_t count, unsigned char seed)
{
    std::vector<unsigned char> bytes(count);
    for (size_t i = 0; i < count; i++) bytes[i] = (unsigned char)(seed + i * 7);
    return bytes;
}

// What a reader other than the layer itself finds in the file.
static std::vector<unsigned char> ReadBack(const std::string &path)
{
    std::ifstream in(FromUtf8(path), std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

static void WriteRaw(const std::string &path, const std::vector<unsigned char> &bytes)
{
    std::ofstream out(FromUtf8(path), std::ios::binary | std::ios::trunc);
    out.write((const char *)bytes.data(), (std::streamsize)bytes.size());
}

static std::vector<std::string> Names(const std::string &dir)
{
    std::vector<std::string> names;
    for (const fs::directory_entry &entry : fs::directory_iterator(FromUtf8(dir)))
        names.push_back(ToUtf8(entry.path().filename()));
    std::sort(names.begin(), names.end());
    return names;
}

// A fresh, empty folder per test. Paths below it are joined with '/', so on Windows every
// test also runs with mixed separators, as the profile's "%s/Glorvent/profile.dat" does.
class PlatformFs : public ::testing::Test {
protected:
    std::string root;

    void SetUp() override
    {
        // Test processes may run in parallel: the test's name and the clock keep folders apart.
        const ::testing::TestInfo *test = ::testing::UnitTest::GetInstance()->current_test_info();
        long long stamp = (long long)std::chrono::steady_clock::now().time_since_epoch().count();
        fs::path base = fs::temp_directory_path() / (std::string("glorvent-fs-") + test->test_suite_name() + "-" +
                                                     test->name() + "-" + std::to_string(stamp));
        fs::remove_all(base);
        fs::create_directories(base);
        root = ToUtf8(base);
    }
    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(FromUtf8(root), ignored);
    }
    std::string At(const std::string &name) const { return root + "/" + name; }
};

// [SECTION] Whole-file write and read

TEST_F(PlatformFs, WrittenBytesAreInTheFileWhenTheCallReturns)
{
    std::vector<unsigned char> bytes = Bytes(140, 3);
    ASSERT_TRUE(PlatformFileWriteCommitted(At("profile.dat.tmp").c_str(), bytes.data(), bytes.size()));
    EXPECT_EQ(ReadBack(At("profile.dat.tmp")), bytes);
}

TEST_F(PlatformFs, WriteReplacesLongerContentCompletely)
{
    WriteRaw(At("f"), Bytes(500, 9));
    std::vector<unsigned char> bytes = Bytes(7, 1);
    ASSERT_TRUE(PlatformFileWriteCommitted(At("f").c_str(), bytes.data(), bytes.size()));
    EXPECT_EQ(ReadBack(At("f")), bytes);
}

TEST_F(PlatformFs, FailedWriteLeavesNoFileAndOneWarning)
{
    LogCapture log;
    std::vector<unsigned char> bytes = Bytes(140, 3);
    EXPECT_FALSE(PlatformFileWriteCommitted(At("missing-folder/profile.dat.tmp").c_str(), bytes.data(), bytes.size()));
    EXPECT_TRUE(Names(root).empty());
    EXPECT_EQ(log.count(LOG_WARNING), 1);
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_EQ(log.lines()[0].text.rfind("PLATFORM: ", 0), 0u) << log.lines()[0].text;
}

struct ReadCase {
    size_t fileBytes;
    size_t capacity;
    bool ok;
};

TEST_F(PlatformFs, ReadAcceptsFilesThatFitAndRejectsLongerOnes)
{
    const ReadCase cases[] = {
        {0, 140, true}, {20, 140, true}, {139, 140, true}, {140, 140, true},
        {141, 140, false}, {1000, 140, false}, {1, 0, false}, {0, 0, true},
    };
    for (const ReadCase &c : cases) {
        std::vector<unsigned char> bytes = Bytes(c.fileBytes, 5);
        WriteRaw(At("f"), bytes);
        unsigned char buffer[200];
        memset(buffer, 0xEE, sizeof(buffer));
        size_t size = 12345;
        LogCapture log;
        bool ok = PlatformFileRead(At("f").c_str(), buffer, c.capacity, &size);
        EXPECT_EQ(ok, c.ok) << c.fileBytes << " bytes into " << c.capacity;
        if (ok) {
            EXPECT_EQ(size, c.fileBytes);
            EXPECT_EQ(std::vector<unsigned char>(buffer, buffer + size), bytes);
            EXPECT_EQ(log.lines().size(), 0u);
        } else {
            EXPECT_EQ(size, 0u) << c.fileBytes << " bytes into " << c.capacity;
            EXPECT_EQ(log.count(LOG_WARNING), 1);
        }
        // Nothing beyond the capacity is touched, whatever the file holds.
        EXPECT_EQ(buffer[c.capacity], 0xEE) << c.fileBytes << " bytes into " << c.capacity;
    }
}

TEST_F(PlatformFs, ReadingAMissingFileIsAnInfoLineNotAWarning)
{
    LogCapture log;
    unsigned char buffer[16];
    size_t size = 99;
    EXPECT_FALSE(PlatformFileRead(At("profile.dat.reset").c_str(), buffer, sizeof(buffer), &size));
    EXPECT_FALSE(PlatformFileRead(At("no-folder/profile.dat").c_str(), buffer, sizeof(buffer), &size));
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(log.count(LOG_INFO), 2);
    EXPECT_EQ(log.count(LOG_WARNING), 0);
}

// The reader tells a missing file from one it could not read and from one that is too long,
// and hands over the first bytes of the long one so its header can still be recognised.
TEST_F(PlatformFs, CheckedReadSaysWhyAFileWasNotRead)
{
    std::vector<unsigned char> bytes = Bytes(300, 8);
    WriteRaw(At("long"), bytes);
    WriteRaw(At("short"), Bytes(20, 8));
    fs::create_directory(FromUtf8(At("folder")));
    unsigned char buffer[141];
    size_t size = 99;
    EXPECT_EQ(PlatformFileReadChecked(At("long").c_str(), buffer, sizeof(buffer), &size), PLATFORM_READ_TOO_LONG);
    EXPECT_EQ(size, sizeof(buffer));
    EXPECT_EQ(std::vector<unsigned char>(buffer, buffer + sizeof(buffer)),
              std::vector<unsigned char>(bytes.begin(), bytes.begin() + sizeof(buffer)));
    EXPECT_EQ(PlatformFileReadChecked(At("short").c_str(), buffer, sizeof(buffer), &size), PLATFORM_READ_OK);
    EXPECT_EQ(size, 20u);
    EXPECT_EQ(PlatformFileReadChecked(At("missing").c_str(), buffer, sizeof(buffer), &size), PLATFORM_READ_MISSING);
    EXPECT_EQ(size, 0u);
    LogCapture log;
    EXPECT_EQ(PlatformFileReadChecked(At("folder").c_str(), buffer, sizeof(buffer), &size), PLATFORM_READ_ERROR);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(log.count(LOG_WARNING), 1);
}

// [SECTION] Atomic replace

TEST_F(PlatformFs, ReplaceSwapsInTheNewFileOverAnExistingOne)
{
    WriteRaw(At("profile.dat"), Bytes(300, 1));
    std::vector<unsigned char> fresh = Bytes(140, 2);
    ASSERT_TRUE(PlatformFileWriteCommitted(At("profile.dat.tmp").c_str(), fresh.data(), fresh.size()));
    ASSERT_EQ(PlatformFileReplace(At("profile.dat.tmp").c_str(), At("profile.dat").c_str()),
              PLATFORM_CHANGE_COMMITTED);
    EXPECT_EQ(ReadBack(At("profile.dat")), fresh);
    EXPECT_EQ(Names(root), std::vector<std::string>{"profile.dat"});
}

TEST_F(PlatformFs, ReplaceCreatesAMissingTarget)
{
    std::vector<unsigned char> fresh = Bytes(140, 4);
    WriteRaw(At("profile.dat.tmp"), fresh);
    ASSERT_EQ(PlatformFileReplace(At("profile.dat.tmp").c_str(), At("profile.dat").c_str()),
              PLATFORM_CHANGE_COMMITTED);
    EXPECT_EQ(ReadBack(At("profile.dat")), fresh);
    EXPECT_EQ(PlatformPathQuery(At("profile.dat.tmp").c_str()), PLATFORM_PATH_MISSING);
}

TEST_F(PlatformFs, ReplaceFromAMissingSourceKeepsTheTarget)
{
    std::vector<unsigned char> old = Bytes(140, 6);
    WriteRaw(At("profile.dat"), old);
    LogCapture log;
    EXPECT_EQ(PlatformFileReplace(At("profile.dat.tmp").c_str(), At("profile.dat").c_str()),
              PLATFORM_CHANGE_FAILED);
    EXPECT_EQ(ReadBack(At("profile.dat")), old);
    EXPECT_EQ(log.count(LOG_WARNING), 1);
}

// The whole save sequence with companions, twice over, the way a profile save uses it.
TEST_F(PlatformFs, RepeatedSavesKeepOnlyTheTargetAndItsBackup)
{
    for (unsigned char round = 0; round < 3; round++) {
        std::vector<unsigned char> previous = ReadBack(At("profile.dat"));
        if (!previous.empty()) {
            ASSERT_TRUE(PlatformFileWriteCommitted(At("profile.dat.tmp").c_str(), previous.data(), previous.size()));
            ASSERT_EQ(PlatformFileReplace(At("profile.dat.tmp").c_str(), At("profile.dat.bak").c_str()),
                      PLATFORM_CHANGE_COMMITTED);
        }
        std::vector<unsigned char> next = Bytes(140, round);
        ASSERT_TRUE(PlatformFileWriteCommitted(At("profile.dat.tmp").c_str(), next.data(), next.size()));
        ASSERT_EQ(PlatformFileReplace(At("profile.dat.tmp").c_str(), At("profile.dat").c_str()),
                  PLATFORM_CHANGE_COMMITTED);
        EXPECT_EQ(ReadBack(At("profile.dat")), next);
        if (!previous.empty()) {
            EXPECT_EQ(ReadBack(At("profile.dat.bak")), previous);
        }
    }
    EXPECT_EQ(Names(root), (std::vector<std::string>{"profile.dat", "profile.dat.bak"}));
}

// [SECTION] Folders, queries and removal

TEST_F(PlatformFs, DirectoryCreateAcceptsAnExistingFolderButNotAFile)
{
    EXPECT_EQ(PlatformDirectoryCreate(At("Glorvent").c_str()), PLATFORM_CHANGE_COMMITTED);
    EXPECT_EQ(PlatformPathQuery(At("Glorvent").c_str()), PLATFORM_PATH_DIRECTORY);
    EXPECT_EQ(PlatformDirectoryCreate(At("Glorvent").c_str()), PLATFORM_CHANGE_COMMITTED);
    EXPECT_EQ(PlatformDirectoryCreate(root.c_str()), PLATFORM_CHANGE_COMMITTED);

    WriteRaw(At("file"), Bytes(3, 0));
    LogCapture log;
    EXPECT_EQ(PlatformDirectoryCreate(At("file").c_str()), PLATFORM_CHANGE_FAILED);
    EXPECT_EQ(PlatformPathQuery(At("file").c_str()), PLATFORM_PATH_FILE);
    EXPECT_EQ(PlatformDirectoryCreate(At("a/b").c_str()), PLATFORM_CHANGE_FAILED);   // one level at a time
    EXPECT_EQ(log.count(LOG_WARNING), 2);
}

struct QueryCase {
    const char *name;
    PlatformPathKind kind;
};

TEST_F(PlatformFs, QueryTellsFilesFoldersAndMissingPathsApart)
{
    WriteRaw(At("file"), Bytes(3, 0));
    fs::create_directory(FromUtf8(At("folder")));
    const QueryCase cases[] = {
        {"file", PLATFORM_PATH_FILE},
        {"folder", PLATFORM_PATH_DIRECTORY},
        {"folder/", PLATFORM_PATH_DIRECTORY},
        {"nothing", PLATFORM_PATH_MISSING},
        {"nothing/below", PLATFORM_PATH_MISSING},
        {"folder/nothing", PLATFORM_PATH_MISSING},
    };
    LogCapture log;
    for (const QueryCase &c : cases) EXPECT_EQ(PlatformPathQuery(At(c.name).c_str()), c.kind) << c.name;
    EXPECT_EQ(log.lines().size(), 0u);
}

TEST_F(PlatformFs, RemoveTreatsAnAlreadyMissingFileAsDone)
{
    WriteRaw(At("profile.dat.reset"), Bytes(140, 0));
    EXPECT_EQ(PlatformFileRemove(At("profile.dat.reset").c_str()), PLATFORM_CHANGE_COMMITTED);
    EXPECT_EQ(PlatformPathQuery(At("profile.dat.reset").c_str()), PLATFORM_PATH_MISSING);
    EXPECT_EQ(PlatformFileRemove(At("profile.dat.reset").c_str()), PLATFORM_CHANGE_COMMITTED);

    fs::create_directory(FromUtf8(At("folder")));
    LogCapture log;
    EXPECT_EQ(PlatformFileRemove(At("folder").c_str()), PLATFORM_CHANGE_FAILED);
    EXPECT_EQ(PlatformPathQuery(At("folder").c_str()), PLATFORM_PATH_DIRECTORY);
    EXPECT_EQ(log.count(LOG_WARNING), 1);
}

TEST_F(PlatformFs, PathsLongerThanTheCapacityAreRefused)
{
    std::string path = root + "/" + std::string(PLATFORM_PATH_CAPACITY, 'a');
    unsigned char byte = 1;
    size_t size = 5;
    LogCapture log;
    EXPECT_FALSE(PlatformFileWriteCommitted(path.c_str(), &byte, 1));
    EXPECT_FALSE(PlatformFileRead(path.c_str(), &byte, 1, &size));
    EXPECT_EQ(PlatformDirectoryCreate(path.c_str()), PLATFORM_CHANGE_FAILED);
    EXPECT_EQ(PlatformFileRemove(path.c_str()), PLATFORM_CHANGE_FAILED);
    EXPECT_EQ(PlatformFileReplace(path.c_str(), At("x").c_str()), PLATFORM_CHANGE_FAILED);
    EXPECT_EQ(PlatformPathQuery(path.c_str()), PLATFORM_PATH_ERROR);
    EXPECT_EQ(log.count(LOG_WARNING), 6);
    EXPECT_TRUE(Names(root).empty());
}

// [SECTION] Non-ASCII paths

// A Cyrillic folder and file name go through every operation and arrive on disk as the same
// characters (not as bytes reinterpreted in some code page).
TEST_F(PlatformFs, CyrillicNamesWorkThroughEveryOperation)
{
    const std::string folder = At("Профиль игрока");
    const std::string target = folder + "/профиль.dat";
    const std::string tmp = target + ".tmp";
    ASSERT_EQ(PlatformDirectoryCreate(folder.c_str()), PLATFORM_CHANGE_COMMITTED);
    EXPECT_EQ(PlatformPathQuery(folder.c_str()), PLATFORM_PATH_DIRECTORY);

    std::vector<unsigned char> bytes = Bytes(140, 11);
    ASSERT_TRUE(PlatformFileWriteCommitted(tmp.c_str(), bytes.data(), bytes.size()));
    ASSERT_EQ(PlatformFileReplace(tmp.c_str(), target.c_str()), PLATFORM_CHANGE_COMMITTED);
    EXPECT_EQ(PlatformPathQuery(target.c_str()), PLATFORM_PATH_FILE);

    unsigned char buffer[140];
    size_t size = 0;
    ASSERT_TRUE(PlatformFileRead(target.c_str(), buffer, sizeof(buffer), &size));
    EXPECT_EQ(std::vector<unsigned char>(buffer, buffer + size), bytes);

    EXPECT_EQ(Names(root), std::vector<std::string>{"Профиль игрока"});
    EXPECT_EQ(Names(folder), std::vector<std::string>{"профиль.dat"});
    EXPECT_EQ(PlatformFileRemove(target.c_str()), PLATFORM_CHANGE_COMMITTED);
    EXPECT_TRUE(Names(folder).empty());
}

// [SECTION] LOCALAPPDATA

class PlatformLocalAppData : public PlatformFs {
protected:
    std::optional<std::string> saved;
    void SetUp() override
    {
        PlatformFs::SetUp();
        saved = GetLocalAppData();
    }
    void TearDown() override
    {
        SetLocalAppData(saved);
        PlatformFs::TearDown();
    }
};

TEST_F(PlatformLocalAppData, UsableFolderIsReturnedWithoutATrailingSeparator)
{
    fs::create_directory(FromUtf8(At("Локальные данные")));
    const std::string expected = At("Локальные данные");
    const std::string values[] = {expected, expected + "/", expected + "//"};
    for (const std::string &value : values) {
        SetLocalAppData(value);
        char out[PLATFORM_PATH_CAPACITY];
        ASSERT_TRUE(PlatformLocalAppDataDirectory(out, sizeof(out))) << value;
        EXPECT_EQ(PlatformPathQuery(out), PLATFORM_PATH_DIRECTORY) << out;
        // The same folder, named the way a profile path is then built on it.
        EXPECT_EQ(fs::equivalent(FromUtf8(out), FromUtf8(expected)), true) << out;
        EXPECT_NE(out[strlen(out) - 1], '/') << out;
        EXPECT_NE(out[strlen(out) - 1], '\\') << out;
    }
}

struct AppDataCase {
    const char *label;
    std::optional<std::string> value;   // relative to the test folder when it starts with "@"
    const char *reason;                 // in the one log line
};

TEST_F(PlatformLocalAppData, UnsetOrUnusableDisablesPersistence)
{
    WriteRaw(At("file"), Bytes(3, 0));
    const AppDataCase cases[] = {
        {"unset", std::nullopt, "not set"},
        {"empty", std::string(), "not set"},
        {"relative", std::string("relative/folder"), "absolute"},
        {"missing folder", std::string("@missing"), "not a folder"},
        {"a file", std::string("@file"), "not a folder"},
    };
    for (const AppDataCase &c : cases) {
        std::optional<std::string> value = c.value;
        if (value && !value->empty() && (*value)[0] == '@') value = At(value->substr(1));
        SetLocalAppData(value);
        char out[PLATFORM_PATH_CAPACITY] = "stale";
        LogCapture log;
        EXPECT_FALSE(PlatformLocalAppDataDirectory(out, sizeof(out))) << c.label;
        EXPECT_STREQ(out, "") << c.label;
        ASSERT_EQ(log.lines().size(), 1u) << c.label;
        EXPECT_NE(log.lines()[0].text.find(c.reason), std::string::npos) << c.label << ": " << log.lines()[0].text;
    }
}

TEST_F(PlatformLocalAppData, TooSmallBufferFailsAndLeavesItEmpty)
{
    SetLocalAppData(root);
    char out[4] = "abc";
    EXPECT_FALSE(PlatformLocalAppDataDirectory(out, sizeof(out)));
    EXPECT_STREQ(out, "");
    EXPECT_FALSE(PlatformLocalAppDataDirectory(out, 1));
    EXPECT_STREQ(out, "");
    EXPECT_FALSE(PlatformLocalAppDataDirectory(nullptr, 4096));

    char exact[PLATFORM_PATH_CAPACITY];
    ASSERT_TRUE(PlatformLocalAppDataDirectory(exact, sizeof(exact)));
    size_t needed = strlen(exact) + 1;
    EXPECT_TRUE(PlatformLocalAppDataDirectory(exact, needed));
    EXPECT_FALSE(PlatformLocalAppDataDirectory(exact, needed - 1));
    EXPECT_STREQ(exact, "");
}

// LOCALAPPDATA, when set, is the data folder on every system, which keeps tests out of the
// player's own folders.
TEST_F(PlatformLocalAppData, UserDataFolderIsLocalAppDataWhenSet)
{
    SetLocalAppData(root);
    char out[PLATFORM_PATH_CAPACITY];
    ASSERT_TRUE(PlatformUserDataDirectory(out, sizeof(out)));
    EXPECT_TRUE(fs::equivalent(FromUtf8(out), FromUtf8(root))) << out;
    SetLocalAppData(At("missing"));
    EXPECT_FALSE(PlatformUserDataDirectory(out, sizeof(out)));
    EXPECT_STREQ(out, "");
}
