// Soil deposits: the grid, deposits, height queries, the press and the CPU half of the upload.
//
// Index
//   [SECTION] Grid helpers
//   [SECTION] Lifecycle
//   [SECTION] Deposits
//   [SECTION] Queries
//   [SECTION] Press
//   [SECTION] Upload
#include "world/soil.h"

#include "common/maths.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

// [SECTION] Grid helpers

// The soil the ground height reads; bound and unbound by its owner.
static Soil *groundSoil = nullptr;

// Cell-centre coordinate of a world coordinate: cell k's centre is at k.
static inline float CellCoordinate(float world) { return (world + SOIL_HALF_EXTENT) * SOIL_CELLS_PER_METRE - 0.5f; }

// World coordinate of cell k's centre.
static inline float CellCentre(int k) { return ((float)k + 0.5f) / SOIL_CELLS_PER_METRE - SOIL_HALF_EXTENT; }

// Cell containing a world coordinate, clamped into the grid (finite input only).
static inline int CellOf(float world)
{
    float c = std::floor((world + SOIL_HALF_EXTENT) * SOIL_CELLS_PER_METRE);
    return c < 0.0f ? 0 : (c > (float)(SOIL_SIZE - 1) ? SOIL_SIZE - 1 : (int)c);
}

// First and last cell whose centre lies within lo..hi (finite), clipped to the grid; false if none.
static bool CentresWithin(float lo, float hi, int &first, int &last)
{
    float a = std::ceil(CellCoordinate(lo)), b = std::floor(CellCoordinate(hi));
    if (a > (float)(SOIL_SIZE - 1) || b < 0.0f || a > b) return false;
    first = a < 0.0f ? 0 : (int)a;
    last = b > (float)(SOIL_SIZE - 1) ? SOIL_SIZE - 1 : (int)b;
    return true;
}

static inline int BlockOf(int row, int column) { return (row / SOIL_BLOCK) * SOIL_BLOCKS + column / SOIL_BLOCK; }

static inline float HeightOfVolume(float v) { return SOIL_HEIGHT_LIMIT * v / (v + SOIL_HALF_HEIGHT_VOLUME); }

// A cell changed: its block must be uploaded and the maxima cover its height (any cell with mass
// counts as occupied, so an empty block maximum means an empty block).
static inline void MarkCell(Soil &soil, int row, int column, float height, bool occupied)
{
    int block = BlockOf(row, column);
    float bound = occupied && height < SOIL_OCCUPIED ? SOIL_OCCUPIED : height;
    if (bound > soil.blockMax[block]) soil.blockMax[block] = bound;
    if (bound > soil.maxHeight) soil.maxHeight = bound;
    soil.blockDirty[block] = true;
    soil.textureStale = true;
}

// Adds to one cell without checks: amount > 0 and finite, materials in 0..1.
static inline void AddToCell(Soil &soil, int index, float amount, float wetness, float dryness)
{
    SoilCell &c = soil.cells[index];
    float mass = c.mass + amount;
    c.wetness = (c.mass * c.wetness + amount * wetness) / mass;
    c.dryness = (c.mass * c.dryness + amount * dryness) / mass;
    c.mass = mass;
    float v = soil.volume[index] + amount;
    soil.volume[index] = v;
    c.height = HeightOfVolume(v);
    MarkCell(soil, index / SOIL_SIZE, index % SOIL_SIZE, c.height, true);
}

// [SECTION] Lifecycle

bool SoilCreate(Soil &soil)
{
    if (soil.cells) {
        SoilReset(soil);
        return true;
    }
    soil = {};
    // Zero-filled: every block starts empty, which is what reset keeps true.
    soil.cells = (SoilCell *)std::calloc(SOIL_CELL_COUNT, sizeof(SoilCell));
    soil.volume = (float *)std::calloc(SOIL_CELL_COUNT, sizeof(float));
    soil.delta = (SoilDelta *)std::calloc(SOIL_CELL_COUNT, sizeof(SoilDelta));
    soil.staging = (SoilCell *)std::calloc(SOIL_STAGING_TEXELS, sizeof(SoilCell));
    if (!soil.cells || !soil.volume || !soil.delta || !soil.staging) {
        TraceLog(LOG_ERROR, "SOIL: could not allocate the deposit grids (%d x %d cells)", SOIL_SIZE, SOIL_SIZE);
        SoilRelease(soil);
        return false;
    }
    SoilReset(soil);
    return true;
}

