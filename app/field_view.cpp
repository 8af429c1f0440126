#include "app/field_view.h"

#include "mud/mud_pose_blocks.h"

#include <cstring>

// The mudling packing and the renderer's contract must describe the same blocks.
static_assert(sizeof(MudPoseBlockA) == SCENE_MUD_POSE_A_BYTES, "MudPoseA size differs from the renderer's");
static_assert(sizeof(MudPoseBlockB) == SCENE_MUD_POSE_B_BYTES, "MudPoseB size differs from the renderer's");
static_assert(MUD_POSE_SLOTS == SCENE_MUD_SLOTS && MUD_POSE_TILE_COUNT == SCENE_MUD_TILE_COUNT,
              "mudling slot and tile counts differ from the renderer's");

ScenePose FieldScenePose(const PlayerPoseState &pose)
{
    ScenePose out{};
    for (int i = 0; i < SCENE_JOINT_COUNT; i++) out.joints[i] = pose.joints[i];
    out.bodyOffset = pose.bodyOffset;
    out.bodyAngles = pose.bodyAngles;
    out.footAngles[0] = pose.footAngles[0];
    out.footAngles[1] = pose.footAngles[1];
    return out;
}

HudHearts FieldHudHearts(const Health &health)
{
    static_assert(HUD_HEART_MAX == HEALTH_SLOT_COUNT, "one HUD heart per health slot");
    HudHearts h{};
    h.maxQuarters = health.maxQuarters;
    for (int i = 0; i < HEALTH_SLOT_COUNT; i++) h.heartFill[i] = health.heartFill[i];
    h.shownLoss = health.shownLoss;
    h.hitFlash = health.hitFlash;
    h.healFlash = health.healFlash;
    return h;
}

ShipView FieldShipView(const Ship &s)
{
    ShipView v{};
    v.exists = s.enabled;
    v.launching = s.phase == SHIP_LAUNCHING;
    v.departed = s.phase == SHIP_DEPARTED;
    v.crystalExists = s.crystalState != SHIP_CRYSTAL_NONE;
    v.crystalInstalled = s.crystalState == SHIP_CRYSTAL_INSTALLED;
    v.position = s.position;
    v.altitude = s.altitude;
    v.crystal = s.crystal;
    v.clock = s.clock;
    v.phaseTime = s.phaseTime;
    v.smoke = s.smoke;
    return v;
}

SceneView FieldSceneView(const Field &field)
{
    SceneView view{};
    view.camera = field.camera;
    view.playerPosition = field.player.position;
    view.playerYaw = field.player.yaw;
    view.playerVisible = !ShipPlayerAboard(field.ship);
    view.shipShadow = ShipShadow(field.ship);
    view.playerFlash = HealthBlink(field.health);
    view.pose = FieldScenePose(field.player.pose);
    view.time = field.totalTime;

    MeteorRender m;
    MeteorRenderData(field.meteors, m);
    static_assert(sizeof(view.meteors) == sizeof(m) && sizeof(view.meteors.bodies) == sizeof(m.bodies), "meteor record");
    view.meteors.count = m.count;
    memcpy(view.meteors.bodies, m.bodies, sizeof(m.bodies));
    memcpy(view.meteors.targets, m.targets, sizeof(m.targets));
    memcpy(view.meteors.states, m.states, sizeof(m.states));
    memcpy(view.meteors.starts, m.starts, sizeof(m.starts));
    SpikeRender b;
    SpikeRenderData(field.spikes, b);
    static_assert(sizeof(view.spikes) == sizeof(b) && sizeof(view.spikes.bodies) == sizeof(b.bodies), "spike record");
    view.spikes.count = b.count;
    memcpy(view.spikes.bodies, b.bodies, sizeof(b.bodies));
    memcpy(view.spikes.directions, b.directions, sizeof(b.directions));
    return view;
}
