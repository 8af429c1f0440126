#!/usr/bin/python3
"""Renders the Glorvent window icon (a glossy clay blob with glowing eyes).

Standard library only, so it runs anywhere the system python does.

    tools/make_icon.py                       -> assets/icons/glorvent.png
    tools/make_icon.py -o some/file.png

The opening comic's picture is drawn by tools/make_comic.cpp.
"""

import argparse
import math
import os
import struct
import zlib

REPO_ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

SIZE = 256


# --------------------------------------------------------------------------
# PNG output


def write_png(path, width, height, rgba):
    """rgba: bytes-like of width*height*4, rows top to bottom."""

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    stride = width * 4
    # Filter type 0 on every row; zlib does well enough on flat-ish art.
    raw = b"".join(b"\x00" + bytes(rgba[y * stride:(y + 1) * stride]) for y in range(height))
    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(raw, 9))
    png += chunk(b"IEND", b"")
    os.makedirs(os.path.dirname(os.path.abspath(path)), exist_ok=True)
    with open(path, "wb") as f:
        f.write(png)


# --------------------------------------------------------------------------
# Small maths helpers


def clamp(x, lo=0.0, hi=1.0):
    return lo if x < lo else hi if x > hi else x


def smoothstep(e0, e1, x):
    t = clamp((x - e0) / (e1 - e0))
    return t * t * (3.0 - 2.0 * t)


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(len(a)))


def smin(a, b, k):
    # Polynomial smooth minimum: merges the lumps into one soft mass.
    h = clamp(0.5 + 0.5 * (b - a) / k)
    return b + (a - b) * h - k * h * (1.0 - h)


def smax(a, b, k):
    return -smin(-a, -b, k)


def sd_ellipsoid(x, y, z, cx, cy, rx, ry, rz):
    # Bound-style ellipsoid distance; its gradient is smooth, which is what the shading needs.
    px, py, pz = (x - cx) / rx, (y - cy) / ry, z / rz
    k0 = math.sqrt(px * px + py * py + pz * pz)
    qx, qy, qz = px / rx, py / ry, pz / rz
    k1 = math.sqrt(qx * qx + qy * qy + qz * qz)
    if k1 == 0.0:
        return -min(rx, ry, rz)
    return k0 * (k0 - 1.0) / k1


# --------------------------------------------------------------------------
# The blob: a few clay lumps smooth-unioned in 3D, all centred on z = 0 so the
# z = 0 slice is the silhouette and the front surface is found by bisection.


def blob_sdf(x, y, z=0.0):
    body = sd_ellipsoid(x, y, z, 128.0, 160.0, 100.0, 74.0, 70.0)
    head = sd_ellipsoid(x, y, z, 124.0, 110.0, 72.0, 66.0, 62.0)
    lump = sd_ellipsoid(x, y, z, 170.0, 126.0, 44.0, 42.0, 40.0)
    d = smin(body, head, 30.0)
    d = smin(d, lump, 24.0)
    # A little pinched-up tip where the clay was pulled off the lump.
    tip = sd_ellipsoid(x, y, z, 120.0, 52.0, 14.0, 17.0, 14.0)
    d = smin(d, tip, 22.0)
    # Hand-pressed unevenness instead of a perfect pill.
    d += 1.6 * math.sin(0.045 * x + 1.0) * math.sin(0.052 * y + 2.0) + 0.8 * math.sin(0.09 * x - 0.07 * y + 0.5)
    # Squash the base flat, as if it sits on the ground; soft so it leaves no crease.
    d = smax(d, y - 224.0, 14.0)
    return d


def front_depth(x, y):
    """z of the visible surface at (x, y); the caller guarantees (x, y, 0) is inside."""
    lo, hi = 0.0, 120.0
    for _ in range(18):
        mid = 0.5 * (lo + hi)
        if blob_sdf(x, y, mid) < 0.0:
            lo = mid
        else:
            hi = mid
    return 0.5 * (lo + hi)


