// Embedded assets: path matching, loader hooks and the licence printer.
#include "app/assets.h"

#include "platform/platform.h"
#include "raylib.h"

#include <climits>
#include <cstdio>
#include <cstring>

const AssetEntry ASSET_TABLE[ASSET_COUNT] = {
    {"assets/comic/intro.png", 101},
    {"assets/fonts/Exo2-Bold.ttf", 102},
    {"assets/fonts/Exo2-OFL.txt", 103},
    {"assets/fonts/NotoSans-Bold.ttf", 104},
    {"assets/fonts/OFL.txt", 105},
    {"assets/icons/glorvent.png", 106},
    {"assets/shaders/bestiary.fs", 107},
    {"assets/shaders/bestiary.vs", 108},
    {"assets/shaders/canyon.fs", 109},
    {"assets/shaders/canyon.vs", 110},
    {"assets/shaders/scene.fs", 111},
    {"assets/shaders/ship.fs", 112},
    {"assets/shaders/ship.vs", 113},
    {"licenses/raylib-LICENSE.txt", 114},
};

// True if `request` ends with `suffix` at a path boundary, counting '\\' as '/'.
static bool AssetPathMatches(const char *request, size_t requestLength, const char *suffix)
{
    size_t n = strlen(suffix);
    if (requestLength < n) return false;
    const char *tail = request + requestLength - n;
    for (size_t i = 0; i < n; i++) {
        char c = tail[i] == '\\' ? '/' : tail[i];
        if (c != suffix[i]) return false;
    }
    if (requestLength == n) return true;
    char before = tail[-1];
    return before == '/' || before == '\\';
}

const unsigned char *AssetFind(const char *path, size_t *size)
{
    if (size) *size = 0;
    if (!path) return nullptr;
    size_t length = strlen(path);
    for (const AssetEntry &entry : ASSET_TABLE) {
        if (!AssetPathMatches(path, length, entry.path)) continue;
        const unsigned char *data = nullptr;
        size_t bytes = 0;
        if (!PlatformResourceFind(entry.id, &data, &bytes)) return nullptr;
        if (size) *size = bytes;
        return data;
    }
    return nullptr;
}

unsigned char *AssetLoadData(const char *path, int *dataSize)
{
    if (dataSize) *dataSize = 0;
    size_t size = 0;
    const unsigned char *data = AssetFind(path, &size);
    if (data && size > 0 && size <= (size_t)INT_MAX) {
        unsigned char *copy = (unsigned char *)MemAlloc((unsigned int)size);
        if (!copy) return nullptr;
        memcpy(copy, data, size);
        if (dataSize) *dataSize = (int)size;
        return copy;
    }
    TraceLog(LOG_ERROR, "Embedded asset missing or invalid: %s", path ? path : "(null)");
    return nullptr;
}

char *AssetLoadText(const char *path)
{
    size_t size = 0;
    const unsigned char *data = AssetFind(path, &size);
    if (data && size < (size_t)INT_MAX) {
        char *copy = (char *)MemAlloc((unsigned int)size + 1);
        if (!copy) return nullptr;
        memcpy(copy, data, size);
        copy[size] = '\0';
        return copy;
    }
    TraceLog(LOG_ERROR, "Embedded text missing or invalid: %s", path ? path : "(null)");
    return nullptr;
}

void AssetInstallHooks()
{
    SetLoadFileDataCallback(AssetLoadData);
    SetLoadFileTextCallback(AssetLoadText);
}

int AssetPrintLicenses()
{
    static const char *const paths[] = {
        "licenses/raylib-LICENSE.txt", "assets/fonts/Exo2-OFL.txt", "assets/fonts/OFL.txt"};
    for (const char *path : paths) {
        char *text = AssetLoadText(path);
        if (!text) return 1;
        int written = printf("%s\n%s\n", path, text);
        MemFree(text);
        if (written < 0) break;
    }
    // A full disk or a closed stream is a failure, not a printed licence.
    bool ok = fflush(stdout) == 0 && !ferror(stdout);
    if (!ok) TraceLog(LOG_ERROR, "ASSETS: the licence texts could not be written to standard output");
    return ok ? 0 : 1;
}
