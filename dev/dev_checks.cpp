// Self-checks without a window: each named switch runs one function and exits with its status.
#include "dev/dev_modes.h"

#include "app/assets.h"
#include "dev/audio_checks.h"
#include "dev/audio_scene_checks.h"
#include "dev/audio_score_checks.h"
#include "dev/bestiary_checks.h"
#include "dev/campaign_checks.h"
#include "dev/comic_checks.h"
#include "dev/combat_checks.h"
#include "dev/display_checks.h"
#include "dev/loot_checks.h"
#include "dev/menu_checks.h"
#include "dev/mud_attack_checks.h"
#include "dev/mud_checks.h"
#include "dev/mud_wound_checks.h"
#include "dev/profile_checks.h"
#include "dev/replay_checks.h"
#include "dev/ship_checks.h"
#include "dev/shop_checks.h"
#include "dev/soak_checks.h"
#include "dev/soil_checks.h"
#include "dev/tracks_checks.h"

#include <cstdio>
#include <cstring>

// Every embedded asset loads with a positive size, and a Windows-style path finds the shader.
static int DevTestEmbedded()
{
    int passed = 0, failed = 0;
    for (const AssetEntry &entry : ASSET_TABLE) {
        int size = 0;
        unsigned char *data = LoadFileData(entry.path, &size);
        bool ok = data && size > 0;
        if (ok) printf("ok   %d %s (%d bytes)\n", entry.id, entry.path, size);
        else printf("FAIL %d %s\n", entry.id, entry.path);
        (ok ? passed : failed)++;
        UnloadFileData(data);
    }
    char *scene = LoadFileText("C:\\arbitrary folder\\assets\\shaders\\scene.fs");
    bool windowsPath = scene && strncmp(scene, "#version 330", 12) == 0;
    printf("%s scene shader through a Windows path\n", windowsPath ? "ok  " : "FAIL");
    (windowsPath ? passed : failed)++;
    UnloadFileText(scene);
    printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}

struct DevSelfCheck {
    const char *name;
    int (*run)();
};

static const DevSelfCheck SELF_CHECKS[] = {
    {"--test-embedded", DevTestEmbedded},
    {"--test-soil", DevTestSoil},
    {"--test-ship", DevTestShip},
    {"--test-ship-obstacle", DevTestShipObstacle},
    {"--test-mud", DevTestMud},
    {"--benchmark-mud", DevBenchmarkMud},
    {"--test-merge", DevTestMerge},
    {"--test-evolution", DevTestEvolution},
    {"--test-attack", DevTestAttack},
    {"--test-golem", DevTestGolem},
    {"--test-golem-contact", DevTestGolemContact},
    {"--benchmark-walkers", DevBenchmarkWalkers},
    {"--benchmark-golems", DevBenchmarkGolems},
    {"--test-destruction", DevTestDestruction},
    {"--test-contacts", DevTestContacts},
    {"--test-contact-damage", DevTestContactDamage},
    {"--test-tracks", DevTestTracks},
    {"--test-audio", DevTestAudio},
    {"--test-audio-ui", DevTestAudioUi},
    {"--capture-audio", DevCaptureAudio},
    {"--test-audio-score", DevTestAudioScore},
    {"--test-audio-scene", DevTestAudioScene},
    {"--test-profile", DevTestProfile},
    {"--test-menu", DevTestMenu},
    {"--test-bestiary", DevTestBestiary},
    {"--test-comic", DevTestComic},
    {"--test-display", DevTestDisplay},
    {"--test-campaign", DevTestCampaign},
    {"--test-loot", DevTestLoot},
    {"--test-meteor", DevTestMeteor},
    {"--test-spike", DevTestSpike},
    {"--test-health", DevTestHealth},
    {"--test-support", DevTestSupport},
    {"--benchmark-combat", DevBenchmarkCombat},
    {"--test-boss", DevTestBoss},
    {"--test-shop", DevTestShop},
    {"--test-replay", DevTestReplay},
};

int DevRunSelfCheck(const CommandLine &command)
{
    // Switches with an argument of their own.
    if (strcmp(command.name, "--soak") == 0) return DevSoak(command.second);
    if (strcmp(command.name, "--benchmark-campaign") == 0)
        return command.second && strcmp(command.second, "bot") == 0 ? DevBenchmarkCampaignBot() : DevBenchmarkCampaign();
    for (const DevSelfCheck &check : SELF_CHECKS) {
        if (strcmp(command.name, check.name) == 0) return check.run();
    }
    TraceLog(LOG_WARNING, "DEV: %s is not part of this build", command.name);
    return 2;
}
