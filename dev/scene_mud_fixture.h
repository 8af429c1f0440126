// Hand-packed mudlings for the renderer's developer checks and captures: MudPose blocks filled
// slot by slot with the meaning each value has for the scene shader (bodies, legs, golem parts,
// births, splashes, dashes, fusions, wounds, cuts, corpses, debris) and the screen-tile masks
// marked the way the packing marks them. Pure: no GL.
#pragma once

#include "mud/mud_pose_blocks.h"
#include "render/scene.h"

struct SceneMudFixture {
    MudPoseBlockA a;
    MudPoseBlockB b;
    int count;                                  // slots in use
    int tiles[SCENE_MUD_TILE_COUNT][2];          // per screen tile, two slot masks
    bool terrain;                               // ground follows TerrainBaseHeight; else flat at 0
};

// Empties the fixture; `terrain` picks the ground the creatures stand on.
void SceneMudFixtureReset(SceneMudFixture &f, bool terrain);
// Height of the ground the fixture stands its creatures on, metres.
float SceneMudFixtureGround(const SceneMudFixture &f, float x, float z);
// A resting bun of `mass` clods (below 4) and unit size 0.65 centred over ground point (x, z);
// returns its slot, or -1 when all 48 are used.
int SceneMudFixtureBun(SceneMudFixture &f, float x, float z, float mass, float yaw, float phase);
// A walker (mass 4 to below 7) at `gait` of its stride cycle; slot or -1.
int SceneMudFixtureWalker(SceneMudFixture &f, float x, float z, float mass, float yaw, float phase, float gait);
// A golem (mass 7 to 9) with torso and arms, at `gait` of its stride; slot or -1.
int SceneMudFixtureGolem(SceneMudFixture &f, float x, float z, float mass, float yaw, float phase, float gait);
// A birth at (x, z): t below 0 is buried under its mound at -t of the buried state, 0..1 is the
// emergence jump with strand and crater; slot or -1.
int SceneMudFixtureBirth(SceneMudFixture &f, float x, float z, float t, float phase);
// A free slot whose birth crater stays in the ground; slot or -1.
int SceneMudFixtureCrater(SceneMudFixture &f, float x, float z);
// Slot `slot` touched down `since` seconds ago at its position: the four splash drops.
void SceneMudFixtureLanding(SceneMudFixture &f, int slot, float since);
// Slot `slot` dashes from `from` to `to` (ground points) and is `elapsed` seconds into it.
void SceneMudFixtureDash(SceneMudFixture &f, int slot, Vector3 from, Vector3 to, float elapsed);
// Two buns of masses mA and mB fusing at progress s (0..1) around (x, z): the absorber's slot.
int SceneMudFixtureFusion(SceneMudFixture &f, float x, float z, float mA, float mB, float s);
// Cavity k (0, 1) of slot `slot`: world centre at the body centre + offset, world radius.
void SceneMudFixtureCavity(SceneMudFixture &f, int slot, int k, Vector3 offset, float radius);
// A living cut of slot `slot`: everything beyond `distance` from its centre along the horizontal
// direction (nx, nz) is gone.
void SceneMudFixtureCut(SceneMudFixture &f, int slot, float nx, float nz, float distance);
// A bun of `mass` dead `t` seconds ago (0..1.2), split by a blade along (nx, nz) or whole; slot or -1.
int SceneMudFixtureCorpse(SceneMudFixture &f, float x, float z, float mass, float t, bool split, float nx, float nz);
// Debris chunk k (0, 1) of slot `slot` flying at `position` with `radius`.
void SceneMudFixtureChunk(SceneMudFixture &f, int slot, int k, Vector3 position, float radius);
// Slot `slot` carries a hit mark `offset` from its centre: kind 1 bruise, 2 blade, 3 plasma
// scorch, `since` seconds old, with hit flash `flash`; `special` 0 ordinary, 1 boss, 2 gatherer.
void SceneMudFixtureMark(SceneMudFixture &f, int slot, Vector3 offset, float kind, float since, float flash, float special);
// A puddle of a thrown bun lying on the ground at (x, z) (the pooled form); slot or -1.
int SceneMudFixturePuddle(SceneMudFixture &f, float x, float z, float yaw);
// A roller of `radius` at (x, z) turned by `roll` radians; slot or -1.
int SceneMudFixtureRoller(SceneMudFixture &f, float x, float z, float radius, float roll);
// Marks the screen tiles every slot may cover for this orthographic camera and aspect.
void SceneMudFixtureTiles(SceneMudFixture &f, const FollowCamera &camera, float aspect);
// Hands the fixture to a view: count, tiles and both blocks.
void SceneMudFixtureView(const SceneMudFixture &f, SceneView &view);
