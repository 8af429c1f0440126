// A small campaign fixture: an immortal stand-in player, the mudling pool and the campaign,
// stepped in the game's order (snapshot, campaign, creatures, camera follow).
#pragma once

#include "campaign/campaign.h"
#include "mud/mud_pool.h"
#include "world/camera.h"

#include <cmath>
#include <cstring>
#include <memory>

namespace camptest {

struct CampRun {
    Campaign campaign;
    MudPool pool;
    FollowCamera camera;
    Vector3 player;
    float aspect;
    int frame;                  // updates stepped
};

inline std::unique_ptr<CampRun> Start(Vector3 player = {0.0f, 0.0f, 0.0f})
{
    auto run = std::make_unique<CampRun>();
    memset(run.get(), 0, sizeof(CampRun));
    MudPoolReset(run->pool, 12);
    CampaignReset(run->campaign, run->pool);
    run->player = player;
    run->aspect = 16.0f / 9.0f;
    run->camera.viewHeight = CAMERA_ZOOM_DEFAULT;
    CameraFollow(run->camera, player, {0.0f, 0.0f, 0.0f}, 0.0f, true);
    return run;
}

inline CampaignEvents Step(CampRun &run, float dt)
{
    CampaignTakeSnapshot(run.campaign, CameraToRaylib(run.camera), run.aspect);
    CampaignEvents events = CampaignUpdate(run.campaign, run.pool, run.camera, run.player, dt);
    MudPoolUpdate(run.pool, run.player, dt);
    CameraFollow(run.camera, run.player, {0.0f, 0.0f, 0.0f}, dt, false);
    run.frame++;
    return events;
}

// The campaign alone, without the creatures' update (only the director's targets and the spawns
// the campaign itself makes reach the pool).
inline CampaignEvents StepCampaign(CampRun &run, float dt)
{
    CampaignTakeSnapshot(run.campaign, CameraToRaylib(run.camera), run.aspect);
    CampaignEvents events = CampaignUpdate(run.campaign, run.pool, run.camera, run.player, dt);
    run.frame++;
    return events;
}

// Stands in for the creatures' deaths and collapse after a wave clear: every ordinary creature
// the clear left standing, and every corpse, gives its slot back at once, so a whole campaign
// fits into the pool whatever the wound code does yet. True when the clear itself ran (no
// ordinary creature still buried, nothing queued).
inline bool SettleClearedWave(MudPool &pool)
{
    bool cleared = pool.queued == 0;
    for (int i = 0; i < pool.count; i++) {
        MudSlot &s = pool.slots[i];
        if (!(s.mass > 0.0f) || s.state == MUD_FREE) continue;
        if (!s.boss && s.state == MUD_BURIED) cleared = false;
        if (s.boss && s.state != MUD_CORPSE) continue;
        s.mass = 0.0f;
        s.state = MUD_FREE;
        s.mound = 0.0f;
        s.presence = 0.0f;
    }
    return cleared;
}

// One step in which a wave clear is settled as soon as the campaign asks for it.
inline CampaignEvents StepSettled(CampRun &run, float dt, bool *clearRan = nullptr)
{
    CampaignTakeSnapshot(run.campaign, CameraToRaylib(run.camera), run.aspect);
    CampaignEvents events = CampaignUpdate(run.campaign, run.pool, run.camera, run.player, dt);
    if (events.levelStarted || events.victory) {
        bool ran = SettleClearedWave(run.pool);
        if (clearRan) *clearRan = ran;
    }
    MudPoolUpdate(run.pool, run.player, dt);
    CameraFollow(run.camera, run.player, {0.0f, 0.0f, 0.0f}, dt, false);
    run.frame++;
    return events;
}

// A boss left the way a lethal hit leaves it: no hit points, frozen into its collapse.
inline void KillBoss(MudPool &pool, int slot)
{
    MudSlot &s = pool.slots[slot];
    s.health = 0.0f;
    s.state = MUD_CORPSE;
    s.timer = 0.0f;
    s.duration = 1.2f;
    s.presence = 0.0f;
}

// Brings the open level to its gate: skips to the length, then one update opens it.
inline CampaignEvents OpenGate(CampRun &run, float dt)
{
    while (CampaignSkipMinute(run.campaign) > 0.0f) {
    }
    return Step(run, dt);
}

// A formed ordinary creature standing at (x, z) in a new slot.
inline int AddBody(MudPool &pool, float x, float z, float mass)
{
    int i = pool.count++;
    MudSlot &s = pool.slots[i];
    memset(&s, 0, sizeof(s));
    s.obstacle = pool.obstacle;
    s.mass = mass;
    s.size = MUD_UNIT_SIZE;
    s.leader = s.heldBun = s.holder = s.partner = -1;
    s.wetness = 1.0f;
    s.walkerGrowth = mass >= 4.0f ? 1.0f : 0.0f;
    s.golemGrowth = mass >= 7.0f ? 1.0f : 0.0f;
    s.legNorm = mass < 4.0f ? 1.0f : 1.0f / std::cbrt(mass);
    s.legLength = std::cbrt(mass) * s.walkerGrowth * s.size * 0.85f;
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

inline bool SameBytes(const CampRun &a, const CampRun &b)
{
    return memcmp(&a.campaign, &b.campaign, sizeof(Campaign)) == 0 && memcmp(&a.pool, &b.pool, sizeof(MudPool)) == 0;
}

}  // namespace camptest
