// Profile record, its binary encoding and the crash-safe file procedures.
//
// Index:
//   [SECTION] Layout
//   [SECTION] Record rules
//   [SECTION] Encoding
//   [SECTION] Paths
//   [SECTION] Reading one file
//   [SECTION] Atomic write
//   [SECTION] Load, save, erase
#include "frontend/profile.h"

#include "platform/platform.h"

#include "raylib.h"

#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>

// ---------------------------------------------------------------------------------------------
// [SECTION] Layout
// ---------------------------------------------------------------------------------------------

// Fields are copied with memcpy in the machine's order, which is the file's.
static_assert(std::endian::native == std::endian::little, "the profile file is little-endian");

static constexpr char MAGIC[8] = {'G', 'L', 'O', 'R', 'V', 'N', 'T', 'P'};
static constexpr uint32_t FNV_BASIS = 0x811C9DC5u;
static constexpr uint32_t FNV_PRIME = 16777619u;

static constexpr size_t AT_MAGIC = 0;
static constexpr size_t AT_VERSION = 8;
static constexpr size_t AT_PAYLOAD = 12;
static constexpr size_t AT_CHECKSUM = 16;
static constexpr size_t AT_COINS = 20;
static constexpr size_t AT_REMAINDER = 28;
static constexpr size_t AT_DISCOVERIES = 32;
static constexpr size_t AT_LEVELS = 36;   // upgrades 0..7
static constexpr size_t AT_MUSIC_VOLUME = 68;
static constexpr size_t AT_SOUND_VOLUME = 72;
static constexpr size_t AT_MUSIC_ENABLED = 76;
static constexpr size_t AT_SOUND_ENABLED = 80;
static constexpr size_t AT_BEST_LEVEL = 84;
static constexpr size_t AT_BEST_LEVEL_SECONDS = 88;
static constexpr size_t AT_BEST_VICTORY = 92;
static constexpr size_t AT_VICTORIES = 100;
static constexpr size_t AT_BORDERLESS = 104;   // version 2 on
static constexpr size_t AT_GRAPHICS = 108;     // version 3 on
static constexpr size_t AT_GAMEPAD = 128;      // version 4 on
static constexpr size_t AT_MAGNET = 132;       // version 5 on
static constexpr size_t AT_INTRO = 136;        // version 6 on

static_assert(AT_COINS == PROFILE_HEADER_BYTES && AT_CHECKSUM + 4 == AT_COINS);
static_assert(AT_LEVELS + 4 * PROFILE_MAGNET == AT_MUSIC_VOLUME);
static_assert(AT_BEST_VICTORY + 8 == AT_VICTORIES && AT_VICTORIES + 4 == PROFILE_V1_BYTES);
static_assert(AT_BORDERLESS + 4 == PROFILE_V2_BYTES && AT_BORDERLESS == PROFILE_V1_BYTES);
static_assert(AT_GRAPHICS + 4 * PROFILE_GRAPHICS == PROFILE_V3_BYTES && AT_GRAPHICS == PROFILE_V2_BYTES);
static_assert(AT_GAMEPAD + 4 == PROFILE_V4_BYTES && AT_MAGNET + 4 == PROFILE_V5_BYTES);
static_assert(AT_INTRO + 4 == PROFILE_BYTES);
static_assert(sizeof(ShopState) == 40, "the shop's ten integers");

// The size of each version's file; 0 for a version that does not exist.
static size_t VersionBytes(uint32_t version)
{
    switch (version) {
    case 1: return PROFILE_V1_BYTES;
    case 2: return PROFILE_V2_BYTES;
    case 3: return PROFILE_V3_BYTES;
    case 4: return PROFILE_V4_BYTES;
    case 5: return PROFILE_V5_BYTES;
    case 6: return PROFILE_BYTES;
    default: return 0;
    }
}

static uint32_t Fnv1a(const unsigned char *bytes, size_t count)
{
    uint32_t hash = FNV_BASIS;
    for (size_t i = 0; i < count; i++) {
        hash ^= bytes[i];
        hash *= FNV_PRIME;
    }
    return hash;
}

template <typename T> static T Get(const unsigned char *bytes, size_t at)
{
    T value;
    memcpy(&value, bytes + at, sizeof(T));
    return value;
}

