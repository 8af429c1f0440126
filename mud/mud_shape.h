// Mudling shape: the CPU copy of the implicit clay body the scene shader draws, for the hits, the
// contact tests and the corpse prints. A slot is prepared once (rotation, limb segments, cavities
// and cut in world terms) and then evaluated at as many points as a test needs.
//
// The field: the yaw-turned body ellipsoid, a bun's three-lobed skirt, the legs (curved, blending
// into straight golem legs), the golem torso and arms, then the wound cavities and the living cut
// carved out; a corpse is evaluated in its frozen pose, flattened and, when split, in two halves.
// Like the shader's, the distances are bounds, exact only near simple surfaces.
#pragma once

#include "mud/mud_pool.h"

constexpr float MUD_SHAPE_SMIN_MIN = 0.0001f;   // least blend width of the smooth minimum
// Least rate (per metre) at which the field's distances are assumed to change; a shape with
// stretched ellipsoids changes faster (MudShape::steepness).
constexpr float MUD_SHAPE_STEEPNESS_MIN = 1.5f;

// The limbs a slot's clay has now: a corpse's frozen pose, else the walking legs and golem arms.
struct MudShapeLimbs {
    MudLegPose legs;
    MudArmPose arms;
    bool hasLegs;
    bool hasArms;
};

// One tapered capsule: the limb segments of the field.
struct MudShapeSegment {
    Vector3 a, b;
    float ra, rb;
};

// A slot prepared for evaluation.
struct MudShape {
    Vector3 centre;
    float cosYaw, sinYaw;            // body frame: x sideways (cos, 0, -sin), z forward (sin, 0, cos)
    Vector3 radii;                   // body ellipsoid semi-axes, at least 0.001
    float skirt;                     // lobe weight; no lobes at 0.01 or less
    Vector3 lobeCentre[3];           // world
    Vector3 lobeRadii;               // body frame
    float skirtBlend;
    bool hasLegs;
    MudShapeSegment curved[2][3];    // each leg's three chords of its limb curve
    MudShapeSegment straight[2];     // the golem leg: hip to foot
    float legGolem;                  // s(golem growth): curved -> straight
    float legJoin, legBlend;         // blend of the two legs, of the legs into the body
    bool hasArms;
    Vector3 torsoCentre, torsoRadii;
    Vector3 shoulder[2], elbow[2], hand[2];
    float armWidth;                  // arm radius x visibility
    Vector3 armLo[2], armHi[2];      // box of each arm's control points, widened by its widest tube
    float armBlend, golemBlend;
    int cavityCount;
    Vector3 cavityCentre[2];         // world
    float cavityRadius[2];
    bool cut;
    Vector3 cutNormal;               // world, horizontal unit; positive side is the removed clay
    float cutOffset;
    bool corpse;
    bool split;
    Vector4 deathPlane;              // world: normal xyz, offset
    float separation, compression;
    float groundFrozen, groundCompressed;
    float steepness;                 // bound on the field's change per metre (the ellipsoid
                                     // approximation steepens with its aspect ratio)
};

// The slot's limbs (legs from the gait, arms from the golem arm pose; frozen copies for corpses).
MudShapeLimbs MudShapeLimbsOf(const MudSlot &slot);
// Golem arm pose of a living slot; false while it has none.
bool MudShapeArmPose(const MudSlot &slot, MudArmPose *arms);
// World centre and radius of cavity k (k < woundCount) with the limbs its anchor follows.
Vector3 MudShapeCavity(const MudSlot &slot, const MudShapeLimbs &limbs, int k, float *radius);
// Prepares `shape` from the slot and its limbs.
void MudShapePrepare(const MudSlot &slot, const MudShapeLimbs &limbs, MudShape &shape);
// Same slot evaluated as if alive: no corpse flattening, separation or halves.
void MudShapePrepareFrozen(const MudSlot &slot, const MudShapeLimbs &limbs, MudShape &shape);
// Signed distance from p to the clay, metres (negative inside).
float MudShapeDistance(const MudShape &shape, Vector3 p);
// How many of the heights y0 + k step (k = 0..n-1) of the vertical column at (x, z) lie in the
// clay (distance <= 0). A sample's distance vouches for the sign of the samples above it closer
// than distance / steepness, so most of a column is never evaluated.
int MudShapeColumnInside(const MudShape &shape, float x, float z, float y0, float step, int n);
// The point lies in clay a wound took away: inside a cavity or beyond the living cut.
bool MudShapeRemoved(const MudShape &shape, Vector3 p);
// Axis-aligned box around the uncompressed clay (body, skirt, limbs, torso; blends included).
void MudShapeBounds(const MudShape &shape, Vector3 *lo, Vector3 *hi);
// Radius around the centre that holds all the clay: max(scale) x S x 1.35, widened to every leg
// joint plus 1.5 limb radii and every arm joint plus 1.2 arm radii (the tube's widest), plus 0.1.
float MudShapeBoundRadius(const MudSlot &slot, const MudShapeLimbs &limbs);
// Body frame (x sideways, y up, z forward) of heading `yaw` to world directions, and back.
Vector3 MudShapeToWorld(float yaw, Vector3 local);
Vector3 MudShapeToBody(float yaw, Vector3 world);
// Signed distance (approximate) of a body-frame point q to the ellipsoid of semi-axes r.
float MudShapeEllipsoid(Vector3 q, Vector3 r);
// Arm taper along the limb (1.2 at the shoulder, 0.7 at t = 0.55, 1.1 at the hand).
float MudShapeArmTaper(float t);
// Leg taper along the limb (1.2 at the hip, 0.85 at the foot).
float MudShapeLegTaper(float t);
