// Fault scenarios for the profile: a set of files on disk, one procedure (save, erase or the
// load that finishes an erase), the record that was there before and the one it writes. The
// fault tests break every file operation of the procedure in turn and then check that a load
// finds exactly the old record or the new one: never the defaults, never a mix.
#pragma once

#include "tests/frontend/profile_files.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace profile_files {

enum FaultAction { FAULT_SAVE, FAULT_ERASE, FAULT_LOAD };

struct FaultScenario {
    const char *label;
    std::vector<std::pair<std::string, Bytes>> files;   // suffix of P and contents, before
    FaultAction action;
    Profile next;                  // what the procedure writes (the record a LOAD settles on)
    std::optional<Profile> old;    // what loaded before; none for a fresh install
};

inline Profile Erased(Profile p)
{
    ProfileResetProgress(p);
    return p;
}

inline Profile Decoded(const Bytes &bytes)
{
    Profile p;
    ProfileDefaults(p);
    EXPECT_TRUE(ProfileDecode(p, bytes.data(), bytes.size()));
    return p;
}

inline std::vector<FaultScenario> FaultScenarios()
{
    const Profile rich = Rich(), later = Later(), erased = Erased(Rich());
    Profile afterErase = erased;
    afterErase.coins = 30;
    afterErase.discoveries = 1;
    Profile older = Rich();
    older.coins = 5;
    Bytes damaged = Encode(rich);
    damaged[60] ^= 1;
    const Bytes v1 = Cut(rich, 1, PROFILE_V1_BYTES);
    return {
        {"first save", {}, FAULT_SAVE, rich, std::nullopt},
        {"save over a profile", {{"", Encode(rich)}}, FAULT_SAVE, later, rich},
        {"save over a profile and its backup", {{"", Encode(rich)}, {".bak", Encode(older)}}, FAULT_SAVE, later, rich},
        {"save beside a stray temporary file", {{"", Encode(rich)}, {".tmp", Bytes(7, 1)}}, FAULT_SAVE, later, rich},
        {"save over an erase journal",
         {{"", Encode(rich)}, {".bak", Encode(rich)}, {".reset", Encode(erased)}},
         FAULT_SAVE, afterErase, erased},
        {"save over a version-1 file", {{"", v1}}, FAULT_SAVE, later, Decoded(v1)},
        {"erase", {{"", Encode(later)}, {".bak", Encode(rich)}}, FAULT_ERASE, Erased(later), later},
        {"erase with no backup", {{"", Encode(later)}}, FAULT_ERASE, Erased(later), later},
        {"load finishing an erase",
         {{"", Encode(rich)}, {".bak", Encode(rich)}, {".reset", Encode(erased)}},
         FAULT_LOAD, erased, erased},
        {"load keeping a damaged file aside", {{"", damaged}, {".bak", Encode(rich)}}, FAULT_LOAD, rich, rich},
    };
}

// Puts the scenario's files in a fresh folder.
inline void FaultSetUp(const std::string &dir, const std::string &P, const FaultScenario &s)
{
    std::error_code ignored;
    fs::remove_all(FromUtf8(dir), ignored);
    if (!s.files.empty()) fs::create_directories(FromUtf8(dir));
    for (const auto &file : s.files) WriteRaw(P + file.first, file.second);
}

inline bool FaultRun(const std::string &P, const FaultScenario &s)
{
    if (s.action == FAULT_SAVE) return ProfileSave(s.next, P.c_str());
    if (s.action == FAULT_ERASE) return ProfileErase(s.next, P.c_str());
    Profile p;
    ProfileDefaults(p);
    ProfileLoadInfo info;
    return ProfileLoad(p, P.c_str(), &info) && info.writable && ProfileEqual(p, s.next);
}

// How many file operations the procedure makes when nothing goes wrong.
inline int FaultOperationCount(const std::string &dir, const std::string &P, const FaultScenario &s)
{
    FaultSetUp(dir, P, s);
    PlatformFaultArm({0, PLATFORM_FAULT_NONE, nullptr});
    EXPECT_TRUE(FaultRun(P, s)) << s.label;
    int count = PlatformFaultOperations();
    PlatformFaultDisarm();
    EXPECT_LE(count, PLATFORM_FAULT_TRACE) << s.label;
    return count;
}

// After the procedure was broken at one operation: a load gives the old or the new record,
// `reported` success means the new one, a second load agrees with the first, and an ordinary
// save afterwards works. `where` names the fault in failure messages.
inline void FaultCheck(const std::string &P, const FaultScenario &s, std::optional<bool> reported,
                       const std::string &where)
{
    Profile loaded;
    ProfileDefaults(loaded);
    ProfileLoadInfo info;
    bool got = ProfileLoad(loaded, P.c_str(), &info);
    EXPECT_TRUE(info.writable) << where;
    bool isNew = got && ProfileEqual(loaded, s.next);
    bool isOld = s.old ? got && ProfileEqual(loaded, *s.old) : !got;
    EXPECT_TRUE(isNew || isOld) << where << (got ? ": loaded a third record" : ": loaded nothing");
    if (reported && *reported) {
        EXPECT_TRUE(isNew) << where << ": reported success but the new record is not there";
    }

    Profile again;
    ProfileDefaults(again);
    bool gotAgain = ProfileLoad(again, P.c_str(), nullptr);
    EXPECT_EQ(gotAgain, got) << where;
    EXPECT_TRUE(ProfileEqual(again, loaded)) << where << ": a second load differs";

    EXPECT_TRUE(ProfileSave(s.next, P.c_str())) << where << ": the save after it";
    ProfileDefaults(again);
    EXPECT_TRUE(ProfileLoad(again, P.c_str(), nullptr) && ProfileEqual(again, s.next)) << where;
}

inline const char *FaultKindName(PlatformFaultKind kind)
{
    switch (kind) {
    case PLATFORM_FAULT_FAIL: return "fail";
    case PLATFORM_FAULT_UNCOMMITTED: return "uncommitted";
    case PLATFORM_FAULT_STOP: return "stop after";
    default: return "none";
    }
}

inline std::string FaultWhere(const FaultScenario &s, PlatformFaultKind kind, int k)
{
    static const char *const OPS[] = {"query", "create folder", "write", "replace", "read", "remove"};
    return std::string(s.label) + ", " + FaultKindName(kind) + " operation " + std::to_string(k) + " (" +
           OPS[PlatformFaultOperationKind(k)] + ")";
}

}   // namespace profile_files