template <typename T> static void Put(unsigned char *bytes, size_t at, T value)
{
    memcpy(bytes + at, &value, sizeof(T));
}

// ---------------------------------------------------------------------------------------------
// [SECTION] Record rules
// ---------------------------------------------------------------------------------------------

// The campaign's level length: level 3 is the short one.
static float LevelSeconds(int level) { return level == 3 ? 60.0f : PROFILE_LEVEL_SECONDS; }

void ProfileDefaults(Profile &profile)
{
    profile = {};
    profile.musicVolume = 0.75f;
    profile.soundVolume = 0.85f;
    profile.musicEnabled = true;
    profile.soundEnabled = true;
    ProfileApplyGraphicsPreset(profile, 2);
}

void ProfileResetProgress(Profile &profile)
{
    Profile kept = profile;
    profile = {};
    profile.musicVolume = kept.musicVolume;
    profile.soundVolume = kept.soundVolume;
    profile.musicEnabled = kept.musicEnabled;
    profile.soundEnabled = kept.soundEnabled;
    profile.borderless = kept.borderless;
    profile.gamepad = kept.gamepad;
    memcpy(profile.graphics, kept.graphics, sizeof(profile.graphics));
}

static bool InRange(float x, float lo, float hi) { return std::isfinite(x) && x >= lo && x <= hi; }

bool ProfileValid(const Profile &p, float maxLevelSeconds)
{
    if (p.coinRemainder < 0 || p.coinRemainder > 9) return false;
    if (p.discoveries < 0 || p.discoveries > 127) return false;
    if (p.bestLevel < 0 || p.bestLevel > 4) return false;
    if (!InRange(p.musicVolume, 0.0f, 1.0f) || !InRange(p.soundVolume, 0.0f, 1.0f)) return false;
    if (!InRange(p.bestLevelSeconds, 0.0f, maxLevelSeconds)) return false;
    if (p.bestLevel == 0 && p.bestLevelSeconds != 0.0f) return false;
    double victory = p.bestVictorySeconds;
    if (!std::isfinite(victory) || victory < 0.0 || victory > PROFILE_MAX_RUN_SECONDS) return false;
    if (p.victories == 0 && victory != 0.0) return false;
    if (p.victories > 0 && (p.bestLevel != 4 || victory <= 0.0)) return false;
    for (int i = 0; i < PROFILE_UPGRADES; i++)
        if (p.shop.level[i] < 0 || p.shop.level[i] > PROFILE_UPGRADE_MAX[i]) return false;
    const int lo[PROFILE_GRAPHICS] = {50, 0, 0, 0, 0};
    const int hi[PROFILE_GRAPHICS] = {100, 2, 2, 1, 2};
    for (int i = 0; i < PROFILE_GRAPHICS; i++)
        if (p.graphics[i] < lo[i] || p.graphics[i] > hi[i]) return false;
    return true;
}

bool ProfileRecord(Profile &profile, int level, float levelSeconds, double runSeconds, bool victory)
{
    if (level < 1 || level > 4 || !std::isfinite(levelSeconds) || levelSeconds < 0.0f) return false;
    if (!std::isfinite(runSeconds) || runSeconds < 0.0 || runSeconds > PROFILE_MAX_RUN_SECONDS) return false;
    if (victory && runSeconds <= 0.0) return false;
    bool changed = false;
    float seconds = std::floor(std::fmin(LevelSeconds(level), levelSeconds));
    if (level > profile.bestLevel || (level == profile.bestLevel && seconds > profile.bestLevelSeconds)) {
        profile.bestLevel = level;
        profile.bestLevelSeconds = seconds;
        changed = true;
    }
    // Counted whether or not the level record above moved in the same call.
    if (victory) {
        if (profile.bestLevel != 4 || profile.bestLevelSeconds != PROFILE_LEVEL_SECONDS) changed = true;
        profile.bestLevel = 4;
        profile.bestLevelSeconds = PROFILE_LEVEL_SECONDS;
        if (profile.victories != UINT32_MAX) {
            profile.victories++;
            changed = true;
        }
        if (profile.bestVictorySeconds == 0.0 || runSeconds < profile.bestVictorySeconds) {
            profile.bestVictorySeconds = runSeconds;
            changed = true;
        }
    }
    return changed;
}

