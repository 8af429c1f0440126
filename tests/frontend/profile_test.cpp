// Profile: the record's rules, its file format with the older versions, and the load, save
// and erase procedures on real files in a temporary folder.
#include "frontend/profile.h"
#include "platform/platform.h"
#include "platform/platform_fault.h"
#include "tests/frontend/profile_files.h"
#include "tests/support/log_capture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <vector>

using namespace profile_files;

// [SECTION] Encoding

// The default record, byte for byte (checksum 0x9624233E over bytes 20..139).
static const unsigned char DEFAULT_BYTES[PROFILE_BYTES] = {
    0x47, 0x4C, 0x4F, 0x52, 0x56, 0x4E, 0x54, 0x50, 0x06, 0x00, 0x00, 0x00, 0x78, 0x00, 0x00, 0x00, 0x3E, 0x23, 0x24, 0x96,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x40, 0x3F, 0x9A, 0x99, 0x59, 0x3F, 0x01, 0x00, 0x00, 0x00,
    0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x64, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00,
    0x01, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
};

TEST(ProfileEncoding, DefaultsEncodeToTheGoldenBytes)
{
    Profile p;
    ProfileDefaults(p);
    EXPECT_EQ(Encode(p), Bytes(DEFAULT_BYTES, DEFAULT_BYTES + PROFILE_BYTES));
    EXPECT_EQ(ProfileGraphicsPresetIndex(p), 2);
    EXPECT_TRUE(ProfileValid(p, PROFILE_LEVEL_SECONDS));

    Profile decoded = Rich();
    ASSERT_TRUE(ProfileDecode(decoded, DEFAULT_BYTES, PROFILE_BYTES));
    EXPECT_TRUE(ProfileEqual(decoded, p));
}

TEST(ProfileEncoding, EveryFieldSurvivesEncodingAtItsExtremes)
{
    Profile p = Rich();
    p.coins = std::numeric_limits<uint64_t>::max();
    p.victories = std::numeric_limits<uint32_t>::max();
    p.bestVictorySeconds = PROFILE_MAX_RUN_SECONDS;
    p.shop.revivesUsed = 2;
    Bytes bytes = Encode(p);
    Profile back;
    ProfileDefaults(back);
    ASSERT_TRUE(ProfileDecode(back, bytes.data(), bytes.size()));
    EXPECT_TRUE(ProfileEqual(back, p));
    EXPECT_EQ(back.coins, p.coins);
    EXPECT_EQ(back.victories, p.victories);
    EXPECT_EQ(back.shop.level[PROFILE_MAGNET], 5);
    EXPECT_EQ(back.shop.revivesUsed, 0);   // a decoded record starts a run with no revives spent
    EXPECT_EQ(Encode(back), bytes);

    for (int preset = 0; preset < 3; preset++) {
        ProfileApplyGraphicsPreset(p, preset);
        Bytes encoded = Encode(p);
        ASSERT_TRUE(ProfileDecode(back, encoded.data(), encoded.size())) << preset;
        EXPECT_EQ(ProfileGraphicsPresetIndex(back), preset);
    }
}

struct VersionCase {
    uint32_t version;
    size_t bytes;
    bool borderless;   // what the loaded record holds for the fields that came later
    int quality;
    bool gamepad;
    int magnet;
};

