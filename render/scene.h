// Scene renderer: the two scene-shader programs and their uniform contract, the render targets,
// the mudling uniform blocks, and one frame of the ray-marched world.
//
// Pure (no GL, render/scene.cpp): SceneGroundRectFor, SceneVariantSource, SceneUniformRequired,
// SceneMudUploadRanges, SceneSetGraphicsQuality / SceneGraphicsQuality. Everything else needs the
// window's GL context.
#pragma once

#include "world/camera.h"
#include "player/pose.h"
#include "world/arena.h"
#include "raylib.h"

constexpr int SCENE_JOINT_COUNT = PLAYER_JOINT_COUNT;
// The mudling data contract: two std140 blocks filled by the mudling packing, uploaded as bytes.
constexpr int SCENE_MUD_SLOTS = 48;
constexpr int SCENE_MUD_TILE_COUNT = 144;      // 16 x 9 screen tiles, two slot masks each
constexpr int SCENE_MUD_POSE_A_BYTES = 13824;
constexpr int SCENE_MUD_POSE_B_BYTES = 15360;
constexpr int SCENE_MUD_POSE_A_BINDING = 0;    // uniform-buffer binding points
constexpr int SCENE_MUD_POSE_B_BINDING = 1;
constexpr int SCENE_MUD_ARRAY_COUNT = 30;      // vec4 arrays of both blocks; mudTiles is the 31st copy
constexpr int SCENE_MUD_VEC4_BYTES = 16;
constexpr int SCENE_METEOR_CAPACITY = 8;
constexpr int SCENE_SPIKE_CAPACITY = 8;
constexpr float SCENE_CHASM_DEPTH = 200.0f;    // ray distance written beyond the arena outline
constexpr int SCENE_MIN_WIDTH = 320;           // smallest render size (16:9 steps)
constexpr int SCENE_MIN_HEIGHT = 180;

// Texture units of the full-screen pass; unit 0 stays raylib's batch texture.
constexpr int SCENE_UNIT_TRACKS = 1;
constexpr int SCENE_UNIT_DETAIL = 2;
constexpr int SCENE_UNIT_HEIGHTS = 3;
constexpr int SCENE_UNIT_SOIL = 4;
constexpr int SCENE_UNIT_ROCK_COLOR = 5;
constexpr int SCENE_UNIT_ROCK_DEPTH = 6;

// The shader contract, in table order; the last three exist only in the canyon program.
enum SceneUniform {
    SCENE_U_GRAPHICS_QUALITY, SCENE_U_RESOLUTION,
    SCENE_U_CAMERA_POSITION, SCENE_U_CAMERA_FORWARD, SCENE_U_CAMERA_RIGHT, SCENE_U_CAMERA_UP,
    SCENE_U_DEPTH_RANGE, SCENE_U_VIEW_HEIGHT, SCENE_U_PLAYER_POSITION, SCENE_U_PLAYER_YAW,
    SCENE_U_BODY_OFFSET, SCENE_U_BODY_ANGLES, SCENE_U_FOOT_ANGLES, SCENE_U_JOINTS,
    SCENE_U_PLAYER_VISIBLE, SCENE_U_PLAYER_FLASH, SCENE_U_SHIP_SHADOW, SCENE_U_ATMOSPHERE_TIME,
    SCENE_U_MUD_COUNT, SCENE_U_MUD_TILES,
    SCENE_U_GROUND_TRACKS, SCENE_U_TERRAIN_DETAIL, SCENE_U_TERRAIN_HEIGHTS, SCENE_U_SOIL_DEPOSITS,
    SCENE_U_TRACK_ORIGIN, SCENE_U_ARENA_HALF_SIZE, SCENE_U_ARENA_CORNER_RADII,
    SCENE_U_SOIL_ACTIVE, SCENE_U_SOIL_HEIGHT_BOUND,
    SCENE_U_METEOR_COUNT, SCENE_U_METEOR_BODIES, SCENE_U_METEOR_TARGETS, SCENE_U_METEOR_STATES,
    SCENE_U_METEOR_STARTS,
    SCENE_U_SPIKE_COUNT, SCENE_U_SPIKE_BODIES, SCENE_U_SPIKE_DIRECTIONS,
    SCENE_U_ROCK_COLOR, SCENE_U_ROCK_DEPTH, SCENE_U_ROCKS_ACTIVE,
    SCENE_UNIFORM_COUNT
};
constexpr int SCENE_COMMON_UNIFORM_COUNT = SCENE_U_ROCK_COLOR;   // 37, in both programs