int ProfileGraphicsPresetIndex(const Profile &profile)
{
    for (int i = 0; i < 3; i++)
        if (memcmp(profile.graphics, PROFILE_GRAPHICS_PRESETS[i], sizeof(profile.graphics)) == 0) return i;
    return -1;
}

void ProfileApplyGraphicsPreset(Profile &profile, int index)
{
    if (index < 0 || index > 2) return;
    memcpy(profile.graphics, PROFILE_GRAPHICS_PRESETS[index], sizeof(profile.graphics));
}

// ---------------------------------------------------------------------------------------------
// [SECTION] Encoding
// ---------------------------------------------------------------------------------------------

void ProfileEncode(const Profile &p, unsigned char bytes[PROFILE_BYTES])
{
    memset(bytes, 0, PROFILE_BYTES);
    memcpy(bytes + AT_MAGIC, MAGIC, sizeof(MAGIC));
    Put<uint32_t>(bytes, AT_VERSION, PROFILE_VERSION);
    Put<uint32_t>(bytes, AT_PAYLOAD, PROFILE_BYTES - PROFILE_HEADER_BYTES);
    Put<uint64_t>(bytes, AT_COINS, p.coins);
    Put<int32_t>(bytes, AT_REMAINDER, p.coinRemainder);
    Put<int32_t>(bytes, AT_DISCOVERIES, p.discoveries);
    for (int i = 0; i < PROFILE_MAGNET; i++) Put<int32_t>(bytes, AT_LEVELS + 4 * i, p.shop.level[i]);
    Put<float>(bytes, AT_MUSIC_VOLUME, p.musicVolume);
    Put<float>(bytes, AT_SOUND_VOLUME, p.soundVolume);
    Put<uint32_t>(bytes, AT_MUSIC_ENABLED, p.musicEnabled ? 1 : 0);
    Put<uint32_t>(bytes, AT_SOUND_ENABLED, p.soundEnabled ? 1 : 0);
    Put<int32_t>(bytes, AT_BEST_LEVEL, p.bestLevel);
    Put<float>(bytes, AT_BEST_LEVEL_SECONDS, p.bestLevelSeconds);
    Put<double>(bytes, AT_BEST_VICTORY, p.bestVictorySeconds);
    Put<uint32_t>(bytes, AT_VICTORIES, p.victories);
    Put<uint32_t>(bytes, AT_BORDERLESS, p.borderless ? 1 : 0);
    for (int i = 0; i < PROFILE_GRAPHICS; i++) Put<int32_t>(bytes, AT_GRAPHICS + 4 * i, p.graphics[i]);
    Put<uint32_t>(bytes, AT_GAMEPAD, p.gamepad ? 1 : 0);
    Put<int32_t>(bytes, AT_MAGNET, p.shop.level[PROFILE_MAGNET]);
    Put<uint32_t>(bytes, AT_INTRO, p.introSeen ? 1 : 0);
    Put<uint32_t>(bytes, AT_CHECKSUM, Fnv1a(bytes + PROFILE_HEADER_BYTES, PROFILE_BYTES - PROFILE_HEADER_BYTES));
}

// A stored flag: exactly 0 or 1.
static bool GetFlag(const unsigned char *bytes, size_t at, bool &flag)
{
    uint32_t value = Get<uint32_t>(bytes, at);
    flag = value == 1;
    return value <= 1;
}