void SoilRelease(Soil &soil)
{
    if (groundSoil == &soil) groundSoil = nullptr;
    std::free(soil.cells);
    std::free(soil.volume);
    std::free(soil.delta);
    std::free(soil.staging);
    soil = {};
}

void SoilReset(Soil &soil)
{
    // A cell holds anything only in a block whose maximum is above 0 (the renderer's bound
    // relies on the same), so only those blocks need clearing.
    for (int b = 0; b < SOIL_BLOCK_COUNT; ++b) {
        if (soil.cells && soil.volume && soil.blockMax[b] > 0.0f) {
            int row0 = (b / SOIL_BLOCKS) * SOIL_BLOCK, col0 = (b % SOIL_BLOCKS) * SOIL_BLOCK;
            for (int i = row0; i < row0 + SOIL_BLOCK; ++i) {
                std::memset(soil.cells + i * SOIL_SIZE + col0, 0, sizeof(SoilCell) * SOIL_BLOCK);
                std::memset(soil.volume + i * SOIL_SIZE + col0, 0, sizeof(float) * SOIL_BLOCK);
            }
        }
        soil.blockMax[b] = 0.0f;
        soil.blockDirty[b] = true;
    }
    soil.maxHeight = 0.0f;
    soil.total = 0.0;
    soil.textureStale = true;
}

void SoilBindGround(Soil *soil) { groundSoil = soil; }

Soil *SoilGround() { return groundSoil; }

// [SECTION] Deposits

bool SoilAddCell(Soil &soil, int index, float amount, float wetness, float dryness)
{
    if (!soil.cells || index < 0 || index >= SOIL_CELL_COUNT) return false;
    if (!IsFinite(amount) || !(amount > 0.0f) || !IsFinite(wetness) || !IsFinite(dryness)) return false;
    if (!IsFinite(soil.cells[index].mass + amount)) return false;
    AddToCell(soil, index, amount, ClampSafe(wetness, 0.0f, 1.0f), ClampSafe(dryness, 0.0f, 1.0f));
    // Counted in clods like every deposit, so the ledger and the press see clay added cell by cell.
    soil.total += (double)amount * SOIL_CELL_AREA / SOIL_UNIT_VOLUME;
    return true;
}

bool SoilDepositBlob(Soil &soil, Vector3 centre, float amount, float radius, float wetness, float dryness)
{
    if (!soil.cells || !IsFinite(amount) || !(amount > 0.0f)) return false;
    if (!IsFinite(centre.x) || !IsFinite(centre.z) || !IsFinite(radius) || !IsFinite(wetness) || !IsFinite(dryness)) return false;
    // Mass per unit weight before the weights are known: beyond this a cell could not hold it.
    if (!IsFinite(amount * SOIL_UNIT_VOLUME / SOIL_CELL_AREA)) return false;
    float cx = Clamp(centre.x, -SOIL_CENTRE_LIMIT, SOIL_CENTRE_LIMIT);
    float cz = Clamp(centre.z, -SOIL_CENTRE_LIMIT, SOIL_CENTRE_LIMIT);
    float r = Clamp(radius, 0.25f, 256.0f);
    int j0, j1, i0, i1;
    if (!CentresWithin(cx - r, cx + r, j0, j1) || !CentresWithin(cz - r, cz + r, i0, i1)) return false;
    float inverseR2 = 1.0f / (r * r);
    auto weight = [&](int i, int j) {
        float dx = CellCentre(j) - cx, dz = CellCentre(i) - cz;
        float w = 1.0f - (dx * dx + dz * dz) * inverseR2;
        return w > 0.0f ? w * w : 0.0f;
    };
    double sum = 0.0;
    for (int i = i0; i <= i1; ++i) {
        for (int j = j0; j <= j1; ++j) sum += weight(i, j);
    }
    // The centre is within 0.18 m of a cell centre and the radius at least 0.25 m, so the sum is
    // positive; kept as a guard.
    if (!(sum > 0.0)) return false;
    float perWeight = (float)((double)amount * SOIL_UNIT_VOLUME / (sum * SOIL_CELL_AREA));
    if (!IsFinite(perWeight)) return false;
    float wet = ClampSafe(wetness, 0.0f, 1.0f), dry = ClampSafe(dryness, 0.0f, 1.0f);
    for (int i = i0; i <= i1; ++i) {
        for (int j = j0; j <= j1; ++j) {
            float w = weight(i, j);
            if (w > 0.0f) AddToCell(soil, i * SOIL_SIZE + j, perWeight * w, wet, dry);
        }
    }
    soil.total += amount;
    return true;
}