// Each older file is the newest record cut short; what it lacks takes the defaults, and the
// opening comic is always offered again.
TEST(ProfileEncoding, OlderVersionsLoadWithDefaultsForWhatTheyLack)
{
    const Profile rich = Rich();
    const VersionCase cases[] = {
        {1, PROFILE_V1_BYTES, false, 100, false, 0},
        {2, PROFILE_V2_BYTES, true, 100, false, 0},
        {3, PROFILE_V3_BYTES, true, 80, false, 0},
        {4, PROFILE_V4_BYTES, true, 80, true, 0},
        {5, PROFILE_V5_BYTES, true, 80, true, 5},
    };
    for (const VersionCase &c : cases) {
        Bytes file = Cut(rich, c.version, c.bytes);
        Profile p;
        ProfileDefaults(p);
        ASSERT_TRUE(ProfileDecode(p, file.data(), file.size())) << "version " << c.version;
        EXPECT_EQ(p.borderless, c.borderless) << "version " << c.version;
        EXPECT_EQ(p.graphics[0], c.quality) << "version " << c.version;
        EXPECT_EQ(ProfileGraphicsPresetIndex(p), c.version < 3 ? 2 : -1) << "version " << c.version;
        EXPECT_EQ(p.gamepad, c.gamepad) << "version " << c.version;
        EXPECT_EQ(p.shop.level[PROFILE_MAGNET], c.magnet) << "version " << c.version;
        EXPECT_FALSE(p.introSeen) << "version " << c.version;

        // Everything else is the record itself.
        Profile expected = rich;
        expected.borderless = c.borderless;
        if (c.version < 3) ProfileApplyGraphicsPreset(expected, 2);
        expected.gamepad = c.gamepad;
        expected.shop.level[PROFILE_MAGNET] = c.magnet;
        expected.introSeen = false;
        EXPECT_TRUE(ProfileEqual(p, expected)) << "version " << c.version;
    }
}

struct RejectCase {
    const char *label;
    size_t at;            // byte offset changed (ignored when value is unused)
    int32_t value;        // 32-bit value written at `at`
    bool fix;             // recompute the checksum afterwards
};

// A file is taken whole or not at all: a bad field anywhere rejects it, and the record handed
// in is left exactly as it was.
TEST(ProfileEncoding, DecoderRejectsDamagedOrOutOfRangeFiles)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    int32_t nanBits, bigVolume, longLevel;
    memcpy(&nanBits, &nan, 4);
    float f = 1.5f;
    memcpy(&bigVolume, &f, 4);
    f = 181.0f;
    memcpy(&longLevel, &f, 4);
    const RejectCase cases[] = {
        {"magic", 0, 0x58524F47, true},          // "GORX"
        {"version 0", 8, 0, false},
        {"version 7", 8, 7, false},
        {"payload length", 12, 119, false},
        {"checksum", 16, 0x12345678, false},
        {"flipped payload byte", 20, 1, false},
        {"remainder 10", 28, 10, true},
        {"remainder -1", 28, -1, true},
        {"discoveries 128", 32, 128, true},
        {"discoveries -1", 32, -1, true},
        {"coins upgrade 11", 36, 11, true},
        {"health upgrade 6", 36 + 4 * 2, 6, true},
        {"revive upgrade -1", 36 + 4 * 4, -1, true},
        {"music volume 1.5", 68, bigVolume, true},
        {"sound volume NaN", 72, nanBits, true},
        {"music flag 2", 76, 2, true},
        {"sound flag -1", 80, -1, true},
        {"best level 5", 84, 5, true},
        {"best level -1", 84, -1, true},
        {"level seconds 181", 88, longLevel, true},
        {"level seconds NaN", 88, nanBits, true},
        {"victories 0 with a victory time", 100, 0, true},
        {"a victory below level 4", 84, 3, true},
        {"borderless flag 2", 104, 2, true},
        {"render quality 101", 108, 101, true},
        {"render quality 49", 108, 49, true},
        {"clouds 3", 112, 3, true},
        {"splashes 2", 120, 2, true},
        {"gamepad flag 2", 128, 2, true},
        {"magnet level 6", 132, 6, true},
        {"magnet level -1", 132, -1, true},
        {"intro flag 2", 136, 2, true},
    };
    const Profile rich = Rich();
    for (const RejectCase &c : cases) {
        Bytes bytes = Encode(rich);
        memcpy(bytes.data() + c.at, &c.value, 4);
        if (c.fix) FixChecksum(bytes);
        Profile p;
        ProfileDefaults(p);
        p.coins = 42;
        EXPECT_FALSE(ProfileDecode(p, bytes.data(), bytes.size())) << c.label;
        EXPECT_EQ(p.coins, 42u) << c.label;
    }

    // Lengths: too short to hold a header, one byte over, and a length that belongs to
    // another version than the one the header names.
    Bytes file = Encode(rich);
    Profile p;
    EXPECT_FALSE(ProfileDecode(p, file.data(), 5));
    EXPECT_FALSE(ProfileDecode(p, file.data(), 19));
    Bytes longer = file;
    longer.push_back(0);
    EXPECT_FALSE(ProfileDecode(p, longer.data(), longer.size()));
    Bytes v1 = Cut(rich, 1, PROFILE_V1_BYTES);
    uint32_t two = 2;
    memcpy(v1.data() + 8, &two, 4);
    EXPECT_FALSE(ProfileDecode(p, v1.data(), v1.size()));
    EXPECT_FALSE(ProfileDecode(p, nullptr, 140));
}