bool ProfileDecode(Profile &profile, const unsigned char *bytes, size_t length)
{
    if (!bytes || length < PROFILE_HEADER_BYTES || memcmp(bytes, MAGIC, sizeof(MAGIC)) != 0) return false;
    uint32_t version = Get<uint32_t>(bytes, AT_VERSION);
    size_t size = VersionBytes(version);
    if (size == 0 || length != size) return false;
    if (Get<uint32_t>(bytes, AT_PAYLOAD) != size - PROFILE_HEADER_BYTES) return false;
    if (Get<uint32_t>(bytes, AT_CHECKSUM) != Fnv1a(bytes + PROFILE_HEADER_BYTES, size - PROFILE_HEADER_BYTES))
        return false;

    // Fields a version lacks keep their defaults.
    Profile p;
    ProfileDefaults(p);
    p.coins = Get<uint64_t>(bytes, AT_COINS);
    p.coinRemainder = Get<int32_t>(bytes, AT_REMAINDER);
    if (p.coinRemainder > 9) return false;
    p.discoveries = Get<int32_t>(bytes, AT_DISCOVERIES);
    for (int i = 0; i < PROFILE_MAGNET; i++) {
        p.shop.level[i] = Get<int32_t>(bytes, AT_LEVELS + 4 * i);
        if (p.shop.level[i] < 0 || p.shop.level[i] > PROFILE_UPGRADE_MAX[i]) return false;
    }
    p.musicVolume = Get<float>(bytes, AT_MUSIC_VOLUME);
    p.soundVolume = Get<float>(bytes, AT_SOUND_VOLUME);
    if (!GetFlag(bytes, AT_MUSIC_ENABLED, p.musicEnabled) || !GetFlag(bytes, AT_SOUND_ENABLED, p.soundEnabled))
        return false;
    p.bestLevel = Get<int32_t>(bytes, AT_BEST_LEVEL);
    if (p.bestLevel > 4) return false;
    p.bestLevelSeconds = Get<float>(bytes, AT_BEST_LEVEL_SECONDS);
    p.bestVictorySeconds = Get<double>(bytes, AT_BEST_VICTORY);
    p.victories = Get<uint32_t>(bytes, AT_VICTORIES);
    if (version >= 2 && !GetFlag(bytes, AT_BORDERLESS, p.borderless)) return false;
    if (version >= 3) {
        for (int i = 0; i < PROFILE_GRAPHICS; i++) {
            p.graphics[i] = Get<int32_t>(bytes, AT_GRAPHICS + 4 * i);
            if (p.graphics[i] > 100) return false;
        }
    }
    if (version >= 4 && !GetFlag(bytes, AT_GAMEPAD, p.gamepad)) return false;
    if (version >= 5) {
        p.shop.level[PROFILE_MAGNET] = Get<int32_t>(bytes, AT_MAGNET);
        if (p.shop.level[PROFILE_MAGNET] > PROFILE_UPGRADE_MAX[PROFILE_MAGNET]) return false;
    }
    if (version >= 6 && !GetFlag(bytes, AT_INTRO, p.introSeen)) return false;

    if (!ProfileValid(p, PROFILE_LOAD_LEVEL_SECONDS)) return false;
    // Older versions had longer levels; their records shrink to today's level length.
    if (p.bestLevel > 0 && p.bestLevelSeconds > LevelSeconds(p.bestLevel))
        p.bestLevelSeconds = LevelSeconds(p.bestLevel);
    p.shop.revivesUsed = 0;
    profile = p;
    return true;
}

bool ProfileEqual(const Profile &a, const Profile &b)
{
    unsigned char x[PROFILE_BYTES], y[PROFILE_BYTES];
    ProfileEncode(a, x);
    ProfileEncode(b, y);
    return memcmp(x, y, PROFILE_BYTES) == 0;
}

// ---------------------------------------------------------------------------------------------
// [SECTION] Paths
// ---------------------------------------------------------------------------------------------

// The longest name built on P: a damaged journal kept aside.
static constexpr const char *LONGEST_SUFFIX = ".reset.corrupt";

// P and its companions, each checked to fit the platform's path capacity.
struct ProfilePaths {
    char main[PLATFORM_PATH_CAPACITY];
    char tmp[PLATFORM_PATH_CAPACITY];
    char backup[PLATFORM_PATH_CAPACITY];
    char reset[PLATFORM_PATH_CAPACITY];
};

static bool PathsBuild(const char *path, ProfilePaths &paths, const char *operation)
{
    if (!path || path[0] == '\0') {
        TraceLog(LOG_WARNING, "PROFILE: %s: no profile path", operation);
        return false;
    }
    if (strlen(path) + strlen(LONGEST_SUFFIX) >= PLATFORM_PATH_CAPACITY) {
        TraceLog(LOG_WARNING, "PROFILE: %s: the profile path is too long", operation);
        return false;
    }
    snprintf(paths.main, sizeof(paths.main), "%s", path);
    snprintf(paths.tmp, sizeof(paths.tmp), "%s.tmp", path);
    snprintf(paths.backup, sizeof(paths.backup), "%s.bak", path);
    snprintf(paths.reset, sizeof(paths.reset), "%s.reset", path);
    return true;
}