bool SoilDepositBody(Soil &soil, Vector3 centre, float mass, float wetness, float dryness)
{
    float radius = 2.0f * std::cbrt(mass > 0.0f ? mass : 0.0f) + 0.3f;
    return SoilDepositBlob(soil, centre, mass, radius, wetness, dryness);
}

// The pattern can be sampled: present, a legal size and spacing, weights finite, non-negative
// and not all zero.
static bool PatternUsable(const float *weights, int n, float spacing)
{
    if (!weights || n < SOIL_PATTERN_MIN || n > SOIL_PATTERN_MAX) return false;
    if (!IsFinite(spacing) || !(spacing > 0.0f)) return false;
    bool any = false;
    for (int k = 0; k < n * n; ++k) {
        if (!IsFinite(weights[k]) || weights[k] < 0.0f) return false;
        any = any || weights[k] > 0.0f;
    }
    return any;
}

// Bilinear sample of the pattern at pattern coordinates (pu along x, pv along z); 0 outside.
static float PatternSample(const float *weights, int n, float pu, float pv)
{
    float top = (float)(n - 1);
    if (!(pu >= 0.0f && pu <= top && pv >= 0.0f && pv <= top)) return 0.0f;
    int l = (int)pu, k = (int)pv;
    if (l > n - 2) l = n - 2;
    if (k > n - 2) k = n - 2;
    float fu = pu - (float)l, fv = pv - (float)k;
    const float *row0 = weights + k * n, *row1 = row0 + n;
    float a = row0[l] + (row0[l + 1] - row0[l]) * fu;
    float b = row1[l] + (row1[l + 1] - row1[l]) * fu;
    return a + (b - a) * fv;
}