struct ClampCase {
    int bestLevel;
    float stored;
    float loaded;
};

// Records from versions whose levels ran longer shrink to today's level length on load.
TEST(ProfileEncoding, LoadClampsLevelSecondsToTheLevelLength)
{
    const ClampCase cases[] = {
        {1, 180.0f, 90.0f}, {2, 120.5f, 90.0f}, {3, 75.0f, 60.0f}, {3, 59.0f, 59.0f}, {4, 90.0f, 90.0f},
        {2, 90.0f, 90.0f},  {1, 0.0f, 0.0f},
    };
    for (const ClampCase &c : cases) {
        Profile p;
        ProfileDefaults(p);
        p.bestLevel = c.bestLevel;
        p.bestLevelSeconds = c.stored;
        Bytes bytes = Encode(p);
        Profile back;
        ASSERT_TRUE(ProfileDecode(back, bytes.data(), bytes.size())) << c.bestLevel << " " << c.stored;
        EXPECT_EQ(back.bestLevelSeconds, c.loaded) << c.bestLevel << " " << c.stored;
        // What loads can always be saved again.
        EXPECT_TRUE(ProfileValid(back, PROFILE_LEVEL_SECONDS));
    }
}

// [SECTION] Records

struct RecordStep {
    int level;
    float levelSeconds;
    double runSeconds;
    bool victory;
    bool changed;
    int bestLevel;
    float bestSeconds;
    uint32_t victories;
    double bestVictory;
};

static void RunRecordSteps(const char *name, const std::vector<RecordStep> &steps)
{
    Profile p;
    ProfileDefaults(p);
    for (size_t i = 0; i < steps.size(); i++) {
        const RecordStep &s = steps[i];
        EXPECT_EQ(ProfileRecord(p, s.level, s.levelSeconds, s.runSeconds, s.victory), s.changed) << name << " " << i;
        EXPECT_EQ(p.bestLevel, s.bestLevel) << name << " " << i;
        EXPECT_EQ(p.bestLevelSeconds, s.bestSeconds) << name << " " << i;
        EXPECT_EQ(p.victories, s.victories) << name << " " << i;
        EXPECT_EQ(p.bestVictorySeconds, s.bestVictory) << name << " " << i;
        EXPECT_TRUE(ProfileValid(p, PROFILE_LEVEL_SECONDS)) << name << " " << i;
    }
}

TEST(ProfileRecords, LevelRecordsKeepWholeSecondsWithinTheLevelLength)
{
    RunRecordSteps("levels", {
                                 {2, 82.7f, 512.7, false, true, 2, 82, 0, 0},
                                 {2, 82.9f, 512.9, false, false, 2, 82, 0, 0},
                                 {1, 180.0f, 180.0, false, false, 2, 82, 0, 0},
                                 {3, 75.0f, 600.0, false, true, 3, 60, 0, 0},
                             });
    RunRecordSteps("long level", {
                                     {2, 180.0f, 580.0, false, true, 2, 90, 0, 0},
                                     {2, 181.0f, 581.0, false, false, 2, 90, 0, 0},
                                 });
}