bool ProfileDefaultPath(char *out, size_t capacity)
{
    if (!out || capacity == 0) return false;
    out[0] = '\0';
    char folder[PLATFORM_PATH_CAPACITY];
    if (!PlatformUserDataDirectory(folder, sizeof(folder))) return false;
    size_t length = strlen(folder);
    // A root folder already ends with its separator.
    const char *separator = length > 0 && PlatformPathIsSeparator(folder[length - 1]) ? "" : "/";
    char path[PLATFORM_PATH_CAPACITY];
    int n = snprintf(path, sizeof(path), "%s%sGlorvent/profile.dat", folder, separator);
    if (n < 0 || (size_t)n + strlen(LONGEST_SUFFIX) >= sizeof(path) || (size_t)n >= capacity) {
        TraceLog(LOG_WARNING, "PROFILE: the profile path does not fit; nothing will be saved");
        return false;
    }
    memcpy(out, path, (size_t)n + 1);
    return true;
}

// ---------------------------------------------------------------------------------------------
// [SECTION] Reading one file
// ---------------------------------------------------------------------------------------------

enum FileState {
    FILE_MISSING,
    FILE_OK,           // decoded
    FILE_DAMAGED,      // read, but not a profile this game can decode: keep it aside, try the next
    FILE_NEWER,        // a profile of a later version: never replace it
    FILE_UNREADABLE,   // there, but the read failed: it may hold the newest progress
};

// Versions past this are taken as a damaged version field rather than a later game.
static constexpr uint32_t LATEST_PLAUSIBLE_VERSION = 0xFFFF;
// Enough to recognise a later version's header however long its record has grown.
static constexpr size_t READ_CAPACITY = 4096;

static FileState ReadProfile(Profile &profile, const char *path, uint32_t *version)
{
    unsigned char bytes[READ_CAPACITY];
    size_t size = 0;
    *version = 0;
    PlatformReadResult read = PlatformFileReadChecked(path, bytes, sizeof(bytes), &size);
    if (read == PLATFORM_READ_MISSING) return FILE_MISSING;
    if (read == PLATFORM_READ_ERROR) return FILE_UNREADABLE;
    if (size >= PROFILE_HEADER_BYTES && memcmp(bytes, MAGIC, sizeof(MAGIC)) == 0) {
        *version = Get<uint32_t>(bytes, AT_VERSION);
        // A later record may have grown past what is read here; a shorter one must agree
        // with its own payload length.
        bool lengthAgrees = read == PLATFORM_READ_TOO_LONG ||
                            Get<uint32_t>(bytes, AT_PAYLOAD) == size - PROFILE_HEADER_BYTES;
        if (*version > PROFILE_VERSION && *version <= LATEST_PLAUSIBLE_VERSION && lengthAgrees) return FILE_NEWER;
    }
    if (read == PLATFORM_READ_OK && ProfileDecode(profile, bytes, size)) return FILE_OK;
    return FILE_DAMAGED;
}

// ---------------------------------------------------------------------------------------------
// [SECTION] Atomic write
// ---------------------------------------------------------------------------------------------

// Creates the missing folders above `path`, left to right. A drive ("C:") or network prefix
// ("\\server\share") is not a folder to create.
static bool CreateParents(const char *path)
{
    char prefix[PLATFORM_PATH_CAPACITY];
    size_t length = strlen(path);
    size_t last = length;
    while (last > 0 && !PlatformPathIsSeparator(path[last - 1])) last--;
    if (last <= 1) return true;   // in the current folder or the root
    memcpy(prefix, path, last - 1);
    prefix[last - 1] = '\0';
    if (PlatformPathQuery(prefix) == PLATFORM_PATH_DIRECTORY) return true;

    size_t start = 0;
    if (length >= 2 && path[1] == ':') start = 2;
    // Two leading separators name a server only where the backslash is a separator too.
    bool network = PlatformPathIsSeparator('\\') && length >= 2 && PlatformPathIsSeparator(path[0]) &&
                   PlatformPathIsSeparator(path[1]);
    if (network) {
        // Skip the server and the share: the first folder is the one after them.
        int parts = 0;
        start = 2;
        while (start < length && parts < 2) {
            if (PlatformPathIsSeparator(path[start])) parts++;
            if (parts < 2) start++;
        }
    }
    while (start < length && PlatformPathIsSeparator(path[start])) start++;
    for (size_t i = start; i < last; i++) {
        if (!PlatformPathIsSeparator(path[i]) || PlatformPathIsSeparator(path[i - 1])) continue;
        memcpy(prefix, path, i);
        prefix[i] = '\0';
        if (PlatformDirectoryCreate(prefix) == PLATFORM_CHANGE_FAILED) return false;
    }
    return true;
}