bool SoilDepositPattern(Soil &soil, Vector3 centre, const float *weights, int n, float spacing, float amount,
                        float wetness, float dryness)
{
    if (!soil.cells || !IsFinite(amount) || !(amount > 0.0f)) return false;
    if (!IsFinite(centre.x) || !IsFinite(centre.z) || !IsFinite(wetness) || !IsFinite(dryness)) return false;
    if (!IsFinite(amount * SOIL_UNIT_VOLUME / SOIL_CELL_AREA)) return false;
    if (!PatternUsable(weights, n, spacing)) {
        // A corpse's clay must reach the ground whatever its footprint says.
        TraceLog(LOG_WARNING, "SOIL: unusable deposit pattern (n %d, spacing %g); the clay goes down as one body", n,
                 (double)spacing);
        return SoilDepositBody(soil, centre, amount, wetness, dryness);
    }
    float cx = Clamp(centre.x, -SOIL_CENTRE_LIMIT, SOIL_CENTRE_LIMIT);
    float cz = Clamp(centre.z, -SOIL_CENTRE_LIMIT, SOIL_CENTRE_LIMIT);
    float wet = ClampSafe(wetness, 0.0f, 1.0f), dry = ClampSafe(dryness, 0.0f, 1.0f);
    float middle = 0.5f * (float)(n - 1);
    float half = middle * spacing;
    int j0 = 0, j1 = -1, i0 = 0, i1 = -1;
    bool inside = CentresWithin(cx - half, cx + half, j0, j1) && CentresWithin(cz - half, cz + half, i0, i1);
    auto sample = [&](int i, int j) {
        return PatternSample(weights, n, (CellCentre(j) - cx) / spacing + middle, (CellCentre(i) - cz) / spacing + middle);
    };
    double sum = 0.0;
    if (inside) {
        for (int i = i0; i <= i1; ++i) {
            for (int j = j0; j <= j1; ++j) sum += sample(i, j);
        }
    }
    float perSample = sum > 0.0 ? (float)((double)amount * SOIL_UNIT_VOLUME / (sum * SOIL_CELL_AREA)) : 0.0f;
    if (sum > 0.0 && IsFinite(perSample)) {
        for (int i = i0; i <= i1; ++i) {
            for (int j = j0; j <= j1; ++j) {
                float s = sample(i, j);
                if (s > 0.0f) AddToCell(soil, i * SOIL_SIZE + j, perSample * s, wet, dry);
            }
        }
    } else {
        // The pattern falls between cell centres: all of it under the centre.
        AddToCell(soil, CellOf(cz) * SOIL_SIZE + CellOf(cx), amount * SOIL_UNIT_VOLUME / SOIL_CELL_AREA, wet, dry);
    }
    soil.total += amount;
    return true;
}

// [SECTION] Queries

float SoilHeight(const Soil &soil, float x, float z)
{
    if (!soil.cells || !(soil.total > 0.0)) return 0.0f;  // nothing deposited: every cell is empty
    // Written so that NaN fails: the deposit ends at the arena wall.
    if (!(x >= -SOIL_HALF_EXTENT && x <= SOIL_HALF_EXTENT && z >= -SOIL_HALF_EXTENT && z <= SOIL_HALF_EXTENT)) return 0.0f;
    // Between the wall and the outermost cell centres the edge cells hold, as the texture's clamp does.
    float top = (float)(SOIL_SIZE - 1);
    float u = Clamp(CellCoordinate(x), 0.0f, top), v = Clamp(CellCoordinate(z), 0.0f, top);
    int j = (int)u, i = (int)v;
    int j1 = j < SOIL_SIZE - 1 ? j + 1 : j, i1 = i < SOIL_SIZE - 1 ? i + 1 : i;
    float fu = u - (float)j, fv = v - (float)i;
    const SoilCell *c = soil.cells;
    float a = c[i * SOIL_SIZE + j].height + (c[i * SOIL_SIZE + j1].height - c[i * SOIL_SIZE + j].height) * fu;
    float b = c[i1 * SOIL_SIZE + j].height + (c[i1 * SOIL_SIZE + j1].height - c[i1 * SOIL_SIZE + j].height) * fu;
    return a + (b - a) * fv;
}

float SoilGroundHeight(float x, float z) { return groundSoil ? SoilHeight(*groundSoil, x, z) : 0.0f; }

float SoilMaxHeightIn(const Soil &soil, float x0, float z0, float x1, float z1)
{
    if (!IsFinite(x0) || !IsFinite(z0) || !IsFinite(x1) || !IsFinite(z1)) return soil.maxHeight;
    float minX = std::fmin(x0, x1), maxX = std::fmax(x0, x1), minZ = std::fmin(z0, z1), maxZ = std::fmax(z0, z1);
    if (maxX < -SOIL_HALF_EXTENT || minX > SOIL_HALF_EXTENT || maxZ < -SOIL_HALF_EXTENT || minZ > SOIL_HALF_EXTENT) return 0.0f;
    // Grown by half a cell: the bilinear height reaches that far past the cells it uses.
    minX -= 0.125f;
    maxX += 0.125f;
    minZ -= 0.125f;
    maxZ += 0.125f;
    int b0 = CellOf(minX) / SOIL_BLOCK, b1 = CellOf(maxX) / SOIL_BLOCK;
    int a0 = CellOf(minZ) / SOIL_BLOCK, a1 = CellOf(maxZ) / SOIL_BLOCK;
    float best = 0.0f;
    for (int a = a0; a <= a1; ++a) {
        for (int b = b0; b <= b1; ++b) best = std::fmax(best, soil.blockMax[a * SOIL_BLOCKS + b]);
    }
    return best;
}