TEST(ProfileRecords, EveryVictoryCountsAndTheFastestIsKept)
{
    RunRecordSteps("victories", {
                                    {4, 40.0f, 970.25, true, true, 4, 90, 1, 970.25},
                                    {4, 40.0f, 1000.0, true, true, 4, 90, 2, 970.25},
                                    {4, 40.0f, 900.5, true, true, 4, 90, 3, 900.5},
                                });
    // The first victory also beats the level record: both are kept in the same call.
    RunRecordSteps("record-beating victory", {
                                                 {3, 10.0f, 300.0, false, true, 3, 10, 0, 0},
                                                 {4, 45.0f, 600.0, true, true, 4, 90, 1, 600.0},
                                             });

    Profile p;
    ProfileDefaults(p);
    p.bestLevel = 4;
    p.bestLevelSeconds = 90.0f;
    p.victories = std::numeric_limits<uint32_t>::max();
    p.bestVictorySeconds = 500.0;
    EXPECT_FALSE(ProfileRecord(p, 4, 90.0f, 800.0, true));
    EXPECT_EQ(p.victories, std::numeric_limits<uint32_t>::max());
    EXPECT_TRUE(ProfileRecord(p, 4, 90.0f, 400.0, true));
    EXPECT_EQ(p.bestVictorySeconds, 400.0);
}

TEST(ProfileRecords, OutOfRangeReportsChangeNothing)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Bad {
        int level;
        float levelSeconds;
        double runSeconds;
        bool victory;
    } cases[] = {
        {0, 10, 10, false},   {5, 10, 10, false},   {2, nan, 10, false},  {2, -1, 10, false},
        {2, 10, -1, false},   {2, 10, inf, false},  {2, 10, PROFILE_MAX_RUN_SECONDS + 1, false},
        {4, 10, 0, true},     {4, 10, std::nan(""), true},
    };
    for (const Bad &c : cases) {
        Profile p = Later();
        Bytes before = Encode(p);
        EXPECT_FALSE(ProfileRecord(p, c.level, c.levelSeconds, c.runSeconds, c.victory))
            << c.level << " " << c.levelSeconds << " " << c.runSeconds;
        EXPECT_EQ(Encode(p), before);
    }
}

// [SECTION] Progress and presets

TEST(ProfileRecords, ResetProgressKeepsExactlyTheSettings)
{
    Profile p = Rich();
    p.shop.revivesUsed = 1;
    ProfileResetProgress(p);
    Profile expected;
    ProfileDefaults(expected);
    expected.musicVolume = 0.25f;
    expected.soundVolume = 1.0f;
    expected.musicEnabled = false;
    expected.soundEnabled = true;
    expected.borderless = true;
    expected.gamepad = true;
    memcpy(expected.graphics, Rich().graphics, sizeof(expected.graphics));
    EXPECT_TRUE(ProfileEqual(p, expected));
    EXPECT_EQ(p.shop.revivesUsed, 0);
    EXPECT_FALSE(p.introSeen);
    EXPECT_TRUE(ProfileValid(p, PROFILE_LEVEL_SECONDS));
}

TEST(ProfileRecords, PresetsAreRecognisedOnlyWhenExact)
{
    Profile p;
    ProfileDefaults(p);
    for (int i = 0; i < 3; i++) {
        ProfileApplyGraphicsPreset(p, i);
        EXPECT_EQ(ProfileGraphicsPresetIndex(p), i);
    }
    p.graphics[3] = 0;   // one switch away from "Высокие"
    EXPECT_EQ(ProfileGraphicsPresetIndex(p), -1);
    Bytes before = Encode(p);
    ProfileApplyGraphicsPreset(p, 3);
    ProfileApplyGraphicsPreset(p, -1);
    EXPECT_EQ(Encode(p), before);
}

// [SECTION] Default path

class ProfilePath : public ProfileFolder {
protected:
    std::optional<std::string> saved;
    void SetUp() override
    {
        ProfileFolder::SetUp();
        const char *value = getenv("LOCALAPPDATA");
        if (value) saved = value;
    }
    void TearDown() override
    {
        SetLocalAppData(saved);
        ProfileFolder::TearDown();
    }
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
};

