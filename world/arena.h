// Arena: the rounded square every moving thing lives in, and the boundary queries on it.
// Pure functions of their arguments and the constants below: no state, no allocation, no GPU.
// Only x and z take part; y passes through unchanged. The scene shader draws the same outline
// from ARENA_HALF_SIZE and the two corner radii.
#pragma once

#include "raylib.h"

constexpr float ARENA_HALF_SIZE = 128.0f;             // metres: the square spans -128..128 in x and z
constexpr float ARENA_CORNER_RADIUS_NEGATIVE = 16.0f; // metres: rounded corner at (-x, -z), arc centre (-112, -112)
constexpr float ARENA_CORNER_RADIUS_POSITIVE = 24.0f; // metres: rounded corner at (+x, +z), arc centre (104, 104)
constexpr float ARENA_TOLERANCE = 2e-5f;              // metres: containment slack and inward bias of clamping
// Largest half extent (each axis) the extent queries use; larger ones are clamped to it. Beyond
// 116 m the (+,+) arc's centre lies past the opposite wall of the allowed region, and clamping onto
// that arc could return points that containment rejects.
constexpr float ARENA_EXTENT_LIMIT = 116.0f;

// Radii are clamped to 0..ARENA_HALF_SIZE and half extents to 0..ARENA_EXTENT_LIMIT. Any
// non-finite coordinate, radius, extent or direction (or a NaN maximum distance) gives a defined
// answer: containment false, the clamp returns its input unchanged, the ray exits return 0, the
// signed distance +infinity.

// Signed distance from (x, z) to the outline: negative inside, 0 on it, positive outside.
float ArenaSignedDistance(float x, float z);
// An allowed centre for a circle of `radius` near `point` (y unchanged): the walls clamp first,
// then a point beyond a rounded corner moves onto its arc, 2e-5 inside. That is the nearest
// allowed point for any point between the walls; for one outside the walls it is the nearest to
// the wall-clamped point. A point within the walls and arcs comes back bit for bit; the result is
// always contained.
Vector3 ArenaClampCircle(Vector3 point, float radius);
// The same for a rectangle of half sizes `extents` (x along x, y along z).
Vector3 ArenaClampExtents(Vector3 point, Vector2 extents);
// True if the circle lies inside the arena (within ARENA_TOLERANCE).
bool ArenaContainsCircle(Vector3 point, float radius);
// True if the rectangle of half sizes `extents` (x, z) lies inside the arena (within ARENA_TOLERANCE).
bool ArenaContainsExtents(Vector3 point, Vector2 extents);
// How far the circle's centre can travel from `origin` along `direction` (x, z; need not be
// normalised, distances in its units) before it would leave, at most `maxDistance` (an infinite
// maximum is taken as FLT_MAX). 0 if the origin is not contained; a zero direction returns the
// maximum clamped to >= 0. The end point origin + direction * result is contained.
float ArenaRayExitCircle(Vector3 origin, Vector2 direction, float radius, float maxDistance);
// The same for a rectangle of half sizes `extents` (x, z).
float ArenaRayExitExtents(Vector3 origin, Vector2 direction, Vector2 extents, float maxDistance);