def hash2(ix, iy):
    n = (ix * 374761393 + iy * 668265263) & 0xFFFFFFFF
    n = ((n ^ (n >> 13)) * 1274126177) & 0xFFFFFFFF
    return ((n ^ (n >> 16)) & 0xFFFF) / 65535.0


def value_noise(x, y):
    ix, iy = math.floor(x), math.floor(y)
    fx, fy = x - ix, y - iy
    fx, fy = fx * fx * (3 - 2 * fx), fy * fy * (3 - 2 * fy)
    a, b = hash2(ix, iy), hash2(ix + 1, iy)
    c, d = hash2(ix, iy + 1), hash2(ix + 1, iy + 1)
    return a + (b - a) * fx + (c - a) * fy + (a - b - c + d) * fx * fy


CLAY_DARK = (42.0, 24.0, 14.0)
CLAY_MID = (110.0, 68.0, 42.0)
CLAY_LIGHT = (168.0, 110.0, 66.0)

LIGHT = (-0.75, -1.0, 0.32)
_ll = math.sqrt(sum(c * c for c in LIGHT))
LIGHT = tuple(c / _ll for c in LIGHT)
# Half vector for a viewer on the +z axis looking at the blob head-on.
_h = (LIGHT[0], LIGHT[1], LIGHT[2] + 1.0)
_hl = math.sqrt(sum(c * c for c in _h))
HALF = tuple(c / _hl for c in _h)


def shade_blob(x, y):
    """Colour of the clay surface seen through pixel (x, y)."""
    # Near the rim the pixel centre can sit just outside; shade it as the edge.
    z = front_depth(x, y) if blob_sdf(x, y) < 0.0 else 0.0
    e = 0.5
    nx = blob_sdf(x + e, y, z) - blob_sdf(x - e, y, z)
    ny = blob_sdf(x, y + e, z) - blob_sdf(x, y - e, z)
    nz = blob_sdf(x, y, z + e) - blob_sdf(x, y, z - e)
    nl = math.sqrt(nx * nx + ny * ny + nz * nz) or 1.0
    nx, ny, nz = nx / nl, ny / nl, nz / nl

    ndl = nx * LIGHT[0] + ny * LIGHT[1] + nz * LIGHT[2]
    diffuse = clamp(ndl * 0.5 + 0.5)  # wrapped, so the shadow side stays readable
    diffuse = diffuse ** 1.4

    col = mix(CLAY_DARK, CLAY_MID, smoothstep(0.0, 0.55, diffuse))
    col = mix(col, CLAY_LIGHT, smoothstep(0.55, 1.0, diffuse))

    # Fingerprint-ish mottling so it reads as clay, not plastic.
    grain = value_noise(x * 0.12, y * 0.12) * 0.6 + value_noise(x * 0.35, y * 0.35) * 0.4
    col = tuple(c * (0.94 + 0.12 * grain) for c in col)

    # Contact shadow: the lower body sits in its own shade.
    col = tuple(c * (1.0 - 0.3 * smoothstep(150.0, 226.0, y)) for c in col)

    # Bounce light from the ground warms the underside rim.
    rim = (1.0 - nz) * clamp(ny)
    col = mix(col, (128.0, 74.0, 42.0), rim * 0.4)

    ndh = max(0.0, nx * HALF[0] + ny * HALF[1] + nz * HALF[2])
    specular = ndh ** 120 * 0.95 + ndh ** 20 * 0.1
    col = tuple(c + 255.0 * specular for c in col)

    # A small wet sheen curving along the upper left, the glossy-toy look.
    sx, sy = x - 84.0, y - 76.0
    along, across = sx * 0.7 - sy * 0.714, sx * 0.714 + sy * 0.7
    streak = math.exp(-(along * along) / 220.0 - (across * across) / 14.0)
    col = tuple(c + 170.0 * streak * nz for c in col)
    return col


# --------------------------------------------------------------------------
# Face

