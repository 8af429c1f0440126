#include "app/assets.h"
#include "tests/support/log_capture.h"

#include <gtest/gtest.h>

#include <cstring>

struct FindCase {
    const char *path;
    int expectedIndex;   // index into ASSET_TABLE, -1 for no match
};

TEST(AssetFind, MatchesOnlyAtPathBoundaries)
{
    const FindCase cases[] = {
        {"assets/shaders/scene.fs", 10},
        {"/opt/game/assets/shaders/scene.fs", 10},
        {"C:\\arbitrary folder\\assets\\shaders\\scene.fs", 10},
        {"C:\\Program Files\\Glorvent\\licenses\\raylib-LICENSE.txt", 13},
        {"mixed\\assets/fonts\\OFL.txt", 4},
        {"xassets/shaders/scene.fs", -1},         // wrong boundary
        {"assets/fonts/XOFL.txt", -1},
        {"fonts/OFL.txt", -1},                    // shorter than the table path
        {"assets/shaders/scene.fs ", -1},
        {"assets/shaders/SCENE.FS", -1},          // matching is case-sensitive
        {"", -1},
    };
    for (const FindCase &c : cases) {
        size_t size = 123;
        const unsigned char *data = AssetFind(c.path, &size);
        if (c.expectedIndex < 0) {
            EXPECT_EQ(data, nullptr) << c.path;
            EXPECT_EQ(size, 0u) << c.path;
            continue;
        }
        size_t expectedSize = 0;
        const unsigned char *expected = AssetFind(ASSET_TABLE[c.expectedIndex].path, &expectedSize);
        ASSERT_NE(data, nullptr) << c.path;
        EXPECT_EQ(data, expected) << c.path;
        EXPECT_EQ(size, expectedSize) << c.path;
    }
    size_t size = 7;
    EXPECT_EQ(AssetFind(nullptr, &size), nullptr);
    EXPECT_EQ(size, 0u);
}

TEST(AssetFind, EveryTablePathLoadsWithPositiveSize)
{
    for (const AssetEntry &entry : ASSET_TABLE) {
        size_t size = 0;
        EXPECT_NE(AssetFind(entry.path, &size), nullptr) << entry.path;
        EXPECT_GT(size, 0u) << entry.path;
    }
}

TEST(AssetLoad, CopiesAreOwnedAndTextIsTerminated)
{
    size_t size = 0;
    const unsigned char *original = AssetFind("assets/shaders/scene.fs", &size);
    ASSERT_NE(original, nullptr);

    int dataSize = 0;
    unsigned char *data = AssetLoadData("assets/shaders/scene.fs", &dataSize);
    ASSERT_NE(data, nullptr);
    EXPECT_NE(data, original);
    EXPECT_EQ((size_t)dataSize, size);
    EXPECT_EQ(memcmp(data, original, size), 0);
    data[0] = '!';   // a caller may write into its copy without touching the embedded bytes
    EXPECT_EQ(original[0], '#');
    MemFree(data);

    char *text = AssetLoadText("C:\\arbitrary folder\\assets\\shaders\\scene.fs");
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(strncmp(text, "#version 330", 12), 0);
    EXPECT_EQ(strlen(text), size);
    MemFree(text);
}

TEST(AssetLoad, MissingAssetLogsExactlyOneErrorAndZeroesTheSize)
{
    {
        LogCapture log;
        int dataSize = 99;
        EXPECT_EQ(AssetLoadData("assets/missing.bin", &dataSize), nullptr);
        EXPECT_EQ(dataSize, 0);
        ASSERT_EQ(log.lines().size(), 1u);
        EXPECT_EQ(log.lines()[0].level, LOG_ERROR);
        EXPECT_EQ(log.lines()[0].text, "Embedded asset missing or invalid: assets/missing.bin");
    }
    {
        LogCapture log;
        EXPECT_EQ(AssetLoadData(nullptr, nullptr), nullptr);
        ASSERT_EQ(log.lines().size(), 1u);
        EXPECT_EQ(log.lines()[0].text, "Embedded asset missing or invalid: (null)");
    }
    {
        LogCapture log;
        EXPECT_EQ(AssetLoadText("assets/fonts/NoSuch.txt"), nullptr);
        ASSERT_EQ(log.lines().size(), 1u);
        EXPECT_EQ(log.lines()[0].level, LOG_ERROR);
        EXPECT_EQ(log.lines()[0].text, "Embedded text missing or invalid: assets/fonts/NoSuch.txt");
    }
}

TEST(AssetLoad, RaylibLoadersGoThroughTheHooks)
{
    AssetInstallHooks();
    int size = 0;
    unsigned char *data = LoadFileData("/nonexistent/dir/assets/icons/glorvent.png", &size);
    ASSERT_NE(data, nullptr);
    EXPECT_GT(size, 8);
    EXPECT_EQ(memcmp(data, "\x89PNG", 4), 0);
    UnloadFileData(data);
    SetLoadFileDataCallback(nullptr);
    SetLoadFileTextCallback(nullptr);
}
