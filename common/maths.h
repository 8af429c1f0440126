// Small maths shared by every subsystem: the smoothstep, frame-rate-independent easing, the two
// random generators each owner steps with its own state, and the few float helpers raymath.h
// lacks. Vector arithmetic comes from raymath.h. Header only, no state.
#pragma once

#include "raymath.h"

#include <cmath>
#include <cstdint>

// Smoothstep (3 - 2x) x^2 of x clamped to 0..1; NaN gives 0.
inline float Smoothstep(float x)
{
    float t = x > 0.0f ? (x < 1.0f ? x : 1.0f) : 0.0f;
    return (3.0f - 2.0f * t) * t * t;
}

// Smoothstep of x between edges a and b (a != b).
inline float SmoothstepRange(float a, float b, float x) { return Smoothstep((x - a) / (b - a)); }

// Share of the remaining distance an eased value covers in dt at rate k: 1 - e^(-k dt).
inline float EaseFactor(float k, float dt) { return 1.0f - std::exp(-k * dt); }

// x moved toward target at rate k over dt; the same path whatever the frame rate.
inline float EaseToward(float x, float target, float k, float dt) { return x + (target - x) * EaseFactor(k, dt); }
inline Vector3 EaseToward(Vector3 x, Vector3 target, float k, float dt)
{
    float e = EaseFactor(k, dt);
    return {x.x + (target.x - x.x) * e, x.y + (target.y - x.y) * e, x.z + (target.z - x.z) * e};
}

// Linear congruential generator: next = r * 1664525 + 1013904223 (mod 2^32).
inline uint32_t LcgNext(uint32_t &state)
{
    state = state * 1664525u + 1013904223u;
    return state;
}
// Unit float in [0, 1) from the next LCG state: (r >> 8) * 2^-24.
inline float LcgUnit(uint32_t &state) { return (float)(LcgNext(state) >> 8) * (1.0f / 16777216.0f); }

// xorshift32: x ^= x << 13; x ^= x >> 17; x ^= x << 5. A zero state stays zero.
inline uint32_t Xorshift32(uint32_t &state)
{
    uint32_t x = state;
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    state = x;
    return x;
}

inline bool IsFinite(float x) { return std::isfinite(x); }
inline bool IsFinite(Vector2 v) { return std::isfinite(v.x) && std::isfinite(v.y); }
inline bool IsFinite(Vector3 v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

// x limited to lo..hi; NaN gives lo.
inline float ClampSafe(float x, float lo, float hi) { return x > lo ? (x < hi ? x : hi) : lo; }
inline int ClampInt(int x, int lo, int hi) { return x < lo ? lo : (x > hi ? hi : x); }

// Angle wrapped into (-pi, pi].
inline float WrapAngle(float a) { return std::atan2(std::sin(a), std::cos(a)); }

// v scaled to unit length; the zero vector for a zero or non-finite length.
inline Vector3 NormalizeOrZero(Vector3 v)
{
    float length = Vector3Length(v);
    if (!(length > 0.0f) || !std::isfinite(length)) return {0.0f, 0.0f, 0.0f};
    return Vector3Scale(v, 1.0f / length);
}

// Horizontal (x, z) length of a vector.
inline float LengthXZ(Vector3 v) { return std::sqrt(v.x * v.x + v.z * v.z); }