float SoilMaxHeight(const Soil &soil) { return soil.maxHeight; }

double SoilTotal(const Soil &soil) { return soil.total; }

double SoilMassClods(const Soil &soil)
{
    if (!soil.cells) return 0.0;
    double sum = 0.0;
    for (int k = 0; k < SOIL_CELL_COUNT; ++k) sum += soil.cells[k].mass;
    return sum * SOIL_CELL_AREA / SOIL_UNIT_VOLUME;
}

// [SECTION] Press

namespace {

// Cell rectangle, inclusive.
struct CellBox {
    int i0, i1;  // rows
    int j0, j1;  // columns
};

// Adds a share of what a press carries to the four delta cells around a world point. A point
// past the grid's edge is held at the edge cells, so clay pushed into the wall piles up there.
inline void Splat(SoilDelta *delta, float x, float z, float share, const SoilDelta &carry)
{
    const float top = (float)(SOIL_SIZE - 1);
    float u = Clamp(CellCoordinate(x), 0.0f, top), v = Clamp(CellCoordinate(z), 0.0f, top);
    int j = (int)u, i = (int)v;
    if (j > SOIL_SIZE - 2) j = SOIL_SIZE - 2;
    if (i > SOIL_SIZE - 2) i = SOIL_SIZE - 2;
    float fu = u - (float)j, fv = v - (float)i;
    float w[4] = {(1.0f - fu) * (1.0f - fv) * share, fu * (1.0f - fv) * share, (1.0f - fu) * fv * share, fu * fv * share};
    int index[4] = {i * SOIL_SIZE + j, i * SOIL_SIZE + j + 1, (i + 1) * SOIL_SIZE + j, (i + 1) * SOIL_SIZE + j + 1};
    for (int k = 0; k < 4; ++k) {
        SoilDelta &d = delta[index[k]];
        d.mass += carry.mass * w[k];
        d.wetMass += carry.wetMass * w[k];
        d.dryMass += carry.dryMass * w[k];
        d.volume += carry.volume * w[k];
    }
}

// Some block touched by the box holds mass.
bool BoxOccupied(const Soil &soil, const CellBox &box)
{
    for (int a = box.i0 / SOIL_BLOCK; a <= box.i1 / SOIL_BLOCK; ++a) {
        for (int b = box.j0 / SOIL_BLOCK; b <= box.j1 / SOIL_BLOCK; ++b) {
            if (soil.blockMax[a * SOIL_BLOCKS + b] > 0.0f) return true;
        }
    }
    return false;
}

// The cells of the segment's bounding box grown by `grow` cells, clipped to the grid.
CellBox GrownBox(float minX, float minZ, float maxX, float maxZ, int grow)
{
    CellBox box;
    box.j0 = CellOf(minX) - grow;
    box.j1 = CellOf(maxX) + grow;
    box.i0 = CellOf(minZ) - grow;
    box.i1 = CellOf(maxZ) + grow;
    box.j0 = box.j0 < 0 ? 0 : box.j0;
    box.i0 = box.i0 < 0 ? 0 : box.i0;
    box.j1 = box.j1 > SOIL_SIZE - 1 ? SOIL_SIZE - 1 : box.j1;
    box.i1 = box.i1 > SOIL_SIZE - 1 ? SOIL_SIZE - 1 : box.i1;
    return box;
}

// One straight segment of a press, r >= 0.00001 long.
void PressSegment(Soil &soil, float ax, float az, float bx, float bz, float radius, float strength, float dt)
{
    float dx = bx - ax, dz = bz - az;
    float r = std::sqrt(dx * dx + dz * dz);
    if (r < 0.00001f) return;
    dx /= r;
    dz /= r;
    float push = Clamp(0.85f * r + 0.3f * radius, 0.2f, 0.65f);
    float spread = 0.28f * radius + 0.1f;
    float minX = std::fmin(ax, bx), maxX = std::fmax(ax, bx), minZ = std::fmin(az, bz), maxZ = std::fmax(az, bz);

    // Sources: every cell within the radius of the segment; its clay lands up to push + spread
    // ahead plus one cell of bilinear spread, so the delta box grows by all of it.
    CellBox source;
    if (!CentresWithin(minX - radius, maxX + radius, source.j0, source.j1) ||
        !CentresWithin(minZ - radius, maxZ + radius, source.i0, source.i1)) return;
    if (!BoxOccupied(soil, source)) return;
    int grow = (int)std::ceil(SOIL_CELLS_PER_METRE * (radius + spread + push)) + 2;
    CellBox box = GrownBox(minX, minZ, maxX, maxZ, grow);

    SoilDelta *delta = soil.delta;
    for (int i = box.i0; i <= box.i1; ++i) std::memset(delta + i * SOIL_SIZE + box.j0, 0, sizeof(SoilDelta) * (size_t)(box.j1 - box.j0 + 1));

    float inverseR2 = 1.0f / (radius * radius);
    float pushRate = 6.0f * strength * dt, keepRate = 1.3f * strength * dt;
    float sideX = -dz * spread, sideZ = dx * spread;
    bool moved = false;
    for (int i = source.i0; i <= source.i1; ++i) {
        float cz = CellCentre(i);
        for (int j = source.j0; j <= source.j1; ++j) {
            int index = i * SOIL_SIZE + j;
            const SoilCell &c = soil.cells[index];
            if (!(c.mass > 0.0f)) continue;
            float cx = CellCentre(j);
            // Distance from the cell centre to the segment.
            float t = Clamp((cx - ax) * dx + (cz - az) * dz, 0.0f, r);
            float ex = cx - (ax + dx * t), ez = cz - (az + dz * t);
            float p = 1.0f - (ex * ex + ez * ez) * inverseR2;
            if (p <= 0.0f) continue;
            float q = 1.0f - std::exp(-pushRate * p);
            float k = std::exp(-keepRate * p);
            float moving = q * c.mass;
            if (!(moving > 0.0f)) continue;
            moved = true;
            float v = soil.volume[index];
            // The source loses through the delta too, so cells that only lose clay are recomputed.
            SoilDelta &own = delta[index];
            own.mass -= moving;
            own.wetMass -= moving * c.wetness;
            own.dryMass -= moving * c.dryness;
            own.volume -= (1.0f - (1.0f - q) * k) * v;
            SoilDelta carry = {moving, moving * c.wetness, moving * c.dryness, v * q * k};
            float px = cx + dx * push, pz = cz + dz * push;
            Splat(delta, px - sideX, pz - sideZ, 0.25f, carry);
            Splat(delta, px, pz, 0.5f, carry);
            Splat(delta, px + sideX, pz + sideZ, 0.25f, carry);
        }
    }
    if (!moved) return;

    for (int i = box.i0; i <= box.i1; ++i) {
        for (int j = box.j0; j <= box.j1; ++j) {
            int index = i * SOIL_SIZE + j;
            const SoilDelta &d = delta[index];
            if (d.mass == 0.0f && d.wetMass == 0.0f && d.dryMass == 0.0f && d.volume == 0.0f) continue;
            SoilCell &c = soil.cells[index];
            float mass = c.mass + d.mass;
            if (mass > 0.0f) {
                c.wetness = Clamp((c.mass * c.wetness + d.wetMass) / mass, 0.0f, 1.0f);
                c.dryness = Clamp((c.mass * c.dryness + d.dryMass) / mass, 0.0f, 1.0f);
                float v = Clamp(soil.volume[index] + d.volume, 0.0f, mass);
                soil.volume[index] = v;
                c.mass = mass;
                c.height = HeightOfVolume(v);
            } else {
                c = {};
                soil.volume[index] = 0.0f;
            }
            MarkCell(soil, i, j, c.height, c.mass > 0.0f);
        }
    }
}

}  // namespace