// Replaces `target` with the 140 bytes through the temporary file: a crash leaves either the
// old target or the new one, and at worst a stray temporary file the next write overwrites.
static bool WriteAtomic(const char *target, const char *tmp, const unsigned char bytes[PROFILE_BYTES])
{
    if (!CreateParents(target)) return false;
    if (!PlatformFileWriteCommitted(tmp, bytes, PROFILE_BYTES)) return false;
    // An uncommitted rename still put the new file in place; only a power loss can undo it,
    // and that leaves the old file, which is as consistent as before.
    if (PlatformFileReplace(tmp, target) != PLATFORM_CHANGE_FAILED) return true;
    PlatformFileRemove(tmp);
    return false;
}

static bool WriteProfile(const char *target, const char *tmp, const Profile &profile)
{
    unsigned char bytes[PROFILE_BYTES];
    ProfileEncode(profile, bytes);
    return WriteAtomic(target, tmp, bytes);
}

// ---------------------------------------------------------------------------------------------
// [SECTION] Load, save, erase
// ---------------------------------------------------------------------------------------------

// Renames a damaged file to "<name>.corrupt" so no later write destroys what might still be
// recovered from it by hand.
static bool KeepAside(const char *path)
{
    char aside[PLATFORM_PATH_CAPACITY];
    int n = snprintf(aside, sizeof(aside), "%s.corrupt", path);
    if (n < 0 || (size_t)n >= sizeof(aside) || PlatformFileReplace(path, aside) == PLATFORM_CHANGE_FAILED) {
        TraceLog(LOG_WARNING, "PROFILE: %s is damaged and cannot be kept aside; progress will not be saved", path);
        return false;
    }
    TraceLog(LOG_WARNING, "PROFILE: %s is damaged; kept as %s", path, aside);
    return true;
}

bool ProfileLoad(Profile &profile, const char *path, ProfileLoadInfo *info)
{
    ProfileLoadInfo found = {PROFILE_FILE_NONE, true, false, 0};
    ProfilePaths paths;
    if (!PathsBuild(path, paths, "load")) {
        found.writable = false;
        if (info) *info = found;
        return false;
    }
    const char *candidates[3] = {paths.reset, paths.main, paths.backup};
    FileState states[3] = {FILE_MISSING, FILE_MISSING, FILE_MISSING};
    Profile loaded;
    int source = -1;
    for (int i = 0; i < 3 && source < 0; i++) {
        uint32_t version = 0;
        states[i] = ReadProfile(loaded, candidates[i], &version);
        if (states[i] == FILE_OK) source = i;
        if (states[i] == FILE_NEWER) {
            TraceLog(LOG_WARNING, "PROFILE: %s is from a newer version of the game (%u); progress will not be saved",
                     candidates[i], (unsigned)version);
            found.newer = true;
            found.writable = false;
        }
        if (states[i] == FILE_UNREADABLE) {
            TraceLog(LOG_WARNING, "PROFILE: %s cannot be read; progress will not be saved", candidates[i]);
            found.writable = false;
        }
    }
    // Damaged files ahead of the one loaded would be overwritten by the next save.
    int ahead = source < 0 ? 3 : source;
    for (int i = 0; i < ahead && found.writable; i++) {
        if (states[i] != FILE_DAMAGED) continue;
        if (KeepAside(candidates[i])) found.keptAside++;
        else found.writable = false;
    }
    if (source < 0) {
        if (states[0] == FILE_MISSING && states[1] == FILE_MISSING && states[2] == FILE_MISSING)
            TraceLog(LOG_INFO, "PROFILE: no profile at %s yet; using the defaults", paths.main);
        else
            TraceLog(LOG_WARNING, "PROFILE: no readable profile at %s; using the defaults", paths.main);
        if (info) *info = found;
        return false;
    }
    found.source = source == 0 ? PROFILE_FILE_RESET : (source == 1 ? PROFILE_FILE_MAIN : PROFILE_FILE_BACKUP);
    profile = loaded;
    TraceLog(LOG_INFO, "PROFILE: loaded %s", candidates[source]);
    // An erase that stopped part-way is finished now; while any step fails the journal stays
    // and keeps deciding what loads.
    if (source == 0 && found.writable) {
        bool done = WriteProfile(paths.backup, paths.tmp, loaded) && WriteProfile(paths.main, paths.tmp, loaded) &&
                    PlatformFileRemove(paths.reset) != PLATFORM_CHANGE_FAILED;
        if (!done) TraceLog(LOG_WARNING, "PROFILE: the interrupted erase at %s could not be finished yet", paths.main);
    }
    if (info) *info = found;
    return true;
}

