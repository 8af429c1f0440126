#version 330
// Scene shader: one full-screen pass that ray-marches the world seen by the orthographic follow
// camera and writes tone-mapped colour and a linear depth meshes can test against.
//
// Index
//   [SECTION] Uniforms
//   [SECTION] Distance helpers
//   [SECTION] Ground
//   [SECTION] Astronaut
//   [SECTION] Shading
//   [SECTION] main

#ifndef ENABLE_CANYON
#define ENABLE_CANYON 0
#endif

// [SECTION] Uniforms
in vec2 fragTexCoord;
in vec4 fragColor;
out vec4 finalColor;

uniform vec2 resolution;
uniform vec3 cameraPosition;
uniform vec3 cameraForward;
uniform vec3 cameraRight;
uniform vec3 cameraUp;
uniform vec2 depthRange;
uniform float viewHeight;
uniform vec3 playerPosition;
uniform float playerYaw;
uniform float atmosphereTime;
uniform float arenaHalfSize;
uniform vec2 arenaCornerRadii;

// [SECTION] Distance helpers
float hash21(vec2 p)
{
    p = fract(p * vec2(123.34, 456.21));
    p += dot(p, p + 45.32);
    return fract(p.x * p.y);
}

float valueNoise(vec2 p)
{
    vec2 i = floor(p);
    vec2 f = fract(p);
    vec2 u = f * f * (3.0 - 2.0 * f);
    float a = hash21(i);
    float b = hash21(i + vec2(1.0, 0.0));
    float c = hash21(i + vec2(0.0, 1.0));
    float d = hash21(i + vec2(1.0, 1.0));
    return mix(mix(a, b, u.x), mix(c, d, u.x), u.y);
}

// Signed distance to the arena's rounded square: radius 16 at the (-,-) corner, 24 at (+,+).
float arenaDistance(vec2 p)
{
    float r = (p.x < 0.0 && p.y < 0.0) ? arenaCornerRadii.x
            : (p.x > 0.0 && p.y > 0.0) ? arenaCornerRadii.y : 0.0;
    vec2 q = abs(p) - vec2(arenaHalfSize - r);
    return length(max(q, 0.0)) + min(max(q.x, q.y), 0.0) - r;
}

// [SECTION] Ground
vec3 groundColor(vec2 p)
{
    float n = valueNoise(p * 0.35) * 0.6 + valueNoise(p * 1.7) * 0.3 + valueNoise(p * 7.0) * 0.1;
    vec3 dry = vec3(0.42, 0.30, 0.20);
    vec3 wet = vec3(0.25, 0.17, 0.11);
    vec3 col = mix(wet, dry, n);
    float grid = smoothstep(0.04, 0.0, abs(fract(p.x * 0.125) - 0.5) - 0.47)
               + smoothstep(0.04, 0.0, abs(fract(p.y * 0.125) - 0.5) - 0.47);
    return col * (1.0 - 0.06 * clamp(grid, 0.0, 1.0));
}

// [SECTION] Astronaut
// A stand-in body until the posed model arrives: a capsule with a visor.
float astronautDistance(vec3 p)
{
    vec3 q = p - playerPosition;
    vec3 a = vec3(0.0, 0.35, 0.0);
    vec3 b = vec3(0.0, 1.25, 0.0);
    vec3 pa = q - a;
    vec3 ba = b - a;
    float h = clamp(dot(pa, ba) / dot(ba, ba), 0.0, 1.0);
    return length(pa - ba * h) - 0.32;
}

// [SECTION] Shading
vec3 toneMap(vec3 c)
{
    c = c / (1.0 + c);
    return pow(c, vec3(1.0 / 2.2));
}

// [SECTION] main
void main()
{
    vec2 uv = (gl_FragCoord.xy / resolution) * 2.0 - 1.0;
    float aspect = resolution.x / resolution.y;
    vec3 origin = cameraPosition + cameraRight * (uv.x * 0.5 * viewHeight * aspect)
                + cameraUp * (uv.y * 0.5 * viewHeight);
    vec3 dir = normalize(cameraForward);

    vec3 sun = normalize(vec3(-0.45, 0.8, 0.35));
    vec3 col = vec3(0.02, 0.015, 0.012);
    float t = 1e4;

    // Astronaut: a short march around the player's bounding region.
    float tp = 0.0;
    bool hitPlayer = false;
    for (int i = 0; i < 64; i++) {
        vec3 p = origin + dir * tp;
        float d = astronautDistance(p);
        if (d < 0.002) { hitPlayer = true; break; }
        tp += d;
        if (tp > 200.0) break;
    }

    float tg = dir.y < -1e-4 ? -origin.y / dir.y : 1e4;
    if (hitPlayer && tp < tg) {
        t = tp;
        vec3 p = origin + dir * t;
        vec2 e = vec2(0.001, 0.0);
        vec3 n = normalize(vec3(astronautDistance(p + e.xyy) - astronautDistance(p - e.xyy),
                                astronautDistance(p + e.yxy) - astronautDistance(p - e.yxy),
                                astronautDistance(p + e.yyx) - astronautDistance(p - e.yyx)));
        float diff = max(dot(n, sun), 0.0);
        vec3 suit = vec3(0.9, 0.88, 0.82);
        vec3 fwd = vec3(sin(playerYaw), 0.0, cos(playerYaw));
        float visor = smoothstep(0.55, 0.8, dot(n, fwd)) * step(1.0, p.y - playerPosition.y);
        suit = mix(suit, vec3(0.9, 0.55, 0.15), visor);
        col = suit * (0.25 + 1.1 * diff);
    } else if (tg < 1e4) {
        t = tg;
        vec3 p = origin + dir * t;
        float d = arenaDistance(p.xz);
        if (d <= 0.0) {
            vec3 g = groundColor(p.xz);
            float rim = smoothstep(0.6, 0.0, abs(d + 0.3));
            float shadow = 1.0 - 0.45 * smoothstep(0.7, 0.2, length(p.xz - playerPosition.xz));
            col = g * (0.35 + 0.9 * max(sun.y, 0.0)) * shadow + rim * vec3(0.35, 0.22, 0.12);
        } else {
            // Beyond the outline the ground falls away into the dark chasm.
            col = vec3(0.05, 0.035, 0.03) * exp(-0.08 * d);
            t = tg + d;
        }
    }

    finalColor = vec4(toneMap(col * 1.6), 1.0);
    gl_FragDepth = clamp((t - depthRange.x) * depthRange.y, 0.0, 1.0);
}
