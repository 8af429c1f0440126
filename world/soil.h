// Soil: the raised deposits that clay leaves on the arena floor. A 1024 x 1024 grid of 0.25 m
// cells over -128..128 in x and z holds per cell the displayed height, wetness, dryness and mass
// (the texel of the `soilDeposits` texture) and, beside it, the loose volume. Bodies deposit
// clay, steps push it forward and compact it, and the ground height adds the deposit.
//
// Ownership: a `Soil` record owns its grids on the heap (SoilCreate / SoilRelease), so a test can
// hold one of its own. The ground every body stands on (TerrainHeight) reads the one soil bound
// with SoilBindGround; with none bound the ground carries no soil.
//
// Everything here is CPU only; the texture and its uploads are render/soil_gpu.h.
#pragma once

#include "raylib.h"

#include <cstddef>
#include <cstdint>

constexpr int SOIL_SIZE = 1024;                                      // cells per side
constexpr int SOIL_CELL_COUNT = SOIL_SIZE * SOIL_SIZE;
constexpr float SOIL_HALF_EXTENT = 128.0f;                           // metres: covers -128..128
constexpr float SOIL_CELLS_PER_METRE = 4.0f;                         // cell size 0.25 m
constexpr float SOIL_CELL_AREA = 0.0625f;                            // m^2
constexpr float SOIL_CENTRE_LIMIT = 127.875f;                        // deposits are centred inside this
constexpr int SOIL_BLOCK = 32;                                       // cells per block side
constexpr int SOIL_BLOCKS = SOIL_SIZE / SOIL_BLOCK;                  // blocks per side
constexpr int SOIL_BLOCK_COUNT = SOIL_BLOCKS * SOIL_BLOCKS;
constexpr float SOIL_HEIGHT_LIMIT = 0.18f;                           // m: h = 0.18 V / (V + 0.24)
constexpr float SOIL_HALF_HEIGHT_VOLUME = 0.24f;                     // volume at half the limit
constexpr float SOIL_OCCUPIED = 1e-6f;                               // least block maximum of a cell with mass
constexpr float SOIL_UNIT_VOLUME = 4.1887903f;                       // 4 pi / 3: one clod of clay
constexpr int SOIL_PATTERN_MIN = 2;                                  // pattern side, cells
constexpr int SOIL_PATTERN_MAX = 65;
constexpr float SOIL_PRESS_STRENGTH_MAX = 10.0f;
constexpr float SOIL_PRESS_RADIUS_MIN = 0.125f;                      // m
constexpr float SOIL_PRESS_RADIUS_MAX = 2.0f;                        // m
constexpr float SOIL_PRESS_SEGMENT = 0.75f;                          // m: longest pressed segment
constexpr int SOIL_PRESS_SEGMENTS_MAX = 128;
// The upload sends at most 16 runs per block row (dirty and clean blocks alternating).
constexpr int SOIL_UPLOAD_RECT_CAPACITY = SOIL_BLOCKS * SOIL_BLOCKS / 2;
constexpr int SOIL_STAGING_TEXELS = SOIL_SIZE * SOIL_BLOCK;          // the widest run: one block row

// One texel of `soilDeposits` (RGBA 32-bit float); the texture is uploaded straight from the
// cell array, so the layout is fixed.
struct SoilCell {
    float height;   // R: metres above the terrain, 0 .. 0.18
    float wetness;  // G: 0..1, mass-weighted average of what was deposited
    float dryness;  // B: 0..1, mass-weighted average
    float mass;     // A: clay in the cell (column volume per cell area)
};
static_assert(sizeof(SoilCell) == 16, "SoilCell is one RGBA32F texel");
static_assert(offsetof(SoilCell, height) == 0 && offsetof(SoilCell, wetness) == 4 &&
              offsetof(SoilCell, dryness) == 8 && offsetof(SoilCell, mass) == 12,
              "SoilCell channels are R, G, B, A");

// What one press moves, per cell.
struct SoilDelta {
    float mass;
    float wetMass;  // wetness x mass
    float dryMass;  // dryness x mass
    float volume;
};

struct Soil {
    SoilCell *cells;                     // SOIL_CELL_COUNT texels, index row * SOIL_SIZE + column (16 MiB)
    float *volume;                       // loose column height per cell, 0 <= V <= mass (4 MiB)
    SoilDelta *delta;                    // scratch of a press (16 MiB)
    SoilCell *staging;                   // one upload run, SOIL_STAGING_TEXELS texels (512 KiB)
    float blockMax[SOIL_BLOCK_COUNT];    // m: at least every cell's height, SOIL_OCCUPIED where a cell has mass
    bool blockDirty[SOIL_BLOCK_COUNT];   // the block differs from the texture
    float maxHeight;                     // m: at least every block maximum
    double total;                        // clods deposited this run; 0 = no soil anywhere
    bool textureStale;                   // some block must be uploaded
};

// Rectangle of texels one upload call sends.
struct SoilUploadRect {
    int x, y;           // first column and row
    int width, height;  // texels
};

