// Mudling wounds: what the player's weapons do to clay. A sphere digs a cavity and throws the dug
// clay out as a flying chunk, a blade slices clay off beyond a vertical plane or splits the body,
// plasma scorches; a lethal strike freezes the body into a corpse that flattens over 1.2 s while
// its clay is pressed into the soil. Bosses take hit points instead.
//
// The clay ledger: clay is never created or destroyed. Living clay (MudClayVolume of every slot
// with mass, corpses included), chunks in flight and the soil's total always sum to the same
// amount; clay that should reach the ground while no soil is given is kept in the pool's
// unplacedClay, so the sum still holds (MudWoundsClay).
//
// The hit mask: bit i (1ull << i) stands for slot i. A slot whose bit is set is skipped and every
// slot hit gets its bit set, so one strike, carried over frames with the same mask, damages each
// body at most once. Hits are called from the main loop before or after MudPoolUpdate, never
// during it.
#pragma once

#include "mud/mud_pool.h"
#include "world/soil.h"

#include <cstdint>

constexpr float MUD_CORPSE_SECONDS = 1.2f;        // the frozen silhouette flattens over this
constexpr float MUD_CORPSE_FLAT = 0.018f;         // vertical scale of a flattened corpse
constexpr float MUD_DEBRIS_MAX_AIRBORNE = 3.0f;   // a chunk comes down after this at the latest
constexpr int MUD_PRINT_SIDE = 17;                // cells per side of a corpse print grid
constexpr int MUD_PRINT_SAMPLES = 12;             // heights sampled per print cell

// Mask bit of slot i: 1ull << i for 0 <= i < 64, else 0.
uint64_t MudHitMaskBit(int slot);

// A sphere of `radius` moving from `from` to `to` (meteors, the support): cavities, kills,
// chunks; bosses lose 3 hit points. Returns the number of bodies hit. Non-finite input or a
// radius <= 0 hits nothing and leaves the mask untouched. `mask` may be null.
int MudHitSphere(MudPool &pool, Soil &soil, Vector3 from, Vector3 to, float radius, uint64_t *mask);
// A vertical blade edge moving from `from` to `to` (spikes, blade fins): it cuts the clay between
// 0.1 and 1.5 m above the ground along its path, in the vertical plane across `cutDirection`
// (the segment's direction when zero, +z for a zero segment). Living cuts, splits, chunks;
// bosses lose 2 hit points. Returns the number of bodies hit; guards as MudHitSphere.
int MudHitBlade(MudPool &pool, Soil &soil, Vector3 from, Vector3 to, float radius, Vector3 cutDirection, uint64_t *mask);
// The first pushable body along a plasma beam: scorched (killed at 3 scorches or more), or a
// boss losing 1 hit point. Returns the slot and writes the contact point, or -1 (nothing
// changed) for no body or invalid input. `contact` may be null.
int MudHitPlasma(MudPool &pool, Vector3 from, Vector3 to, float radius, Vector3 *contact);
// Shoves the nearest pushable bodies (at most maxCount, at most 48) within `radius` of `centre`
// away without hurting them. Returns how many were pushed.
int MudRepel(MudPool &pool, Vector3 centre, float radius, int maxCount);

// Freezes slot i into a collapsing corpse in the shape of `preHit` (its copy before the strike):
// with `reward` a death record is queued (dropped when the queue is full), `split` with the world
// `plane` (normal, offset) makes two halves. A holder or held bun is released. False, nothing
// changed, for an invalid index, a corpse, a free slot or one without mass.
bool MudWoundsDie(MudPool &pool, int i, bool split, Vector4 plane, const MudSlot &preHit, bool reward);
// The reward record of a body as it is now (eye positions, denomination, eye size).
DeathRecord MudWoundsDeathRecord(const MudSlot &slot);
// Throws `amount` of slot i's clay out from `p` along strike direction `d` as a chunk; with both
// chunks already flying it goes into the soil at once (soil null: into unplacedClay).
void MudWoundsDebrisLaunch(MudPool &pool, Soil *soil, int i, Vector3 p, Vector3 d, float amount);
// Flight of slot i's chunks over dt; a chunk that comes down during the step lands where its
// ballistic path meets the ground and deposits its clay.
void MudWoundsDebrisFly(MudPool &pool, Soil *soil, int i, float dt);
// Collapse of corpse slot i over dt: separation, flattening, the clay pressed into the soil
// through the print grids; the slot is freed once all clay is down and both chunks have landed.
void MudWoundsCorpseStep(MudPool &pool, Soil *soil, int i, float dt);
// The ledger: living clay of every used slot with mass, plus chunks in flight, plus unplacedClay.
// Add SoilTotal for the whole.
double MudWoundsClay(const MudPool &pool);