bool ProfileSave(const Profile &profile, const char *path)
{
    if (!ProfileValid(profile, PROFILE_LEVEL_SECONDS)) {
        TraceLog(LOG_WARNING, "PROFILE: not saved: the record is out of range");
        return false;
    }
    ProfilePaths paths;
    if (!PathsBuild(path, paths, "save")) return false;

    Profile previous;
    uint32_t version = 0;
    FileState journal = ReadProfile(previous, paths.reset, &version);
    if (journal == FILE_NEWER || journal == FILE_UNREADABLE) {
        TraceLog(LOG_WARNING, "PROFILE: not saved: %s cannot be read or is newer", paths.reset);
        return false;
    }
    if (journal == FILE_OK) {
        // The journal decides every load while it exists, so it takes the new record first;
        // a removal that fails or is undone by a power loss then brings back nothing old.
        bool ok = WriteProfile(paths.reset, paths.tmp, profile) && WriteProfile(paths.backup, paths.tmp, previous) &&
                  WriteProfile(paths.main, paths.tmp, profile);
        if (!ok) {
            TraceLog(LOG_WARNING, "PROFILE: not saved: cannot write the profile at %s", paths.main);
            return false;
        }
        if (PlatformFileRemove(paths.reset) == PLATFORM_CHANGE_FAILED) {
            TraceLog(LOG_WARNING, "PROFILE: saved, but the erase journal %s cannot be removed", paths.reset);
            return false;
        }
        return true;
    }

    FileState main = ReadProfile(previous, paths.main, &version);
    if (main == FILE_NEWER) {
        TraceLog(LOG_WARNING, "PROFILE: not saved: %s is from a newer version of the game", paths.main);
        return false;
    }
    if (main == FILE_OK && !WriteProfile(paths.backup, paths.tmp, previous)) {
        TraceLog(LOG_WARNING, "PROFILE: not saved: cannot back up %s", paths.main);
        return false;
    }
    if (!WriteProfile(paths.main, paths.tmp, profile)) {
        TraceLog(LOG_WARNING, "PROFILE: not saved: cannot write %s", paths.main);
        return false;
    }
    return true;
}

bool ProfileErase(const Profile &profile, const char *path)
{
    if (!ProfileValid(profile, PROFILE_LEVEL_SECONDS)) {
        TraceLog(LOG_WARNING, "PROFILE: not erased: the record is out of range");
        return false;
    }
    ProfilePaths paths;
    if (!PathsBuild(path, paths, "erase")) return false;
    // The journal first: from the moment it exists every load gives the erased record.
    const char *targets[3] = {paths.reset, paths.backup, paths.main};
    for (const char *target : targets) {
        if (!WriteProfile(target, paths.tmp, profile)) {
            TraceLog(LOG_WARNING, "PROFILE: erase stopped: cannot write %s", target);
            return false;
        }
    }
    if (PlatformFileRemove(paths.reset) == PLATFORM_CHANGE_FAILED) {
        TraceLog(LOG_WARNING, "PROFILE: erase stopped: cannot remove the journal %s", paths.reset);
        return false;
    }
    return true;
}
