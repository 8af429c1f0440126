#version 330

// Ship shader.
//
// Index
//   [SECTION] Inputs and uniforms
//   [SECTION] Materials
//   [SECTION] Effects
//   [SECTION] main
//
// effectMode 0 shades the opaque hull and crystal for the canyon prepass (linear colour, alpha 1;
// the scene shader tone-maps it). Modes 1 smoke, 2 engine plume and 3 glow shade the effect quad,
// drawn blended into the scene target.

// [SECTION] Inputs and uniforms

in vec2 fragTexCoord;
in vec4 fragColor;
in vec3 fragNormal;

uniform vec3 cameraPosition;
uniform vec3 cameraTarget;
uniform int effectMode;
uniform vec4 effectTint;
uniform float effectSeed;

out vec4 finalColor;

const float PI = 3.14159265;
const vec3 SUN = vec3(-0.12, 1.0, 0.08);
const vec3 SUN_COLOUR = vec3(1.35, 1.22, 1.0);
const vec3 AMBIENT = vec3(0.35, 0.44, 0.52);
const vec3 RIM_COLOUR = vec3(0.15, 0.32, 0.36);

// [SECTION] Materials

struct Surface {
    vec3 albedo;
    float shine;
    float exponent;
};

Surface material(int id)
{
    if (id == 1) return Surface(vec3(0.70, 0.665, 0.58), 0.10, 25.0);   // hull paint
    if (id == 2) return Surface(vec3(0.025, 0.042, 0.05), 0.10, 25.0);  // dark metal
    if (id == 3) return Surface(vec3(0.013, 0.16, 0.22), 1.2, 110.0);   // window glass
    if (id == 4) return Surface(vec3(0.04, 0.36, 0.41), 0.10, 25.0);    // lights
    if (id == 5) return Surface(vec3(0.16, 0.19, 0.20), 0.30, 55.0);    // steel
    if (id == 6) return Surface(vec3(0.82, 0.785, 0.69), 0.10, 25.0);   // pale armour
    return Surface(vec3(0.53, 0.025, 0.24), 0.75, 65.0);                // 7: crystal
}

vec3 shadeMesh()
{
    int id = int(fragTexCoord.x + 0.5);
    Surface s = material(id);
    vec3 albedo = s.albedo * fragColor.rgb;
    vec3 v = normalize(cameraPosition - cameraTarget);   // orthographic: one view direction
    vec3 n = normalize(fragNormal);
    if (dot(n, v) < 0.0) n = -n;                          // two-sided
    vec3 l = normalize(SUN);
    float diffuse = max(dot(n, l), 0.0);
    vec3 colour = albedo * (AMBIENT + SUN_COLOUR * diffuse);
    vec3 h = normalize(l + v);
    float lit = diffuse > 0.0 ? 1.0 : 0.0;
    colour += SUN_COLOUR * s.shine * pow(max(dot(n, h), 0.0), s.exponent) * lit;
    float facing = clamp(1.0 - dot(n, v), 0.0, 1.0);
    float rim = facing * facing * facing;
    colour += RIM_COLOUR * 0.24 * rim;
    if (id == 3) {
        // Sky in the glass, strongest at grazing angles.
        vec3 r = reflect(-v, n);
        vec3 sky = mix(vec3(0.30, 0.33, 0.36), vec3(0.36, 0.52, 0.70), clamp(r.y * 0.5 + 0.5, 0.0, 1.0));
        colour += sky * (0.12 + 0.55 * rim);
    }
    if (id == 4) colour += 0.24 * albedo;
    if (id >= 7) colour += vec3(1.20, 0.08, 0.51) + vec3(0.30, 0.16, 0.27) * rim;
    return colour;
}

// [SECTION] Effects

float smoothRange(float a, float b, float x)
{
    float t = clamp((x - a) / (b - a), 0.0, 1.0);
    return (3.0 - 2.0 * t) * t * t;
}

vec4 shadeSmoke(vec2 p, float r)
{
    float seed = effectSeed;
    float lobe = sin(7.0 * p.x + seed) * sin(6.0 * p.y - 1.7 * seed);
    float a = 1.0 - smoothRange(0.12, 0.97, r + 0.075 * lobe);
    vec3 colour = effectTint.rgb * (0.84 + 0.18 * (0.5 * p.y + 0.5) + 0.07 * lobe);
    return vec4(colour, a * a);
}

vec4 shadePlume(vec2 p)
{
    float seed = effectSeed;
    // Texture y runs from the tip (0) to the nozzle (1); interpolation may step just outside.
    float d = clamp(1.0 - fragTexCoord.y, 0.0, 1.0);
    float width = (0.14 + 0.53 * sin(pow(d, 0.72) * PI)) * (1.0 - 0.85 * smoothRange(0.48, 1.0, d))
                * (0.91 + 0.09 * sin(24.0 * d - 9.0 * seed));
    float centre = 0.055 * d * sin(19.0 * d - 11.0 * seed);
    float off = abs(p.x - centre);
    float a = 1.0 - smoothRange(0.7 * width, width, off);
    a *= smoothRange(0.0, 0.20, d) * (1.0 - smoothRange(0.91, 1.0, d));
    vec3 colour = mix(vec3(1.0, 0.22, 0.035), vec3(1.0, 0.87, 0.57), pow(1.0 - d, 1.3));
    float core = (1.0 - smoothRange(0.0, 0.35, d)) * (1.0 - smoothRange(0.0, 0.45 * width, off));
    colour = mix(colour, vec3(1.0, 0.98, 0.88), core);
    return vec4(colour, a);
}

vec4 shadeGlow(float r)
{
    float a = 1.0 - smoothRange(0.10, 1.0, r);
    return vec4(effectTint.rgb, a * a);
}

// [SECTION] main

void main()
{
    if (effectMode == 0) {
        finalColor = vec4(shadeMesh(), 1.0);
        return;
    }
    vec2 p = 2.0 * fragTexCoord - 1.0;
    float r = length(p);
    vec4 c = effectMode == 1 ? shadeSmoke(p, r) : (effectMode == 2 ? shadePlume(p) : shadeGlow(r));
    if (c.a < 0.004) discard;
    finalColor = vec4(c.rgb, c.a * effectTint.a);
}
