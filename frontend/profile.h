// The profile: everything the game keeps between program starts (coins, upgrades, records,
// discoveries, settings), its 140-byte little-endian file with readers for the five older
// versions, and the crash-safe load, save and erase over the file and its companions
// P + ".tmp", ".bak" (the previous good state) and ".reset" (the erase journal).
//
// Nothing a player earned is lost to a crash, a full disk or a damaged file: every write is
// a committed temporary file renamed into place, a load takes the first of ".reset", P and
// ".bak" that decodes, and a file that exists but cannot be read is never overwritten (a
// damaged one is kept aside as "<name>.corrupt"; an unreadable one or one from a newer version
// of the game turns saving off for the session, see ProfileLoadInfo).
#pragma once

#include "campaign/shop.h"

#include <cstddef>
#include <cstdint>

// [SECTION] Record

constexpr int PROFILE_BYTES = 140;      // version 6, the only version written
constexpr int PROFILE_V1_BYTES = 104;   // ends after the victories
constexpr int PROFILE_V2_BYTES = 108;   // ... after borderless
constexpr int PROFILE_V3_BYTES = 128;   // ... after the graphics
constexpr int PROFILE_V4_BYTES = 132;   // ... after gamepad
constexpr int PROFILE_V5_BYTES = 136;   // ... after the magnet level
constexpr uint32_t PROFILE_VERSION = 6;
constexpr int PROFILE_HEADER_BYTES = 20;   // magic, version, payload length, checksum

// The upgrades as the shop numbers them, with their highest levels. Upgrades 0..7 are stored
// together; the magnet came later and is stored after the other fields.
constexpr int PROFILE_UPGRADES = 9;
constexpr int PROFILE_MAGNET = 8;
constexpr int PROFILE_UPGRADE_MAX[PROFILE_UPGRADES] = {10, 10, 5, 9, 2, 6, 7, 6, 5};

constexpr int PROFILE_GRAPHICS = 5;   // render quality %, clouds, shadows, splashes, creature detail
constexpr int PROFILE_GRAPHICS_PRESETS[3][PROFILE_GRAPHICS] = {
    {60, 0, 1, 0, 0},     // "Низкие"
    {80, 1, 1, 0, 1},     // "Обычные"
    {100, 2, 2, 1, 2},    // "Высокие", the default
};

constexpr float PROFILE_LEVEL_SECONDS = 90.0f;         // longest campaign level; the limit for saving
constexpr float PROFILE_LOAD_LEVEL_SECONDS = 180.0f;   // older versions had longer levels
constexpr double PROFILE_MAX_RUN_SECONDS = 31536000.0; // one year

static_assert(PROFILE_UPGRADES == SHOP_UPGRADE_COUNT, "one stored level per upgrade");

struct Profile {
    ShopState shop;
    uint64_t coins;               // wallet
    int32_t coinRemainder;        // tenths of a coin carried over, 0..9
    int32_t discoveries;          // encyclopedia entries seen, bit i = creature i, below 128
    bool introSeen;               // the opening comic was played to its end
    float musicVolume;            // 0..1
    float soundVolume;            // 0..1
    bool musicEnabled;
    bool soundEnabled;
    bool borderless;              // full-screen borderless window
    bool gamepad;                 // the gamepad is the chosen input device
    int32_t graphics[PROFILE_GRAPHICS];   // 50..100, 0..2, 0..2, 0..1, 0..2
    int32_t bestLevel;            // highest campaign level reached, 0..4 (0 = none)
    float bestLevelSeconds;       // whole seconds survived in bestLevel
    double bestVictorySeconds;    // fastest victory in seconds of run time; 0 = none
    uint32_t victories;           // saturates at 2^32 - 1
};

// Sets every field to its default (volumes 0.75 and 0.85, sound and music on, graphics preset 2).
void ProfileDefaults(Profile &profile);
// Progress cleared, settings kept: zeroes the shop, coins, discoveries, intro flag and records;
// keeps the volumes, mutes, window mode, input device and graphics.
void ProfileResetProgress(Profile &profile);
// The range rules every stored record obeys; `maxLevelSeconds` bounds bestLevelSeconds.
bool ProfileValid(const Profile &profile, float maxLevelSeconds);
// Writes the version-6 encoding of `profile`.
void ProfileEncode(const Profile &profile, unsigned char bytes[PROFILE_BYTES]);
// Parses one encoding of any version 1..6; writes `profile` only on success.
bool ProfileDecode(Profile &profile, const unsigned char *bytes, size_t length);
// True when the two encode to the same bytes (revivesUsed takes no part).
bool ProfileEqual(const Profile &a, const Profile &b);
// Keeps the records of a run: the level reached with the seconds spent in it, and a victory
// with the run's time. True when a record changed; out-of-range input changes nothing.
bool ProfileRecord(Profile &profile, int level, float levelSeconds, double runSeconds, bool victory);
// 0..2 when `graphics` equals a preset row exactly, else -1.
int ProfileGraphicsPresetIndex(const Profile &profile);
// Copies preset row `index` (0..2) into `graphics`; other indices do nothing.
void ProfileApplyGraphicsPreset(Profile &profile, int index);

// [SECTION] File

// The files a load may take a record from, in the order they are tried.
enum ProfileFile {
    PROFILE_FILE_NONE,     // nothing read: the profile was left as it was
    PROFILE_FILE_RESET,    // P + ".reset": an erase (or a save over one) that did not finish
    PROFILE_FILE_MAIN,     // P
    PROFILE_FILE_BACKUP,   // P + ".bak"
};

// What a load found beyond the record itself.
struct ProfileLoadInfo {
    ProfileFile source;   // where the record came from
    bool writable;        // saving cannot overwrite anything unread; false: keep persistence off
                          // for the session and tell the player progress is not being saved
    bool newer;           // a file from a newer version of the game is there (never downgraded)
    int keptAside;        // damaged files renamed to "<name>.corrupt" before the load went on
};

// "<user data folder>/Glorvent/profile.dat" (LOCALAPPDATA on Windows; on Linux LOCALAPPDATA
// when set, else the XDG data folder). False, leaving `out` empty, when there is no folder or
// the path with its companions' suffixes does not fit.
bool ProfileDefaultPath(char *out, size_t capacity);
// Fills `profile` from the first of P + ".reset", P, P + ".bak" that decodes; finishes an
// interrupted erase; keeps damaged files aside. False (profile unchanged) when none decodes.
// `info` (may be null) says whether saving is safe.
bool ProfileLoad(Profile &profile, const char *path, ProfileLoadInfo *info);
// Writes `profile` to P, keeping the previous good state in P + ".bak". False when the record
// is out of range, a file in the way could not be read or is newer, or any write failed; the
// files then still load as the old or the new record, never a mix.
bool ProfileSave(const Profile &profile, const char *path);
// Writes an already cleared `profile` over the journal, the backup and P, then removes the
// journal; stops at the first failure. A crash at any point loads the old or the erased record.
bool ProfileErase(const Profile &profile, const char *path);
