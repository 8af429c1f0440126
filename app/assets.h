// Embedded assets: every file the game asks raylib to load is served from the executable.
#pragma once

#include <cstddef>

constexpr int ASSET_COUNT = 14;

struct AssetEntry {
    const char *path;   // path suffix, '/'-separated
    int id;             // resource id, 101..114
};

extern const AssetEntry ASSET_TABLE[ASSET_COUNT];

// Resource bytes for a path ending in a table path at a '/' or '\\' boundary; null if none.
const unsigned char *AssetFind(const char *path, size_t *size);
// Newly allocated copy (MemAlloc) of the asset; null and one error line if missing.
unsigned char *AssetLoadData(const char *path, int *dataSize);
// Newly allocated NUL-terminated copy; null and one error line if missing.
char *AssetLoadText(const char *path);
// Installs both loaders as raylib's file hooks; the program's very first action.
void AssetInstallHooks();
// "--licenses": prints the three licence texts; 0, or 1 at the first missing one.
int AssetPrintLicenses();