TEST_F(ProfilePath, DefaultPathIsTheGameFolderInTheDataFolder)
{
    SetLocalAppData(root);
    char out[PLATFORM_PATH_CAPACITY];
    ASSERT_TRUE(ProfileDefaultPath(out, sizeof(out)));
    std::string path = out;
    EXPECT_EQ(path.substr(path.size() - std::string("/Glorvent/profile.dat").size()), "/Glorvent/profile.dat");
    EXPECT_TRUE(fs::equivalent(FromUtf8(path.substr(0, path.size() - 21)), FromUtf8(root))) << path;

    // The path exactly fits its buffer, or fails and leaves it empty.
    EXPECT_TRUE(ProfileDefaultPath(out, path.size() + 1));
    EXPECT_FALSE(ProfileDefaultPath(out, path.size()));
    EXPECT_STREQ(out, "");
    char one[1] = {'x'};
    EXPECT_FALSE(ProfileDefaultPath(one, sizeof(one)));
    EXPECT_EQ(one[0], '\0');
    EXPECT_FALSE(ProfileDefaultPath(nullptr, 4096));

    SetLocalAppData(root + "/missing");
    strcpy(out, "stale");
    EXPECT_FALSE(ProfileDefaultPath(out, sizeof(out)));
    EXPECT_STREQ(out, "");
}

// [SECTION] Load and save

TEST_F(ProfileFolder, AFreshInstallLoadsNothingAndTheFirstSaveCreatesTheFolder)
{
    Profile p;
    ProfileLoadInfo info;
    LogCapture log;
    EXPECT_FALSE(Load(p, &info));
    EXPECT_EQ(info.source, PROFILE_FILE_NONE);
    EXPECT_TRUE(info.writable);
    EXPECT_EQ(log.count(LOG_WARNING), 0);
    Profile defaults;
    ProfileDefaults(defaults);
    EXPECT_TRUE(ProfileEqual(p, defaults));

    Profile rich = Rich();
    ASSERT_TRUE(ProfileSave(rich, P.c_str()));
    EXPECT_EQ(Names(dir), std::vector<std::string>{"profile.dat"});
    ASSERT_TRUE(Load(p, &info));
    EXPECT_EQ(info.source, PROFILE_FILE_MAIN);
    EXPECT_TRUE(ProfileEqual(p, rich));
    EXPECT_EQ(p.shop.revivesUsed, 0);
}

TEST_F(ProfileFolder, EachSaveKeepsThePreviousStateInTheBackup)
{
    Profile first = Rich(), second = Later();
    ASSERT_TRUE(ProfileSave(first, P.c_str()));
    ASSERT_TRUE(ProfileSave(second, P.c_str()));
    EXPECT_EQ(Get(""), Encode(second));
    EXPECT_EQ(Get(".bak"), Encode(first));
    EXPECT_EQ(Names(dir), (std::vector<std::string>{"profile.dat", "profile.dat.bak"}));
}

TEST_F(ProfileFolder, AnOutOfRangeRecordIsNeverWritten)
{
    Profile bad = Rich();
    bad.bestLevelSeconds = 120.0f;   // loadable from an old file, but not savable as it stands
    LogCapture log;
    EXPECT_FALSE(ProfileSave(bad, P.c_str()));
    EXPECT_FALSE(ProfileErase(bad, P.c_str()));
    EXPECT_FALSE(Exists(dir));
    EXPECT_FALSE(ProfileSave(Rich(), ""));
    EXPECT_FALSE(ProfileLoad(bad, "", nullptr));
}

TEST_F(ProfileFolder, AStrayTemporaryFileIsIgnoredAndOverwritten)
{
    Put("", Rich());
    Put(".tmp", Bytes(7, 0xAB));
    Profile p;
    ASSERT_TRUE(Load(p));
    EXPECT_TRUE(ProfileEqual(p, Rich()));
    ASSERT_TRUE(ProfileSave(Later(), P.c_str()));
    EXPECT_FALSE(Has(".tmp"));
    ASSERT_TRUE(Load(p));
    EXPECT_TRUE(ProfileEqual(p, Later()));
}

