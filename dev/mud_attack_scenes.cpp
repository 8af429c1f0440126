// Scripted mudling scenes: formed bodies placed straight into slots, no birth.
#include "dev/mud_attack_scenes.h"

#include "common/maths.h"

#include <cmath>
#include <cstring>

int MudSceneAddBody(MudPool &pool, float x, float z, float mass, float size)
{
    if (pool.count >= MUD_CAPACITY || !(mass > 0.0f) || !(size > 0.0f)) return -1;
    int i = pool.count++;
    MudSlot &s = pool.slots[i];
    memset(&s, 0, sizeof(s));
    s.obstacle = pool.obstacle;
    s.mass = mass;
    s.size = size;
    s.leader = s.heldBun = s.holder = s.partner = -1;
    s.wetness = 1.0f;
    s.walkerGrowth = mass >= 4.0f ? 1.0f : 0.0f;
    s.golemGrowth = mass >= 7.0f ? 1.0f : 0.0f;
    s.legNorm = mass < 4.0f ? 1.0f : 1.0f / std::cbrt(mass);
    s.legLength = std::cbrt(mass) * s.walkerGrowth * size * 0.85f;
    s.state = mass >= 4.0f ? MUD_WALKING : MUD_RESTING;
    s.duration = mass >= 4.0f ? 1.0f : 0.46f;
    s.presence = s.emergence = 1.0f;
    s.phase = 7.3f * (float)i + 0.4f;
    s.sinceTouchdown = 10.0f;
    s.scale = MudRestShape(s);
    s.position = {x, 0.0f, z};
    s.position.y = MudRestHeight(s, s.scale.y);
    s.spawnPoint = {x, 0.0f, z};
    s.from = s.to = s.previousPosition = s.endPosition = s.position;
    return i;
}

int MudSceneAddBoss(MudPool &pool, float x, float z, int index)
{
    int i = MudPoolSpawnBoss(pool, {x, 0.0f, z}, index, false);
    if (i < 0) return -1;
    MudSlot &s = pool.slots[i];
    s.position = s.spawnPoint = {x, 0.0f, z};
    s.state = index == 0 ? MUD_RESTING : MUD_WALKING;
    s.timer = 0.0f;
    s.duration = 0.1f;
    s.cooldown = 0.0f;
    s.presence = s.emergence = 1.0f;
    s.mound = 0.0f;
    s.scale = MudRestShape(s);
    s.position.y = MudRestHeight(s, s.scale.y);
    s.from = s.to = s.previousPosition = s.endPosition = s.position;
    return i;
}

MudScene MudSceneFusion(MudPool &pool, float massA, float massB)
{
    MudPoolReset(pool, 0);
    pool.attacksEnabled = 0;
    MudScene scene{{60.0f, 0.0f, 60.0f}, {60.0f, 0.0f, 60.0f}, -1, -1};
    scene.subject = MudSceneAddBody(pool, 10.0f, 10.0f, massA, MUD_UNIT_SIZE);
    float gap = (MudBodyRadius(pool.slots[scene.subject]) + std::cbrt(massB) * MUD_UNIT_SIZE) * 1.05f;
    scene.other = MudSceneAddBody(pool, 10.0f + gap, 10.0f, massB, MUD_UNIT_SIZE);
    return scene;
}

MudScene MudSceneDash(MudPool &pool)
{
    MudPoolReset(pool, 0);
    pool.mergeEnabled = 0;
    MudScene scene{{0.0f, 0.0f, 25.0f}, {3.0f, 0.0f, 25.0f}, -1, -1};
    scene.subject = MudSceneAddBody(pool, 0.0f, 20.0f, 1.0f, MUD_UNIT_SIZE);
    return scene;
}

MudScene MudSceneKick(MudPool &pool)
{
    MudPoolReset(pool, 0);
    pool.mergeEnabled = 0;
    MudScene scene{{0.0f, 0.0f, 21.2f}, {2.0f, 0.0f, 21.2f}, -1, -1};
    scene.subject = MudSceneAddBody(pool, 0.0f, 20.0f, 4.0f, MUD_UNIT_SIZE);
    return scene;
}

MudScene MudSceneGolemThrow(MudPool &pool)
{
    MudPoolReset(pool, 0);
    pool.mergeEnabled = 0;
    MudScene scene{{0.0f, 0.0f, 28.0f}, {4.0f, 0.0f, 28.0f}, -1, -1};
    scene.subject = MudSceneAddBody(pool, 0.0f, 20.0f, 7.0f, MUD_UNIT_SIZE);
    scene.other = MudSceneAddBody(pool, 2.2f, 20.6f, 1.0f, MUD_UNIT_SIZE);
    return scene;
}

MudScene MudSceneGolemPunch(MudPool &pool)
{
    MudPoolReset(pool, 0);
    pool.mergeEnabled = 0;
    MudScene scene{{0.0f, 0.0f, 21.8f}, {2.0f, 0.0f, 21.8f}, -1, -1};
    scene.subject = MudSceneAddBody(pool, 0.0f, 20.0f, 7.0f, MUD_UNIT_SIZE);
    return scene;
}

MudScene MudSceneBossAttacks(MudPool &pool)
{
    MudPoolReset(pool, 0);
    pool.mergeEnabled = 0;
    MudScene scene{{0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f}, -1, -1};
    scene.subject = MudSceneAddBoss(pool, -12.0f, 0.0f, 0);
    return scene;
}

MudScene MudSceneCrowd(MudPool &pool, int kind)
{
    MudPoolReset(pool, 0);
    pool.mergeEnabled = 0;
    MudScene scene{{0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f}, 0, -1};
    static const float MIXED[4][12] = {
        {1, 2, 1, 3, 1, 2, 1, 3, 1, 2, 1, 3},
        {1, 1, 2, 1, 1, 3, 1, 1, 2, 1, 1, 3},
        {4, 5, 6, 4, 5, 6, 4, 5, 6, 4, 5, 6},
        {7, 8, 9, 7, 8, 9, 7, 8, 9, 7, 8, 9},
    };
    const float radii[4] = {5.0f, 8.5f, 12.5f, 17.0f};
    for (int ring = 0; ring < 4; ring++) {
        for (int k = 0; k < 12; k++) {
            float mass = MIXED[ring][k];
            if (kind == MUD_CROWD_WALKERS) mass = 4.0f + (float)((ring + k) % 3);
            if (kind == MUD_CROWD_GOLEMS) mass = ring >= 2 && k % 3 != 2 ? 7.0f + (float)(k % 2) : 1.0f;
            float angle = 6.2831853f * ((float)k + 0.5f * (float)ring) / 12.0f;
            MudSceneAddBody(pool, radii[ring] * std::cos(angle), radii[ring] * std::sin(angle), mass, MUD_UNIT_SIZE);
        }
    }
    return scene;
}
