// Profile self-check and loader fuzzer.
//
// Index:
//   [SECTION] Fuzzer
//   [SECTION] Folder helpers
//   [SECTION] Self-check
#include "dev/profile_checks.h"

#include "raylib.h"
#include "common/maths.h"
#include "frontend/profile.h"
#include "platform/platform.h"
#include "platform/platform_fault.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

// ---------------------------------------------------------------------------------------------
// [SECTION] Fuzzer
// ---------------------------------------------------------------------------------------------

static constexpr size_t FUZZ_CAPACITY = 160;   // room to grow a record past its 140 bytes

static uint32_t Fnv(const unsigned char *bytes, size_t count)
{
    uint32_t hash = 0x811C9DC5u;
    for (size_t i = 0; i < count; i++) hash = (hash ^ bytes[i]) * 16777619u;
    return hash;
}

static void FixChecksum(unsigned char *bytes, size_t size)
{
    if (size < PROFILE_HEADER_BYTES) return;
    uint32_t sum = Fnv(bytes + PROFILE_HEADER_BYTES, size - PROFILE_HEADER_BYTES);
    memcpy(bytes + 16, &sum, 4);
}

struct FuzzSeed {
    unsigned char bytes[PROFILE_BYTES];
    size_t size;
};

// Valid files to mutate: three records in each of the six versions.
static int FuzzSeeds(FuzzSeed seeds[18])
{
    Profile records[3];
    ProfileDefaults(records[0]);
    Profile &rich = records[1];
    ProfileDefaults(rich);
    for (int i = 0; i < PROFILE_UPGRADES; i++) rich.shop.level[i] = PROFILE_UPGRADE_MAX[i];
    rich.coins = UINT64_MAX;
    rich.coinRemainder = 9;
    rich.discoveries = 127;
    rich.introSeen = rich.borderless = rich.gamepad = true;
    rich.musicVolume = 1.0f;
    rich.soundVolume = 0.0f;
    rich.bestLevel = 4;
    rich.bestLevelSeconds = 90.0f;
    rich.bestVictorySeconds = 1234.5;
    rich.victories = UINT32_MAX;
    Profile &middle = records[2];
    ProfileDefaults(middle);
    middle.bestLevel = 3;
    middle.bestLevelSeconds = 59.0f;
    middle.shop.level[2] = 3;
    ProfileApplyGraphicsPreset(middle, 0);
    const size_t sizes[6] = {PROFILE_V1_BYTES, PROFILE_V2_BYTES, PROFILE_V3_BYTES,
                             PROFILE_V4_BYTES, PROFILE_V5_BYTES, PROFILE_BYTES};
    int n = 0;
    for (const Profile &record : records) {
        for (uint32_t version = 1; version <= 6; version++) {
            FuzzSeed &seed = seeds[n++];
            ProfileEncode(record, seed.bytes);
            seed.size = sizes[version - 1];
            uint32_t payload = (uint32_t)(seed.size - PROFILE_HEADER_BYTES);
            memcpy(seed.bytes + 8, &version, 4);
            memcpy(seed.bytes + 12, &payload, 4);
            FixChecksum(seed.bytes, seed.size);
        }
    }
    return n;
}

// Values that sit on the edges of the fields' ranges, as 32-bit words.
static uint32_t InterestingWord(uint32_t &r)
{
    static const float floats[] = {0.0f, -0.0f, 0.5f, 1.0f, 1.0001f, -1.0f, 59.0f, 60.5f, 90.0f,
                                   90.5f, 180.0f, 180.5f, INFINITY, -INFINITY, NAN};
    static const int32_t ints[] = {0, 1, 2, 3, 4, 5, 6, 7, 9, 10, 11, 49, 50, 100, 101, 127, 128,
                                   -1, -2, INT32_MAX, INT32_MIN, 0x7FFF, 0xFFFF};
    uint32_t pick = Xorshift32(r);
    uint32_t word;
    if (pick & 1) memcpy(&word, &floats[(pick >> 1) % (sizeof(floats) / sizeof(floats[0]))], 4);
    else memcpy(&word, &ints[(pick >> 1) % (sizeof(ints) / sizeof(ints[0]))], 4);
    return word;
}