TEST_F(ProfileFolder, AnOlderVersionLoadsAndIsWrittenBackAsVersionSix)
{
    Put("", Cut(Rich(), 1, PROFILE_V1_BYTES));
    Profile p;
    ASSERT_TRUE(Load(p));
    EXPECT_FALSE(p.borderless);
    EXPECT_EQ(ProfileGraphicsPresetIndex(p), 2);
    ASSERT_TRUE(ProfileSave(p, P.c_str()));
    Bytes main = Get(""), backup = Get(".bak");
    ASSERT_EQ(main.size(), (size_t)PROFILE_BYTES);
    ASSERT_EQ(backup.size(), (size_t)PROFILE_BYTES);
    EXPECT_EQ(main[8], 6);
    EXPECT_EQ(backup[8], 6);   // the previous state is migrated, not copied
    EXPECT_EQ(main, backup);
}

struct DamageCase {
    const char *label;
    Bytes bytes;
};

static std::vector<DamageCase> Damages()
{
    Bytes flipped = Encode(Rich());
    flipped[50] ^= 0x10;
    Bytes longer = Encode(Rich());
    longer.push_back(0);
    Bytes version = Encode(Rich());
    version[8] = 0;
    return {{"five bytes", Bytes(5, 0x47)}, {"one flipped payload byte", flipped}, {"141 bytes", longer},
            {"version 0", version}, {"empty", Bytes()}, {"foreign file", Bytes(140, 'x')}};
}

// A damaged main file falls back to the backup, and is kept aside rather than overwritten by
// the next save.
TEST_F(ProfileFolder, ADamagedFileFallsBackToTheBackupAndIsKeptAside)
{
    for (const DamageCase &c : Damages()) {
        std::error_code ignored;
        fs::remove_all(FromUtf8(dir), ignored);
        Put("", c.bytes);
        Put(".bak", Rich());
        Profile p;
        ProfileLoadInfo info;
        LogCapture log;
        ASSERT_TRUE(Load(p, &info)) << c.label;
        EXPECT_EQ(info.source, PROFILE_FILE_BACKUP) << c.label;
        EXPECT_TRUE(info.writable) << c.label;
        EXPECT_EQ(info.keptAside, 1) << c.label;
        EXPECT_TRUE(ProfileEqual(p, Rich())) << c.label;
        EXPECT_EQ(Get(".corrupt"), c.bytes) << c.label;
        bool logged = false;
        for (const LogLine &line : log.lines()) logged |= line.text.find("profile.dat.corrupt") != std::string::npos;
        EXPECT_TRUE(logged) << c.label;

        ASSERT_TRUE(ProfileSave(Later(), P.c_str())) << c.label;
        EXPECT_EQ(Get(".corrupt"), c.bytes) << c.label;
        EXPECT_EQ(Get(".bak"), Encode(Rich())) << c.label;
        ASSERT_TRUE(Load(p)) << c.label;
        EXPECT_TRUE(ProfileEqual(p, Later())) << c.label;
    }
}

TEST_F(ProfileFolder, WhenNothingDecodesEveryDamagedFileIsKeptAside)
{
    Bytes main = Damages()[1].bytes, backup = Damages()[0].bytes;
    Put("", main);
    Put(".bak", backup);
    Profile p;
    ProfileLoadInfo info;
    EXPECT_FALSE(Load(p, &info));
    EXPECT_TRUE(info.writable);
    EXPECT_EQ(info.keptAside, 2);
    EXPECT_EQ(Get(".corrupt"), main);
    EXPECT_EQ(Get(".bak.corrupt"), backup);
    // The next saves start a new history and never touch what was kept.
    ASSERT_TRUE(ProfileSave(p, P.c_str()));
    ASSERT_TRUE(ProfileSave(Later(), P.c_str()));
    EXPECT_EQ(Get(".corrupt"), main);
    EXPECT_EQ(Get(".bak.corrupt"), backup);
}