// [SECTION] Lifecycle

// Allocates the grids of an empty (value-initialised or released) record and resets it; on a
// record already created it only resets. False, one error line and nothing allocated if memory
// runs out.
bool SoilCreate(Soil &soil);
// Frees the grids and empties the record, unbinding it from the ground first; safe twice and
// after a failed create.
void SoilRelease(Soil &soil);
// Clears every cell, the maxima and the total, marks every block dirty and the texture stale.
// Needs no texture; on a record not created it only clears the scalars.
void SoilReset(Soil &soil);
// Makes `soil` the one the ground height reads (null: none). The owner unbinds before freeing.
void SoilBindGround(Soil *soil);
// The soil bound to the ground, or null.
Soil *SoilGround();

// [SECTION] Deposits

// Adds `amount` of mass and volume to one cell, mixing its wetness and dryness (clamped to 0..1)
// by mass, and its clods (amount x 0.0625 / (4 pi / 3)) to the total. False and nothing changed for an index outside the grid, an amount that is not
// finite and positive, a non-finite material or a result that would not be finite.
bool SoilAddCell(Soil &soil, int index, float amount, float wetness, float dryness);
// Spreads `amount` clods over a disc (weights (1 - d^2/r^2)^2, radius clamped to 0.25..256,
// centre to +-127.875) so that the column volume integrates to 4 pi / 3 x amount, and adds it to
// the total. False (nothing changed) for a non-positive or non-finite amount or argument.
bool SoilDepositBlob(Soil &soil, Vector3 centre, float amount, float radius, float wetness, float dryness);
// A body's worth of clay: SoilDepositBlob with radius 2 cbrt(max(mass, 0)) + 0.3.
bool SoilDepositBody(Soil &soil, Vector3 centre, float mass, float wetness, float dryness);
// Spreads `amount` clods with an n x n weight pattern (weights[k * n + l] sits at offset
// ((l - (n-1)/2) spacing, (k - (n-1)/2) spacing) in (x, z)), sampled bilinearly at the cell
// centres; a pattern that misses every cell centre puts the whole amount into the centre cell.
// A pattern that cannot be used (missing, n outside 2..65, spacing not positive, a weight
// negative or not finite, all weights zero) logs one warning and deposits the amount as a body,
// so no clay is lost. False (nothing changed) for a non-positive or non-finite amount, a
// non-finite centre or material.
bool SoilDepositPattern(Soil &soil, Vector3 centre, const float *weights, int n, float spacing, float amount,
                        float wetness, float dryness);

// [SECTION] Queries

// Deposit height at (x, z), bilinear between cell centres and held at the edge cells up to the
// arena wall, as the clamped texture lookup shows it; 0 outside +-128, for non-finite input and
// on a record not created.
float SoilHeight(const Soil &soil, float x, float z);
// SoilHeight of the ground soil, 0 when none is bound.
float SoilGroundHeight(float x, float z);
// Highest block maximum over the rectangle with corners (x0, z0) and (x1, z1), in any order,
// grown by 0.125 m: a bound for every deposit height inside it. 0 for a rectangle entirely
// outside +-128; the global maximum if a coordinate is not finite.
float SoilMaxHeightIn(const Soil &soil, float x0, float z0, float x1, float z1);
// The global maximum height (a bound for every cell).
float SoilMaxHeight(const Soil &soil);
// Clods deposited this run.
double SoilTotal(const Soil &soil);
// Clods in the ground now: the column volume summed over every cell, in units of 4 pi / 3.
// Equals SoilTotal up to rounding, since presses only move clay.
double SoilMassClods(const Soil &soil);

// [SECTION] Press

// A body's step from `from` to `to` (y ignored) pushes the soil under it forward and compacts it:
// cut into segments of at most 0.75 m (at most 128), each pressed with its share of dt; radius
// clamped to 0.125..2, strength to at most 10. Mass is conserved (clay pushed past the grid's
// edge piles up in the edge cells). Nothing happens while no soil was deposited, for dt, radius
// or strength not finite and positive, a non-finite point or a step shorter than 0.00001 m.
void SoilPress(Soil &soil, Vector3 from, Vector3 to, float radius, float strength, float dt);

// [SECTION] Upload

// The rectangles an upload of these dirty blocks sends: the whole texture as one rectangle when
// every block is dirty, otherwise for each block row, bottom to top, each run of consecutive
// dirty blocks as one 32-row rectangle. Returns their count (0..SOIL_UPLOAD_RECT_CAPACITY).
int SoilUploadPlan(const bool dirty[SOIL_BLOCK_COUNT], SoilUploadRect rects[SOIL_UPLOAD_RECT_CAPACITY]);
// Copies the texels of `rect` row by row into `staging`; false (nothing copied) if the record is
// not created or the rectangle is not inside the grid or larger than SOIL_STAGING_TEXELS.
bool SoilStageRect(const Soil &soil, SoilUploadRect rect, SoilCell *staging);
// The texture now matches the cells: every block clean, the texture up to date.
void SoilMarkUploaded(Soil &soil);

