#version 330

// Canyon rock, shaded in linear light for the scene shader to composite (it adds cloud shadows,
// tone mapping and the vignette).
//
// Index
//   [SECTION] Inputs
//   [SECTION] Noise
//   [SECTION] Erosion
//   [SECTION] main

// [SECTION] Inputs

in vec3 fragPosition;   // world
in vec3 fragNormal;
in vec2 fragFoot;       // the column's foot on the rim (x, z)
in vec4 fragColor;      // grey tint

uniform vec3 cameraPosition;
uniform vec3 cameraTarget;

out vec4 finalColor;

const vec3 SUN = vec3(-0.1187711, 0.9897595, 0.0791808);   // normalize(-0.12, 1, 0.08)
const vec3 DEEP = vec3(0.015, 0.012, 0.011);               // the drop's near-black

// [SECTION] Noise

float hash3(ivec3 c)
{
    uvec3 q = uvec3(c);
    uint h = q.x * 73856093u ^ q.y * 19349663u ^ q.z * 83492791u;
    h = (h ^ (h >> 13u)) * 1274126177u;
    return float((h >> 8u) ^ (h >> 24u)) * (1.0 / 16777216.0);
}

// Trilinear value noise with smoothstep weights, 0..1.
float valueNoise(vec3 p)
{
    vec3 i = floor(p);
    vec3 f = p - i;
    vec3 u = f * f * (3.0 - 2.0 * f);
    ivec3 c = ivec3(i);
    float x00 = mix(hash3(c), hash3(c + ivec3(1, 0, 0)), u.x);
    float x10 = mix(hash3(c + ivec3(0, 1, 0)), hash3(c + ivec3(1, 1, 0)), u.x);
    float x01 = mix(hash3(c + ivec3(0, 0, 1)), hash3(c + ivec3(1, 0, 1)), u.x);
    float x11 = mix(hash3(c + ivec3(0, 1, 1)), hash3(c + ivec3(1, 1, 1)), u.x);
    return mix(mix(x00, x10, u.y), mix(x01, x11, u.y), u.z);
}

// [SECTION] Erosion

// Normal bent by a height field given only by its screen-space derivatives.
vec3 reliefNormal(vec3 n, vec3 p, float height, float strength)
{
    vec3 dpdx = dFdx(p), dpdy = dFdy(p);
    float dhx = dFdx(height), dhy = dFdy(height);
    vec3 r1 = cross(dpdy, n), r2 = cross(n, dpdx);
    float det = dot(dpdx, r1);
    vec3 gradient = sign(det) * (dhx * r1 + dhy * r2);
    vec3 bent = abs(det) * n - strength * gradient;
    return dot(bent, bent) > 1e-12 ? normalize(bent) : n;
}

// [SECTION] main

void main()
{
    vec3 p = fragPosition;
    // Orthographic: one direction toward the camera for the whole view.
    vec3 view = normalize(cameraPosition - cameraTarget);
    vec3 n = normalize(fragNormal);
    if (dot(n, view) < 0.0) n = -n;   // two-sided rock

    float broad = valueNoise(0.32 * p);
    float chips = valueNoise(2.6 * p);
    float grain = valueNoise(25.0 * p);
    float steep = 1.0 - smoothstep(0.52, 0.91, abs(n.y));

    // Gravity-aligned erosion: the foot on the rim stays the same up a whole column and height is
    // stretched, so grooves run straight uphill.
    vec3 e = vec3(fragFoot.x, 0.055 * p.y, fragFoot.y) + 0.09 * vec3(broad - 0.5, 0.0, chips - 0.5);
    float flutes = valueNoise(2.1 * e);
    float channels = valueNoise(vec3(6.8 * fragFoot.x, 0.24 * p.y, 6.8 * fragFoot.y));
    float groove = 1.0 - smoothstep(0.22, 0.5, flutes);
    float channel = 1.0 - smoothstep(0.28, 0.52, channels);
    float ridge = smoothstep(0.6, 0.86, flutes);
    float erosion = 1.0 - steep * (0.34 * groove + 0.15 * channel) + 0.14 * steep * ridge;

    vec3 base = mix(vec3(0.097, 0.042, 0.020), vec3(0.22, 0.125, 0.062), broad) * (0.74 + 0.33 * chips + 0.09 * grain)
              * fragColor.rgb;
    base *= erosion;
    // Dust settles on the flat tops.
    float level = smoothstep(0.78, 0.97, n.y);
    base = mix(base, vec3(0.195, 0.103, 0.043), 0.54 * level * smoothstep(0.2, 0.7, broad + 0.35 * chips));

    float height = 0.6 * flutes + 0.4 * channels;
    vec3 lit = reliefNormal(n, p, height, 0.9 * steep);

    float sky = smoothstep(-22.0, -0.4, p.y);
    float contact = mix(0.88, 1.0, smoothstep(-0.25, 1.7, p.y));
    float diffuse = max(dot(lit, SUN), 0.0);
    vec3 ambient = vec3(0.34, 0.39, 0.43) * mix(0.3, 1.0, sky);
    vec3 sunlight = vec3(1.2, 1.08, 0.87) * diffuse * sky;
    float specular = 0.025 * pow(max(dot(reflect(-SUN, lit), view), 0.0), 20.0) * sky;
    vec3 colour = base * (ambient + sunlight) * contact + vec3(specular);

    // The drop has no visible bottom.
    colour = mix(DEEP, colour, exp(0.05 * min(p.y + 1.0, 0.0)));
    finalColor = vec4(colour, 1.0);
}