void SoilPress(Soil &soil, Vector3 from, Vector3 to, float radius, float strength, float dt)
{
    if (!soil.cells || !(soil.total > 0.0)) return;
    if (!IsFinite(dt) || !(dt > 0.0f) || !IsFinite(radius) || !(radius > 0.0f) || !IsFinite(strength) || !(strength > 0.0f)) return;
    if (!IsFinite(from.x) || !IsFinite(from.z) || !IsFinite(to.x) || !IsFinite(to.z)) return;
    float dx = to.x - from.x, dz = to.z - from.z;
    float length = std::sqrt(dx * dx + dz * dz);
    if (!IsFinite(length) || length < 0.00001f) return;
    float s = strength < SOIL_PRESS_STRENGTH_MAX ? strength : SOIL_PRESS_STRENGTH_MAX;
    float r = Clamp(radius, SOIL_PRESS_RADIUS_MIN, SOIL_PRESS_RADIUS_MAX);
    float segments = std::ceil(length / SOIL_PRESS_SEGMENT);
    int n = segments > (float)SOIL_PRESS_SEGMENTS_MAX ? SOIL_PRESS_SEGMENTS_MAX : (int)segments;
    if (n < 1) n = 1;
    float step = dt / (float)n;
    for (int k = 0; k < n; ++k) {
        float t0 = (float)k / (float)n, t1 = (float)(k + 1) / (float)n;
        PressSegment(soil, from.x + dx * t0, from.z + dz * t0, from.x + dx * t1, from.z + dz * t1, r, s, step);
    }
}