// A file from a newer version of the game is never downgraded: the load says saving is off,
// and a save attempted anyway refuses.
TEST_F(ProfileFolder, ANewerVersionIsNeverOverwritten)
{
    Bytes v7 = Encode(Rich());
    v7[8] = 7;
    Bytes v9(300, 0x33);   // a later record that has grown
    memcpy(v9.data(), "GLORVNTP", 8);
    const uint32_t header[2] = {9, 280};   // version, payload length
    memcpy(v9.data() + 8, header, sizeof(header));
    for (const Bytes &newer : {v7, v9}) {
        std::error_code ignored;
        fs::remove_all(FromUtf8(dir), ignored);
        Put("", newer);
        Put(".bak", Rich());
        Profile p;
        ProfileLoadInfo info;
        ASSERT_TRUE(Load(p, &info));
        EXPECT_EQ(info.source, PROFILE_FILE_BACKUP);
        EXPECT_FALSE(info.writable);
        EXPECT_TRUE(info.newer);
        EXPECT_EQ(info.keptAside, 0);
        EXPECT_FALSE(ProfileSave(Later(), P.c_str()));
        EXPECT_EQ(Get(""), newer);
        EXPECT_EQ(Get(".bak"), Encode(Rich()));
        EXPECT_FALSE(Has(".corrupt"));
    }
}

// A file that is there but cannot be read may hold the newest progress: nothing is renamed or
// written, and saving stays off, even when the backup loads.
TEST_F(ProfileFolder, AnUnreadableFileTurnsSavingOff)
{
    Put("", Later());
    Put(".bak", Rich());
    // Operation 1 reads the journal, operation 2 the main file.
    PlatformFaultArm({2, PLATFORM_FAULT_FAIL, nullptr});
    Profile p;
    ProfileLoadInfo info;
    ASSERT_TRUE(Load(p, &info));
    PlatformFaultDisarm();
    EXPECT_EQ(PlatformFaultOperationKind(2), PLATFORM_OP_READ);
    EXPECT_EQ(info.source, PROFILE_FILE_BACKUP);
    EXPECT_FALSE(info.writable);
    EXPECT_FALSE(info.newer);
    EXPECT_EQ(Names(dir), (std::vector<std::string>{"profile.dat", "profile.dat.bak"}));

    // A folder where the file should be cannot be read on any system.
    std::error_code ignored;
    fs::remove_all(FromUtf8(dir), ignored);
    MakeFolder();
    fs::create_directory(FromUtf8(P));
    EXPECT_FALSE(Load(p, &info));
    EXPECT_FALSE(info.writable);
}

// [SECTION] Erase and the journal

TEST_F(ProfileFolder, EraseLeavesTheErasedRecordEverywhereWithTheSettingsKept)
{
    ASSERT_TRUE(ProfileSave(Rich(), P.c_str()));
    ASSERT_TRUE(ProfileSave(Later(), P.c_str()));
    Profile erased = Later();
    ProfileResetProgress(erased);
    ASSERT_TRUE(ProfileErase(erased, P.c_str()));
    EXPECT_EQ(Names(dir), (std::vector<std::string>{"profile.dat", "profile.dat.bak"}));
    EXPECT_EQ(Get(""), Encode(erased));
    EXPECT_EQ(Get(".bak"), Encode(erased));   // no old progress left to fall back on
    Profile p;
    ASSERT_TRUE(Load(p));
    EXPECT_TRUE(ProfileEqual(p, erased));
    EXPECT_EQ(p.soundVolume, 0.5f);
    EXPECT_FALSE(p.introSeen);
    EXPECT_EQ(p.coins, 0u);
}

TEST_F(ProfileFolder, AJournalWinsAndTheLoadFinishesTheErase)
{
    Profile erased = Rich();
    ProfileResetProgress(erased);
    Put("", Rich());
    Put(".bak", Rich());
    Put(".reset", erased);
    Profile p;
    ProfileLoadInfo info;
    ASSERT_TRUE(Load(p, &info));
    EXPECT_EQ(info.source, PROFILE_FILE_RESET);
    EXPECT_TRUE(ProfileEqual(p, erased));
    EXPECT_EQ(Names(dir), (std::vector<std::string>{"profile.dat", "profile.dat.bak"}));
    EXPECT_EQ(Get(""), Encode(erased));
    EXPECT_EQ(Get(".bak"), Encode(erased));
}

