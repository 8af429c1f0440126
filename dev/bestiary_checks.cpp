// The encyclopedia's self-check: what a frame sights, which specimen an entry shows, every
// specimen built once from its first box with its time, and one log line for a failed one.
#include "dev/bestiary_checks.h"

#include "frontend/encyclopedia.h"
#include "frontend/specimen.h"
#include "raylib.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <memory>

namespace {

struct Tally {
    int passed, failed;
};

void Check(Tally &t, bool ok, const char *what)
{
    printf("%s %s\n", ok ? "ok  " : "FAIL", what);
    (ok ? t.passed : t.failed)++;
}

int errorLines = 0;

void CountErrors(int level, const char *, va_list)
{
    if (level >= LOG_ERROR) errorLines++;
}

// One formed creature of `mass` 3 m east of the origin.
void OneCreature(MudPool &pool, float mass)
{
    MudPoolReset(pool, 0);
    pool.count = 1;
    MudSlot &s = pool.slots[0];
    s.mass = mass;
    s.size = MUD_UNIT_SIZE;
    s.legNorm = 1.0f;
    s.scale = {1.0f, 1.0f, 1.0f};
    s.position = {3.0f, 0.5f, 0.0f};
    s.state = MUD_RESTING;
    s.emergence = 1.0f;
}

} // namespace

int DevTestBestiary()
{
    Tally t{};
    std::unique_ptr<MudPool> pool(new MudPool);
    Vector3 origin = {0.0f, 0.0f, 0.0f};

    OneCreature(*pool, 2.0f);
    Check(t, EncyclopediaSighted(*pool, origin, 5.0f) == 1, "a bun is sighted with no boss in the arena");
    Check(t, EncyclopediaSighted(*pool, origin, 2.9f) == 0, "a bun farther than the radius is not");
    pool->slots[0].emergence = 0.04f;
    Check(t, EncyclopediaSighted(*pool, origin, 5.0f) == 0, "a creature still emerging below 0.045 is not");
    OneCreature(*pool, 1.0f);
    pool->slots[0].roller = 1;
    pool->slots[0].emergence = 0.0f;
    pool->slots[0].state = MUD_HOP_FLIGHT;
    Check(t, EncyclopediaSighted(*pool, origin, 5.0f) == 1 << 3, "a live roller sets bit 3");
    bool bosses = true;
    for (int b = 0; b < 3; b++) {
        OneCreature(*pool, 3.0f + 3.0f * (float)b);
        pool->slots[0].boss = 1;
        pool->slots[0].bossIndex = b;
        pool->slots[0].health = 10.0f;
        bosses = bosses && EncyclopediaSighted(*pool, origin, 5.0f) == 1 << (4 + b);
    }
    Check(t, bosses, "each boss sets its own bit");
    pool->slots[0].bossIndex = 3;
    Check(t, EncyclopediaSighted(*pool, origin, 5.0f) == 0, "a boss numbered past the entries sets nothing");

    Profile profile;
    ProfileDefaults(profile);
    profile.discoveries = 0x80;
    OneCreature(*pool, 5.0f);
    bool grew = EncyclopediaRecordSightings(profile, *pool, origin, 10.0f);
    Check(t, grew && profile.discoveries == 2 && ProfileValid(profile, PROFILE_LEVEL_SECONDS),
          "recording keeps the discoveries within bits 0-6");

    bool question = true, bosses2 = true;
    for (int e = 0; e < ENCYCLOPEDIA_ENTRY_COUNT; e++) {
        question = question && EncyclopediaSpecimenFor(e, false) == SPECIMEN_QUESTION;
        if (e >= 4) bosses2 = bosses2 && EncyclopediaSpecimenFor(e, true) == e - 4;
    }
    Check(t, question, "every undiscovered entry shows the question mark");
    Check(t, bosses2, "the boss entries show the bun, walker and golem");
    Check(t, SpecimenQuestionField({0.0f, 1.75f, 0.0f}) >= 0.0f && SpecimenQuestionField({0.0f, 0.2f, 0.0f}) < 0.0f,
          "the question mark is open in its hook and solid in its dot");

    static const char *const NAMES[SPECIMEN_COUNT] = {"bun", "walker", "golem", "roller", "question mark"};
    for (int k = 0; k < SPECIMEN_COUNT; k++) {
        SpecimenMesh mesh{};
        clock_t start = clock();
        SpecimenResult result = SpecimenBuild(k, mesh);
        double ms = 1000.0 * (double)(clock() - start) / CLOCKS_PER_SEC;
        char line[160];
        snprintf(line, sizeof(line), "specimen %d (%s) builds from its first box: %d triangles in %.1f ms", k, NAMES[k],
                 mesh.vertexCount / 3, ms);
        Check(t, result == SPECIMEN_OK && mesh.samplings == 1 && mesh.vertexCount > 0 && mesh.largestSide > 0.0f, line);
        SpecimenMeshFree(mesh);
    }

    SpecimenSource source;
    SpecimenPrepare(SPECIMEN_QUESTION, source);
    source.boxMin = {-0.1f, 0.1f, -0.1f};
    source.boxMax = {0.1f, 0.3f, 0.1f};
    source.growStep = 0.0f;
    SpecimenGate gate{};
    SpecimenMesh mesh{};
    errorLines = 0;
    SetTraceLogCallback(CountErrors);
    int attempts = 0;
    for (int frame = 0; frame < 8; frame++) {
        attempts += SpecimenGateMayTry(gate) ? 1 : 0;
        SpecimenBuildGated(source, gate, mesh);
    }
    SetTraceLogCallback(nullptr);
    Check(t, attempts == SPECIMEN_TRIES && errorLines == 1, "a failed specimen is tried twice and logs one line");

    printf("%d passed, %d failed\n", t.passed, t.failed);
    return t.failed == 0 ? 0 : 1;
}