// [SECTION] Upload

int SoilUploadPlan(const bool dirty[SOIL_BLOCK_COUNT], SoilUploadRect rects[SOIL_UPLOAD_RECT_CAPACITY])
{
    bool all = true;
    for (int b = 0; b < SOIL_BLOCK_COUNT && all; ++b) all = dirty[b];
    if (all) {
        rects[0] = {0, 0, SOIL_SIZE, SOIL_SIZE};
        return 1;
    }
    int count = 0;
    for (int a = 0; a < SOIL_BLOCKS; ++a) {
        const bool *row = dirty + a * SOIL_BLOCKS;
        for (int b = 0; b < SOIL_BLOCKS;) {
            if (!row[b]) {
                ++b;
                continue;
            }
            int end = b;
            while (end < SOIL_BLOCKS && row[end]) ++end;
            // A row alternating dirty and clean has 16 runs: the capacity always holds.
            rects[count++] = {b * SOIL_BLOCK, a * SOIL_BLOCK, (end - b) * SOIL_BLOCK, SOIL_BLOCK};
            b = end;
        }
    }
    return count;
}

bool SoilStageRect(const Soil &soil, SoilUploadRect rect, SoilCell *staging)
{
    if (!soil.cells || !staging) return false;
    if (rect.x < 0 || rect.y < 0 || rect.width <= 0 || rect.height <= 0) return false;
    if (rect.x > SOIL_SIZE - rect.width || rect.y > SOIL_SIZE - rect.height) return false;
    if ((long long)rect.width * rect.height > SOIL_STAGING_TEXELS) return false;
    for (int i = 0; i < rect.height; ++i) {
        std::memcpy(staging + (size_t)i * rect.width, soil.cells + (size_t)(rect.y + i) * SOIL_SIZE + rect.x,
                    sizeof(SoilCell) * (size_t)rect.width);
    }
    return true;
}

void SoilMarkUploaded(Soil &soil)
{
    for (bool &d : soil.blockDirty) d = false;
    soil.textureStale = false;
}