static void Mutate(unsigned char *bytes, size_t &size, uint32_t &r)
{
    int steps = 1 + (int)(Xorshift32(r) % 4);
    for (int s = 0; s < steps; s++) {
        uint32_t kind = Xorshift32(r) % 8;
        size_t at = size > 0 ? Xorshift32(r) % size : 0;
        switch (kind) {
        case 0: if (size > 0) bytes[at] ^= (unsigned char)(1u << (Xorshift32(r) % 8)); break;
        case 1: if (size > 0) bytes[at] = (unsigned char)Xorshift32(r); break;
        case 2: case 3: {
            // A whole field: every field starts on a multiple of four.
            size_t field = (Xorshift32(r) % (FUZZ_CAPACITY / 4)) * 4;
            if (field + 4 <= size) {
                uint32_t word = InterestingWord(r);
                memcpy(bytes + field, &word, 4);
            }
            break;
        }
        case 4: size = Xorshift32(r) % (size + 1); break;
        case 5: {
            size_t grow = 1 + Xorshift32(r) % 8;
            for (size_t i = 0; i < grow && size < FUZZ_CAPACITY; i++) bytes[size++] = (unsigned char)Xorshift32(r);
            break;
        }
        case 6: if (size >= 12) { uint32_t v = Xorshift32(r) % 9; memcpy(bytes + 8, &v, 4); } break;
        default: if (size >= 16) { uint32_t v = (uint32_t)size - 20; memcpy(bytes + 12, &v, 4); } break;
        }
    }
}

static void FuzzFailure(DevFuzzReport &report, const char *what, const unsigned char *bytes, size_t size)
{
    if (report.failures++ >= 5) return;
    printf("FAIL fuzz: %s (%zu bytes:", what, size);
    for (size_t i = 0; i < size; i++) printf(" %02X", bytes[i]);
    printf(")\n");
}

DevFuzzReport DevFuzzProfile(long long count, uint32_t seed)
{
    DevFuzzReport report = {};
    FuzzSeed seeds[18];
    int seedCount = FuzzSeeds(seeds);
    uint32_t r = seed != 0 ? seed : 1;
    Profile sentinel;
    ProfileDefaults(sentinel);
    sentinel.coins = 0x5EED5EEDull;
    sentinel.shop.revivesUsed = 3;
    unsigned char sentinelBytes[PROFILE_BYTES];
    ProfileEncode(sentinel, sentinelBytes);

    unsigned char bytes[FUZZ_CAPACITY];
    for (long long run = 0; run < count; run++) {
        const FuzzSeed &from = seeds[Xorshift32(r) % (uint32_t)seedCount];
        size_t size = from.size;
        memcpy(bytes, from.bytes, size);
        Mutate(bytes, size, r);
        // Most files get a valid checksum, or almost nothing would reach the field checks.
        if (Xorshift32(r) % 8 != 0) FixChecksum(bytes, size);

        Profile p = sentinel;
        bool ok = ProfileDecode(p, bytes, size);
        report.runs++;
        unsigned char encoded[PROFILE_BYTES];
        ProfileEncode(p, encoded);
        if (!ok) {
            if (memcmp(encoded, sentinelBytes, PROFILE_BYTES) != 0 || p.shop.revivesUsed != 3)
                FuzzFailure(report, "a rejected file changed the record", bytes, size);
            continue;
        }
        report.accepted++;
        if (!ProfileValid(p, PROFILE_LEVEL_SECONDS)) FuzzFailure(report, "an accepted record cannot be saved", bytes, size);
        if (p.shop.revivesUsed != 0) FuzzFailure(report, "revives spent came from a file", bytes, size);
        Profile again = sentinel;
        if (!ProfileDecode(again, encoded, PROFILE_BYTES) || !ProfileEqual(again, p))
            FuzzFailure(report, "a record does not survive its own encoding", bytes, size);
        float storedSeconds;
        memcpy(&storedSeconds, bytes + 88, 4);
        bool clamped = storedSeconds != p.bestLevelSeconds;
        if (size == PROFILE_BYTES && !clamped && memcmp(encoded, bytes, PROFILE_BYTES) != 0)
            FuzzFailure(report, "a version-6 file re-encodes differently", bytes, size);
    }
    return report;
}