extern const char *const SCENE_UNIFORM_NAMES[SCENE_UNIFORM_COUNT];

// One vec4 array of the MudPose blocks, where the std140 layout puts it.
struct SceneMudArray {
    const char *name;
    int block;      // 0 MudPoseA, 1 MudPoseB
    int offset;     // bytes from the block start
    int perSlot;    // entries per slot: 1, or 2 for legs, arms, cavities and chunks
};

extern const SceneMudArray SCENE_MUD_ARRAYS[SCENE_MUD_ARRAY_COUNT];

// A byte range of one block to copy from the packed bytes into the uniform buffer.
struct SceneMudRange {
    int block;
    int offset;
    int bytes;
};

struct SceneLocations {
    int loc[SCENE_UNIFORM_COUNT];   // -1 where the program lacks the uniform
};

struct SceneShaders {
    Shader interior;                // ENABLE_CANYON 0
    Shader canyon;                  // ENABLE_CANYON 1
    SceneLocations interiorLocs;
    SceneLocations canyonLocs;
};

// Graphics-quality vector: each component 0..2 (spray 0..1 in practice).
struct SceneQuality {
    int clouds;    // 0 off, 1 three samples, 2 six samples per ray
    int shadows;   // 0 none, 1 soft disc and blobs, 2 marched shadows and cloud shadows
    int spray;     // 0 halves the dust puffs
    int detail;    // creature and blade detail
};

// The astronaut's pose in the player frame (origin at the feet, x right, y up, z forward).
struct ScenePose {
    Vector3 joints[SCENE_JOINT_COUNT];  // legs (hip, knee, foot) left then right, arms likewise
    Vector3 bodyOffset;                 // torso offset from the hip pivot, metres
    Vector3 bodyAngles;                 // torso pitch, twist, roll, radians
    Vector2 footAngles[2];              // per foot: yaw, pitch
};

struct SceneMeteors {
    int count;                                   // 0..8; entries beyond it are not uploaded
    Vector4 bodies[SCENE_METEOR_CAPACITY];       // rock centre, radius (0 = no rock)
    Vector4 targets[SCENE_METEOR_CAPACITY];      // impact point, warning strength
    Vector4 states[SCENE_METEOR_CAPACITY];       // time, stage, random angle, cloud age
    Vector4 starts[SCENE_METEOR_CAPACITY];       // launch point, heat
};

struct SceneSpikes {
    int count;                                   // 0..8
    Vector4 bodies[SCENE_SPIKE_CAPACITY];        // blade centre, emergence
    Vector4 directions[SCENE_SPIKE_CAPACITY];    // heading x, z, spin phase, state
};

// Everything one frame of the world shows, gathered by the caller.
struct SceneView {
    FollowCamera camera;
    Vector3 playerPosition;
    float playerYaw;          // radians
    bool playerVisible;       // false while aboard the shuttle
    float playerFlash;        // above 0.5 draws the astronaut white-hot
    ScenePose pose;
    Vector4 shipShadow;       // ship x, y + altitude, z, strength; zeros without a ship
    float time;               // run seconds (clouds, blades)
    SceneMeteors meteors;
    SceneSpikes spikes;
    int mudCount;                               // packed mudling entries
    int mudTiles[SCENE_MUD_TILE_COUNT][2];       // per screen tile, two slot masks
    // The packed blocks, byte for byte in the std140 layout (SCENE_MUD_POSE_A_BYTES and
    // SCENE_MUD_POSE_B_BYTES); without either no mudling is drawn.
    const void *mudPoseA;
    const void *mudPoseB;
};

// Ground inputs; a texture with id 0 is replaced by a neutral 1 x 1 stand-in.
struct SceneGround {
    Texture2D tracks;         // ground-track atlas
    Texture2D detail;         // terrainDetail
    Texture2D heights;        // terrainHeights
    Texture2D soil;           // soil deposits
    Vector2 trackOrigin;      // world x, z of the atlas corner
    float soilHeightBound;    // highest deposit over SceneGroundRectFor; soil is active above 0
};

// Ground rectangle the camera can see, padded by 2 m.
struct SceneGroundRect {
    float minX, minZ, maxX, maxZ;
};

struct SceneTarget {
    RenderTexture2D texture;  // id 0 until first use
    int width, height;        // pixels
};

