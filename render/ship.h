// Ship renderer: the shuttle's hull, its engine crystal and their effects (wreck smoke, crystal
// glow with sparkles, engine plume, ground dust), drawn from a plain view of the shuttle.
//
// Pure (no GL, render/ship.cpp): the mesh builders, the in-view test and ShipPlanFrame, which
// decides everything a frame draws. The renderer record and the drawing calls need the window's
// GL context (render/ship_gpu.cpp).
#pragma once

#include "world/camera.h"
#include "raylib.h"

constexpr int SHIP_HULL_VERTEX_LIMIT = 32000;
constexpr int SHIP_CRYSTAL_TRIANGLES = 24;
constexpr Vector3 SHIP_HULL_SPHERE_OFFSET = {0.0f, 1.85f, 0.0f};   // above base + altitude
constexpr float SHIP_HULL_SPHERE_RADIUS = 2.5f;
constexpr float SHIP_CRYSTAL_SPHERE_RADIUS = 0.85f;
constexpr int SHIP_MATERIAL_CRYSTAL = 7;    // hull materials are 1..6
constexpr int SHIP_SMOKE_PUFFS = 18;
constexpr int SHIP_SPARKLES = 4;
constexpr int SHIP_DUST_PUFFS = 8;
constexpr int SHIP_BILLBOARD_CAPACITY = SHIP_SMOKE_PUFFS + 1 + SHIP_SPARKLES + 2 + SHIP_DUST_PUFFS;

// What the renderer sees of the shuttle, gathered by the caller from the run.
struct ShipView {
    bool exists;             // this run has a shuttle
    bool launching;          // engines burning, rising
    bool departed;           // gone: nothing is drawn
    bool crystalExists;      // dropped, flying, carried or installed
    bool crystalInstalled;   // sitting in the engine socket
    Vector3 position;        // base point on the ground
    float altitude;          // metres above the base
    Vector3 crystal;         // crystal centre
    float clock;             // seconds since the run began
    float phaseTime;         // seconds in the current phase (launch fade-in)
    float smoke;             // 0..1 wreck smoke
};

// Vertex arrays a builder appends to: non-indexed triangles, `capacity` vertices at most.
struct ShipMeshBuffer {
    float *positions;        // 3 per vertex, metres
    float *normals;          // 3 per vertex, unit
    float *texcoords;        // 2 per vertex: material id, surface coordinate
    unsigned char *colors;   // 4 per vertex: grey tint, alpha 255
    int capacity;
    int count;               // vertices written
    bool overflow;           // a primitive did not fit and was left out
};

enum ShipEffectMode { SHIP_EFFECT_SMOKE = 1, SHIP_EFFECT_PLUME = 2, SHIP_EFFECT_GLOW = 3 };

// One effect quad: axes already scaled by the half sizes.
struct ShipBillboard {
    int mode;          // ShipEffectMode
    bool additive;     // additive blending, else alpha blending
    Vector3 centre;
    Vector3 axisX;     // quad x = +1 lands at centre + axisX
    Vector3 axisY;
    Vector4 tint;      // rgba 0..1
    float seed;
};

// Everything one frame draws, in drawing order.
struct ShipFramePlan {
    bool hull;               // hull sphere in view
    bool crystal;            // crystal exists and its sphere is in view
    bool prepass;            // hull or crystal: the canyon prepass is needed
    Vector3 hullOrigin;      // base + altitude
    Vector3 crystalOrigin;
    float crystalScale;      // 0.36 installed, else 1
    float crystalAngle;      // radians about y
    int smokeCount;          // visible puffs, far to near
    bool glow;               // crystal glow
    int sparkleCount;
    bool plume;              // plume and the nozzle glow
    int dustCount;
    int billboardCount;
    ShipBillboard billboards[SHIP_BILLBOARD_CAPACITY];
};

// GPU objects of the renderer, from start-up to shutdown.
struct ShipRenderer {
    Material material;       // raylib's default material carrying the ship shader (owns it)
    int locCameraPosition, locCameraTarget, locEffectMode, locEffectTint, locEffectSeed;
    Mesh hull, crystal, quad;
    int hullTriangles;
    bool ready;
};

// Body radius of the hull's lathe at height y (Hermite profile; 0.6 below the base ring, 0 above the top).
float ShipBodyRadius(float y);
// Appends the procedural hull; false if it would exceed the buffer (overflow set).
bool ShipBuildHull(ShipMeshBuffer &out);
// Appends the hexagonal crystal (24 triangles, material 7) centred at its origin.
bool ShipBuildCrystal(ShipMeshBuffer &out);
// Appends the effect quad: corners (+-1, +-1, 0), texture coordinates x/2 + 1/2, y/2 + 1/2, normal +z.
bool ShipBuildQuad(ShipMeshBuffer &out);

// The sphere is within the orthographic view of a width x height target.
bool ShipSphereInView(const FollowCamera &camera, int width, int height, Vector3 centre, float radius);
// What to draw this frame; empty without a shuttle, once departed or for an empty target.
ShipFramePlan ShipPlanFrame(const ShipView &ship, const FollowCamera &camera, int width, int height);

// GPU. Loads the ship shader and checks its uniforms, builds and uploads the three meshes, logs
// the hull's triangle count. False with one error line (nothing left created) on any failure,
// including a missing window.
bool ShipRendererCreate(ShipRenderer &renderer);
// GPU. Releases whatever exists; safe twice, before create and after a failed create.
void ShipRendererRelease(ShipRenderer &renderer);
// The renderer is ready and this frame's plan needs the canyon prepass.
bool ShipNeedsPrepass(const ShipRenderer &renderer, const ShipView &ship, const FollowCamera &camera, int width, int height);
// GPU. Hull and crystal, opaque with depth writes; call between SceneCanyonBegin and SceneCanyonEnd.
void ShipDrawPrepass(const ShipRenderer &renderer, const ShipView &ship, const FollowCamera &camera, int width, int height);
// GPU. Smoke, glow, plume and dust, depth-tested without depth writes; call in the scene target
// after the full-screen pass, inside BeginMode3D with the same camera.
void ShipDrawEffects(const ShipRenderer &renderer, const ShipView &ship, const FollowCamera &camera, int width, int height);
