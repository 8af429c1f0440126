#version 330

// Encyclopedia specimen preview, fragment stage: wet clay with lumps and pores from a value
// noise, one fixed light, a rim, and the creatures' glowing eyes on the front of the head.
//
// Index
//   [SECTION] Uniforms
//   [SECTION] Noise
//   [SECTION] Eyes
//   [SECTION] main

// [SECTION] Uniforms

in vec3 modelPoint;
in vec3 worldPoint;
in vec3 worldNormal;

uniform mat4 matModel;
uniform vec3 cameraEye;    // camera position, world space
uniform vec3 headCenter;   // the creature's body centre, model space
uniform vec3 headRadii;    // its body radii
uniform float golem;       // golem growth 0..1: wider, lower, lidded eyes
uniform float hasEyes;     // 0 for the roller and the question mark

out vec4 finalColor;

// [SECTION] Noise

float Hash(vec3 p)
{
    p = fract(p * 0.1031);
    p += dot(p, p.yzx + 33.33);
    return fract((p.x + p.y) * p.z);
}

// Trilinear value noise with a smoothstep fade: x = value, yzw = its gradient.
vec4 ClayNoise(vec3 x)
{
    vec3 i = floor(x);
    vec3 f = fract(x);
    vec3 u = f * f * (3.0 - 2.0 * f);
    vec3 du = 6.0 * f * (1.0 - f);
    float a = Hash(i + vec3(0.0, 0.0, 0.0));
    float b = Hash(i + vec3(1.0, 0.0, 0.0));
    float c = Hash(i + vec3(0.0, 1.0, 0.0));
    float d = Hash(i + vec3(1.0, 1.0, 0.0));
    float e = Hash(i + vec3(0.0, 0.0, 1.0));
    float g = Hash(i + vec3(1.0, 0.0, 1.0));
    float h = Hash(i + vec3(0.0, 1.0, 1.0));
    float k = Hash(i + vec3(1.0, 1.0, 1.0));
    float k1 = b - a, k2 = c - a, k3 = e - a;
    float k4 = a - b - c + d, k5 = a - c - e + h, k6 = a - b - e + g;
    float k7 = -a + b + c - d + e - g - h + k;
    float value = a + k1 * u.x + k2 * u.y + k3 * u.z + k4 * u.x * u.y + k5 * u.y * u.z + k6 * u.z * u.x +
                  k7 * u.x * u.y * u.z;
    vec3 gradient = du * vec3(k1 + k4 * u.y + k6 * u.z + k7 * u.y * u.z,
                              k2 + k5 * u.z + k4 * u.x + k7 * u.z * u.x,
                              k3 + k6 * u.x + k5 * u.y + k7 * u.x * u.y);
    return vec4(value, gradient);
}

// [SECTION] Eyes

// The scene's eye shape on the unit head frame: x = socket darkening, y = inner glow, z = core.
vec3 Eyes(vec3 local)
{
    float face = smoothstep(0.35, 0.65, local.z) * hasEyes * (1.0 - smoothstep(0.06, 0.20, abs(length(local) - 1.0)));
    float ex = abs(local.x) - mix(0.34, 0.33, golem);
    float ey = local.y - mix(0.29, 0.19, golem) - golem * (0.48 * ex + 0.025 * local.x);
    float e = length(vec2(ex / mix(0.115, 0.17, golem), ey / mix(0.155, 0.077, golem)));
    float socket = 1.0 - smoothstep(0.9, mix(1.8, 2.25, golem), e);
    // The golem's heavy lid closes the top of the aperture.
    float aperture = mix(1.0, 1.0 - smoothstep(0.032, 0.080, ey), golem);
    return vec3(socket * face, exp(-0.65 * e * e) * face * 0.35 * aperture,
                (1.0 - smoothstep(0.60, 1.0, e)) * face * aperture);
}

// [SECTION] main

void main()
{
    vec3 local = (modelPoint - headCenter) / max(headRadii, vec3(0.15));
    vec4 clod = ClayNoise(3.1 * local + vec3(1.7, 2.9, 0.7));
    vec4 pores = ClayNoise(10.3 * local + 11.7);

    // Lumps and pores bend the normal: the noise gradient turned with the model, its part along
    // the normal removed.
    vec3 n = normalize(worldNormal);
    mat3 turn = mat3(matModel);
    float scale = max(length(turn[0]), 1e-6);
    vec3 bend = (turn / scale) * (0.14 * clod.yzw + 0.035 * pores.yzw);
    bend -= n * dot(bend, n);
    n = normalize(n - bend);

    vec3 light = normalize(vec3(-0.35, 0.83, 0.43));
    vec3 view = normalize(cameraEye - worldPoint);
    vec3 halfway = normalize(light + view);
    float cavity = 1.0 - smoothstep(0.18, 0.42, clod.x);
    vec3 base = vec3(0.22, 0.094, 0.034) * (0.88 + 0.25 * clod.x - 0.20 * cavity);
    vec3 colour = base * (vec3(0.35, 0.37, 0.42) + vec3(1.35, 1.08, 0.78) * max(dot(n, light), 0.0));
    float nh = max(dot(n, halfway), 0.0);
    colour += vec3(1.0, 0.87, 0.67) * (0.95 * pow(nh, 27.0 + 31.0 * clod.x) * (0.36 + 0.46 * clod.x) + 0.10 * pow(nh, 10.0));
    colour += vec3(0.11, 0.15, 0.19) * pow(1.0 - max(dot(n, view), 0.0), 4.0);

    vec3 eyes = Eyes(local);
    colour *= 1.0 - 0.85 * eyes.x;
    colour += vec3(1.0, 0.27, 0.003) * eyes.y + vec3(3.8, 1.85, 0.06) * eyes.z;

    colour = colour / (1.0 + 0.4 * colour);
    finalColor = vec4(pow(colour, vec3(1.0 / 2.2)), 1.0);
}