// ---------------------------------------------------------------------------------------------
// [SECTION] Folder helpers
// ---------------------------------------------------------------------------------------------

namespace fs = std::filesystem;

// A folder of its own under the system's temporary folder; removed by the caller.
static std::string TemporaryFolder()
{
    long long stamp = (long long)std::chrono::steady_clock::now().time_since_epoch().count();
    std::error_code error;
    fs::path base = fs::temp_directory_path(error) / ("glorvent-test-profile-" + std::to_string(stamp));
    fs::create_directories(base, error);
    if (error) return std::string();
    std::u8string text = base.u8string();
    return std::string(text.begin(), text.end());
}

static fs::path Native(const std::string &utf8) { return fs::path(std::u8string(utf8.begin(), utf8.end())); }

static std::string FileBytes(const std::string &path)
{
    std::ifstream in(Native(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

static void PutBytes(const std::string &path, const std::string &bytes)
{
    std::ofstream out(Native(path), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), (std::streamsize)bytes.size());
}

static std::string Encoded(const Profile &profile)
{
    unsigned char bytes[PROFILE_BYTES];
    ProfileEncode(profile, bytes);
    return std::string((const char *)bytes, PROFILE_BYTES);
}

// ---------------------------------------------------------------------------------------------
// [SECTION] Self-check
// ---------------------------------------------------------------------------------------------

struct CheckTally {
    int passed;
    int failed;
};

static void Check(CheckTally &tally, bool ok, const char *name)
{
    printf("%s %s\n", ok ? "ok  " : "FAIL", name);
    if (ok) tally.passed++;
    else tally.failed++;
}

static bool LoadsAs(const std::string &P, const Profile &expected)
{
    Profile p;
    ProfileDefaults(p);
    return ProfileLoad(p, P.c_str(), nullptr) && ProfileEqual(p, expected);
}

int DevTestProfile()
{
    // The checks break files on purpose; their warnings would bury the check lines.
    SetTraceLogLevel(LOG_ERROR);
    CheckTally tally = {};
    std::string root = TemporaryFolder();
    if (root.empty()) {
        SetTraceLogLevel(LOG_INFO);
        printf("FAIL temporary folder\n0 passed, 1 failed\n");
        return 1;
    }
    const std::string dir = root + "/Glorvent";
    const std::string P = dir + "/profile.dat";
    auto clear = [&] {
        std::error_code ignored;
        fs::remove_all(Native(dir), ignored);
    };

    Profile defaults;
    ProfileDefaults(defaults);
    unsigned char bytes[PROFILE_BYTES];
    ProfileEncode(defaults, bytes);
    uint32_t checksum;
    memcpy(&checksum, bytes + 16, 4);
    Check(tally, checksum == 0x9624233Eu && memcmp(bytes, "GLORVNTP\x06\0\0\0\x78\0\0\0", 16) == 0,
          "defaults encode with the golden header and checksum 0x9624233E");

    Profile first = defaults;
    first.coins = 1500;
    first.shop.level[0] = 4;
    first.bestLevel = 2;
    first.bestLevelSeconds = 45.0f;
    Profile second = first;
    second.coins = 900;
    second.shop.level[PROFILE_MAGNET] = 2;

    Profile fresh = defaults;
    ProfileLoadInfo info;
    bool loaded = ProfileLoad(fresh, P.c_str(), &info);
    Check(tally, !loaded && info.writable && ProfileEqual(fresh, defaults), "a fresh install loads the defaults");
    Check(tally, ProfileSave(first, P.c_str()) && LoadsAs(P, first), "save creates the folder and loads back");
    Check(tally, ProfileSave(second, P.c_str()) && FileBytes(P + ".bak") == Encoded(first),
          "the second save keeps the first in .bak");

    PutBytes(P + ".tmp", "7 bytes");
    Check(tally, LoadsAs(P, second) && ProfileSave(first, P.c_str()) && !fs::exists(Native(P + ".tmp")),
          "a stray .tmp is ignored and overwritten");

    std::string damaged = Encoded(first);
    damaged[40] ^= 1;
    PutBytes(P, damaged);
    PutBytes(P + ".bak", Encoded(second));
    Profile p = defaults;
    loaded = ProfileLoad(p, P.c_str(), &info);
    Check(tally, loaded && info.source == PROFILE_FILE_BACKUP && ProfileEqual(p, second) &&
                     FileBytes(P + ".corrupt") == damaged,
          "a damaged profile loads the backup and is kept as profile.dat.corrupt");

    clear();
    fs::create_directories(Native(dir));
    std::string newer = Encoded(first);
    newer[8] = 7;
    PutBytes(P, newer);
    loaded = ProfileLoad(p, P.c_str(), &info);
    Check(tally, !loaded && !info.writable && info.newer && !ProfileSave(second, P.c_str()) && FileBytes(P) == newer,
          "a newer version turns saving off and is never overwritten");

    clear();
    fs::create_directories(Native(dir));
    Profile erased = first;
    ProfileResetProgress(erased);
    PutBytes(P, Encoded(first));
    PutBytes(P + ".reset", Encoded(erased));
    loaded = ProfileLoad(p, P.c_str(), &info);
    Check(tally, loaded && info.source == PROFILE_FILE_RESET && ProfileEqual(p, erased) &&
                     !fs::exists(Native(P + ".reset")) && FileBytes(P) == Encoded(erased),
          "an erase journal wins and the load finishes the erase");

    clear();
    ProfileSave(first, P.c_str());
    ProfileSave(second, P.c_str());
    erased = second;
    ProfileResetProgress(erased);
    Check(tally, ProfileErase(erased, P.c_str()) && LoadsAs(P, erased) && FileBytes(P + ".bak") == Encoded(erased) &&
                     erased.musicVolume == second.musicVolume,
          "erase leaves the erased record everywhere with the settings kept");

    // Every operation of a save made to fail, then stopped after: old or new, never else.
    int count = 0;
    {
        clear();
        ProfileSave(first, P.c_str());
        PlatformFaultArm({0, PLATFORM_FAULT_NONE, nullptr});
        ProfileSave(second, P.c_str());
        count = PlatformFaultOperations();
        PlatformFaultDisarm();
    }
    bool consistent = count > 0;
    for (int kind = 0; kind < 2; kind++) {
        for (int k = 1; k <= count; k++) {
            clear();
            ProfileSave(first, P.c_str());
            PlatformFaultArm({k, kind == 0 ? PLATFORM_FAULT_FAIL : PLATFORM_FAULT_STOP, nullptr});
            bool reported = ProfileSave(second, P.c_str());
            PlatformFaultDisarm();
            bool isNew = LoadsAs(P, second);
            consistent = consistent && (isNew || LoadsAs(P, first)) && (kind == 1 || !reported || isNew);
        }
    }
    Check(tally, consistent, "every operation of a save failed or stopped: the old or the new record");

    DevFuzzReport fuzz = DevFuzzProfile(200000, 0x51EDu);
    Check(tally, fuzz.failures == 0 && fuzz.accepted > 0, "200000 mutated files decode soundly");

    std::error_code ignored;
    fs::remove_all(Native(root), ignored);
    SetTraceLogLevel(LOG_INFO);
    printf("%d passed, %d failed\n", tally.passed, tally.failed);
    return tally.failed == 0 ? 0 : 1;
}
