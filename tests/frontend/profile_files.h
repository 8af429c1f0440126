// Shared by the profile tests: a fresh temporary folder per test (never the player's own
// folders), raw access to the files behind the profile's back, and a few sample records.
#pragma once

#include "frontend/profile.h"
#include "platform/platform_fault.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace profile_files {

namespace fs = std::filesystem;
using Bytes = std::vector<unsigned char>;

inline fs::path FromUtf8(const std::string &utf8) { return fs::path(std::u8string(utf8.begin(), utf8.end())); }

inline std::string ToUtf8(const fs::path &path)
{
    std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

inline Bytes ReadBack(const std::string &path)
{
    std::ifstream in(FromUtf8(path), std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteRaw(const std::string &path, const Bytes &bytes)
{
    std::ofstream out(FromUtf8(path), std::ios::binary | std::ios::trunc);
    out.write((const char *)bytes.data(), (std::streamsize)bytes.size());
}

inline bool Exists(const std::string &path) { return fs::exists(FromUtf8(path)); }

inline std::vector<std::string> Names(const std::string &dir)
{
    std::vector<std::string> names;
    std::error_code error;
    for (const fs::directory_entry &entry : fs::directory_iterator(FromUtf8(dir), error))
        names.push_back(ToUtf8(entry.path().filename()));
    std::sort(names.begin(), names.end());
    return names;
}

// The checksum as the file format defines it, for fixtures cut by hand.
inline uint32_t Fnv(const unsigned char *bytes, size_t count)
{
    uint32_t hash = 0x811C9DC5u;
    for (size_t i = 0; i < count; i++) hash = (hash ^ bytes[i]) * 16777619u;
    return hash;
}

inline void FixChecksum(Bytes &bytes)
{
    if (bytes.size() < 20) return;
    uint32_t sum = Fnv(bytes.data() + 20, bytes.size() - 20);
    memcpy(bytes.data() + 16, &sum, 4);
}

inline Bytes Encode(const Profile &profile)
{
    Bytes bytes(PROFILE_BYTES);
    ProfileEncode(profile, bytes.data());
    return bytes;
}

// An older version's file: the version-6 encoding cut to `size` bytes, with its version,
// payload length and checksum set to match.
inline Bytes Cut(const Profile &profile, uint32_t version, size_t size)
{
    Bytes bytes = Encode(profile);
    bytes.resize(size);
    uint32_t payload = (uint32_t)(size - 20);
    memcpy(bytes.data() + 8, &version, 4);
    memcpy(bytes.data() + 12, &payload, 4);
    FixChecksum(bytes);
    return bytes;
}

// Every field away from its default, and every value inside its range.
inline Profile Rich()
{
    Profile p;
    ProfileDefaults(p);
    const int levels[PROFILE_UPGRADES] = {3, 10, 5, 1, 2, 6, 4, 0, 5};
    memcpy(p.shop.level, levels, sizeof(levels));
    p.coins = 1234567890123ull;
    p.coinRemainder = 7;
    p.discoveries = 0x55;
    p.introSeen = true;
    p.musicVolume = 0.25f;
    p.soundVolume = 1.0f;
    p.musicEnabled = false;
    p.soundEnabled = true;
    p.borderless = true;
    p.gamepad = true;
    ProfileApplyGraphicsPreset(p, 1);
    p.graphics[4] = 2;
    p.bestLevel = 4;
    p.bestLevelSeconds = 90.0f;
    p.bestVictorySeconds = 970.25;
    p.victories = 3;
    return p;
}

// A second, different state of the same player: some coins spent, a setting changed.
inline Profile Later()
{
    Profile p = Rich();
    p.coins -= 1000;
    p.shop.level[7] = 1;
    p.discoveries = 0x7F;
    p.soundVolume = 0.5f;
    return p;
}

// A fresh folder per test; P is "<folder>/Glorvent/profile.dat", whose folder the first save
// creates. The fault plan is disarmed whatever the test did.
class ProfileFolder : public ::testing::Test {
protected:
    std::string root;
    std::string dir;
    std::string P;

    void SetUp() override
    {
        const ::testing::TestInfo *test = ::testing::UnitTest::GetInstance()->current_test_info();
        long long stamp = (long long)std::chrono::steady_clock::now().time_since_epoch().count();
        fs::path base = fs::temp_directory_path() /
                        (std::string("glorvent-profile-") + test->name() + "-" + std::to_string(stamp));
        fs::remove_all(base);
        fs::create_directories(base);
        root = ToUtf8(base);
        dir = root + "/Glorvent";
        P = dir + "/profile.dat";
    }
    void TearDown() override
    {
        PlatformFaultDisarm();
        std::error_code ignored;
        fs::remove_all(FromUtf8(root), ignored);
    }
    void MakeFolder() const { fs::create_directories(FromUtf8(dir)); }
    void Put(const std::string &suffix, const Bytes &bytes) const
    {
        MakeFolder();
        WriteRaw(P + suffix, bytes);
    }
    void Put(const std::string &suffix, const Profile &profile) const { Put(suffix, Encode(profile)); }
    Bytes Get(const std::string &suffix) const { return ReadBack(P + suffix); }
    bool Has(const std::string &suffix) const { return Exists(P + suffix); }
    // Loads into a default profile, the way start-up does.
    bool Load(Profile &out, ProfileLoadInfo *info = nullptr) const
    {
        ProfileDefaults(out);
        return ProfileLoad(out, P.c_str(), info);
    }
};

}   // namespace profile_files