// GPU objects of the renderer that live from start-up to shutdown.
struct SceneResources {
    SceneTarget target;               // colour + depth renderbuffer, bilinear
    SceneTarget canyon;               // RGBA16F colour + depth texture, point filtered; lazily
    unsigned int poseBuffers[2];      // MudPoseA, MudPoseB uniform buffers; 0 until bound once
    unsigned int blocksProgram;       // program the blocks were last bound to
    bool blocksBound;                 // that binding succeeded: the shader reads the buffers
    Texture2D neutralZero;            // 1 x 1 all zero: flat heights, no tracks, no soil
    Texture2D neutralDetail;          // 1 x 1 mid relief and grain, no cracks
};

// Creates the neutral stand-in textures; false and one error line if they cannot be made.
bool SceneCreate(SceneResources &resources);
// Releases targets, buffers and stand-ins; accepts a failed or empty record.
void SceneRelease(SceneResources &resources);

// The 40 locations of a program; the rock uniforms are -1 in the interior table.
SceneLocations SceneLookupUniforms(Shader shader, bool canyon);
// Whether uniform `index` must exist in a program of that variant.
bool SceneUniformRequired(int index, bool canyon);
// Every required location is present; one warning line per missing name.
bool SceneCheckUniforms(const SceneLocations &locations, bool canyon);
// Checks the two MudPose blocks of `shader`, creates the buffers on first success and binds
// both blocks (A to 0, B to 1); false with one error line on any mismatch.
bool SceneBindMudPoseBlocks(SceneResources &resources, Shader shader);
// Sub-range upload into MudPoseA (block 0) or MudPoseB (1); ignored outside the block.
void SceneUploadMudPose(const SceneResources &resources, int block, int offset, const void *data, int bytes);
// The byte ranges that carry the first `count` slots (clamped to 0..48) of every array, one per
// array in block order; returns how many were written (0 for no slots, else 30).
int SceneMudUploadRanges(int count, SceneMudRange ranges[SCENE_MUD_ARRAY_COUNT]);
// Copies the used entries of the view's packed blocks, one sub-upload per array; returns the
// count the shader may draw (0 without blocks, buffers or a bound program).
int SceneUploadMudBlocks(const SceneResources &resources, const SceneView &view);
// Unloads both programs; accepts empty ones.
void SceneShadersRelease(SceneShaders &shaders);

// Program text for one variant: the file's first line replaced by "#version 330" and the
// ENABLE_CANYON define. MemAlloc'd; null if the text has no line feed.
char *SceneVariantSource(const char *fileText, int canyon);

// Rectangle of ground the camera sees for a target of width / height = aspect.
SceneGroundRect SceneGroundRectFor(const FollowCamera &camera, float aspect);

void SceneSetGraphicsQuality(SceneQuality quality);
SceneQuality SceneGraphicsQuality();

// One frame of the world into the scene target, (re)created at width x height; false only if a
// render target cannot be created.
// `prepass`: the canyon target holds this frame's meshes (rocks, the shuttle) to composite.
bool SceneRender(SceneResources &resources, const SceneShaders &shaders, const SceneView &view,
                 const SceneGround &ground, int width, int height, bool prepass = false);
// Opens the scene target again over the finished pass for depth-tested 3D effects drawn after it
// (smoke, plume, eye coins); close with SceneEffectsEnd.
void SceneEffectsBegin(SceneResources &resources, const FollowCamera &camera);
void SceneEffectsEnd();
// The full-screen pass alone, into whatever target is being drawn to (rocksActive: the canyon
// program composites the canyon target).
void SceneDrawPass(SceneResources &resources, const SceneShaders &shaders, const SceneView &view,
                   const SceneGround &ground, int width, int height, bool rocksActive);
// Opens the canyon prepass (target ensured at the size, cleared to transparent black, 3D camera
// set); false and one error line if the target cannot be made. Close with SceneCanyonEnd.
bool SceneCanyonBegin(SceneResources &resources, const FollowCamera &camera, int width, int height);
void SceneCanyonEnd();
// Unloads a target; accepts an empty one.
void SceneTargetRelease(SceneTarget &target);
// Draws one small pass with each program and waits for it, so that drivers which compile on
// first use do so at start-up.
void SceneWarmUp(SceneResources &resources, const SceneShaders &shaders, const SceneView &view,
                 const SceneGround &ground);