EYES = ((100.0, 122.0), (160.0, 120.0))
EYE_RADIUS = 15.0
EYE_YELLOW = (255.0, 206.0, 40.0)
EYE_CORE = (255.0, 252.0, 214.0)
GLOW = (255.0, 170.0, 20.0)

SMILE_CENTER = (130.0, 140.0)
SMILE_RADIUS = 26.0
SMILE_HALF_ANGLE = math.radians(42.0)
SMILE_WIDTH = 3.6


def sd_smile(x, y):
    # Arc opening upwards (screen y grows down), with rounded ends.
    px, py = x - SMILE_CENTER[0], y - SMILE_CENTER[1]
    ang = math.atan2(px, py)  # 0 points straight down
    if abs(ang) <= SMILE_HALF_ANGLE:
        return abs(math.hypot(px, py) - SMILE_RADIUS) - SMILE_WIDTH
    side = SMILE_HALF_ANGLE if ang > 0 else -SMILE_HALF_ANGLE
    ex = SMILE_CENTER[0] + math.sin(side) * SMILE_RADIUS
    ey = SMILE_CENTER[1] + math.cos(side) * SMILE_RADIUS
    return math.hypot(x - ex, y - ey) - SMILE_WIDTH


def render_icon():
    out = bytearray(SIZE * SIZE * 4)
    for py in range(SIZE):
        for px in range(SIZE):
            x, y = px + 0.5, py + 0.5
            d = blob_sdf(x, y)
            # One-pixel analytic coverage gives clean edges at every size raylib scales to.
            cover = clamp(0.5 - d)
            if cover <= 0.0:
                continue
            col = shade_blob(x, y)

            # Recessed sockets: a dark ring under each eye sells the depth.
            for ex, ey in EYES:
                r = math.hypot(x - ex, y - ey)
                socket = smoothstep(EYE_RADIUS + 6.0, EYE_RADIUS + 0.5, r)
                col = mix(col, (40.0, 20.0, 10.0), socket * 0.7)

            # The eyes glow: warm light bleeds out onto the clay around them.
            glow = 0.0
            for ex, ey in EYES:
                r = math.hypot(x - ex, y - ey)
                glow += math.exp(-max(0.0, r - EYE_RADIUS) ** 2 / 260.0) * 0.55
            col = tuple(c + g * glow for c, g in zip(col, GLOW))

            for ex, ey in EYES:
                r = math.hypot(x - ex, y - ey)
                iris = clamp(EYE_RADIUS - r + 0.5)
                if iris > 0.0:
                    # Bright off-centre core, as if lit from within.
                    cr = math.hypot(x - ex + 3.0, y - ey + 3.5)
                    core = math.exp(-(cr * cr) / 40.0)
                    edge = smoothstep(EYE_RADIUS * 0.45, EYE_RADIUS, r)
                    eye = mix(EYE_YELLOW, (235.0, 140.0, 10.0), edge * 0.6)
                    eye = mix(eye, EYE_CORE, core)
                    col = mix(col, eye, iris)

            sm = clamp(0.5 - sd_smile(x, y))
            if sm > 0.0:
                col = mix(col, (34.0, 16.0, 8.0), sm * 0.95)

            i = (py * SIZE + px) * 4
            out[i] = int(clamp(col[0], 0.0, 255.0) + 0.5)
            out[i + 1] = int(clamp(col[1], 0.0, 255.0) + 0.5)
            out[i + 2] = int(clamp(col[2], 0.0, 255.0) + 0.5)
            out[i + 3] = int(cover * 255.0 + 0.5)
    return out


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("-o", "--output", help="output PNG path")
    args = ap.parse_args()

    path = args.output or os.path.join(REPO_ROOT, "assets", "icons", "glorvent.png")
    write_png(path, SIZE, SIZE, render_icon())
    print(f"{path}: {SIZE}x{SIZE} RGBA")


if __name__ == "__main__":
    main()