TEST_F(ProfileFolder, TheNextSaveTakesOverAJournalAndRemovesIt)
{
    Profile erased = Rich();
    ProfileResetProgress(erased);
    Put("", Rich());
    Put(".reset", erased);
    Profile next = erased;
    next.coins = 12;
    ASSERT_TRUE(ProfileSave(next, P.c_str()));
    EXPECT_FALSE(Has(".reset"));
    EXPECT_EQ(Get(""), Encode(next));
    EXPECT_EQ(Get(".bak"), Encode(erased));
}

// Finds the 1-based index of the last operation of `kind` in a run of `run`.
template <typename Run> static int LastOperation(PlatformFaultOperation kind, Run run)
{
    PlatformFaultArm({0, PLATFORM_FAULT_NONE, nullptr});
    run();
    int last = 0;
    for (int k = 1; k <= PlatformFaultOperations() && k <= PLATFORM_FAULT_TRACE; k++)
        if (PlatformFaultOperationKind(k) == kind) last = k;
    PlatformFaultDisarm();
    return last;
}

// When the journal cannot be removed the save says so, and the journal already holds the new
// record, so no later load goes back to the erased state.
TEST_F(ProfileFolder, AJournalThatCannotBeRemovedIsReportedAndKeptConsistent)
{
    Profile erased = Rich();
    ProfileResetProgress(erased);
    Profile next = erased;
    next.coins = 77;
    auto setUp = [&] {
        std::error_code ignored;
        fs::remove_all(FromUtf8(dir), ignored);
        Put("", Rich());
        Put(".reset", erased);
    };
    setUp();
    int removal = LastOperation(PLATFORM_OP_REMOVE, [&] { ProfileSave(next, P.c_str()); });
    ASSERT_GT(removal, 0);
    setUp();
    PlatformFaultArm({removal, PLATFORM_FAULT_FAIL, nullptr});
    EXPECT_FALSE(ProfileSave(next, P.c_str()));
    PlatformFaultDisarm();
    EXPECT_TRUE(Has(".reset"));
    Profile p;
    ASSERT_TRUE(Load(p));
    EXPECT_TRUE(ProfileEqual(p, next));
}

// An erase whose backup write fails stops there and says so, even though a later step could
// have succeeded; the journal it wrote first still makes the erase stick.
TEST_F(ProfileFolder, EraseStopsAtItsFirstFailure)
{
    Profile erased = Rich();
    ProfileResetProgress(erased);
    auto setUp = [&] {
        std::error_code ignored;
        fs::remove_all(FromUtf8(dir), ignored);
        ASSERT_TRUE(ProfileSave(Rich(), P.c_str()));
    };
    setUp();
    // Operations: [query, write, replace] for the journal, then the same for the backup.
    PlatformFaultArm({0, PLATFORM_FAULT_NONE, nullptr});
    ASSERT_TRUE(ProfileErase(erased, P.c_str()));
    int writes = 0, backupWrite = 0;
    for (int k = 1; k <= PlatformFaultOperations(); k++)
        if (PlatformFaultOperationKind(k) == PLATFORM_OP_WRITE && ++writes == 2) backupWrite = k;
    PlatformFaultDisarm();
    ASSERT_GT(backupWrite, 0);

    setUp();
    PlatformFaultArm({backupWrite, PLATFORM_FAULT_FAIL, nullptr});
    EXPECT_FALSE(ProfileErase(erased, P.c_str()));
    int ran = PlatformFaultOperations();
    PlatformFaultDisarm();
    EXPECT_EQ(ran, backupWrite);   // nothing after the failure was tried
    EXPECT_EQ(Get(""), Encode(Rich()));
    EXPECT_EQ(Get(".reset"), Encode(erased));
    Profile p;
    ASSERT_TRUE(Load(p));
    EXPECT_TRUE(ProfileEqual(p, erased));
}
