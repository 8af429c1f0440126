// Mudling fusion: compatibility, pairing, the fusion step with its growth curves, completion and
// interruption.
//
// Index
//   [SECTION] Compatibility
//   [SECTION] Pairing
//   [SECTION] Fusion step
//   [SECTION] Interruption
#include "mud/mud_merge.h"

#include "common/maths.h"
#include "world/terrain.h"

#include <cmath>
#include <initializer_list>

static int UsedCount(const MudPool &pool) { return ClampInt(pool.count, 0, MUD_CAPACITY); }

static bool OnTheGround(int state)
{
    return state == MUD_RESTING || state == MUD_HOP_CROUCH || state == MUD_HOP_FLIGHT || state == MUD_WALKING;
}

static bool Pairable(const MudSlot &s)
{
    return s.mass > 0.0f && (s.state == MUD_RESTING || s.state == MUD_HOP_CROUCH || s.state == MUD_WALKING);
}

// [SECTION] Compatibility

static int FormCount(const MudPool &pool, int form)
{
    if (pool.formCountsValid) return pool.formCounts[form];
    return MudPoolCountForms(pool).counts[form];
}

// Fusions create no walker or golem beyond what the director asks for.
static bool DirectorAllows(const MudPool &pool, const MudSlot &a, const MudSlot &b)
{
    if (!pool.director) return true;
    int form = MudFormClass(a.mass + b.mass);
    int target = pool.directorTarget[form];
    if (target < 1) return false;
    if (MudFormClass(a.mass) >= form || MudFormClass(b.mass) >= form) return true;
    return FormCount(pool, form) < target;
}

bool MudMergeCompatible(const MudPool &pool, int i, int j)
{
    if (!pool.mergeEnabled || i == j || !MudPoolIndexValid(pool, i) || !MudPoolIndexValid(pool, j)) return false;
    const MudSlot &a = pool.slots[i], &b = pool.slots[j];
    if (!(a.mass > 0.0f) || !(b.mass > 0.0f) || !(a.mass + b.mass <= MUD_FUSION_MAX_MASS)) return false;
    if (!OnTheGround(a.state) || !OnTheGround(b.state)) return false;
    if (a.boss || b.boss || a.roller || b.roller) return false;
    // Golems pick single clods up instead.
    if ((a.mass >= 7.0f && b.mass == 1.0f) || (b.mass >= 7.0f && a.mass == 1.0f)) return false;
    if (MudPoolFollowsGatherer(pool, i) || MudPoolFollowsGatherer(pool, j)) return false;
    if (MudObstacleSweep(pool.obstacle, a.position, b.position, 0.1f, false) < 1.0f) return false;
    return DirectorAllows(pool, a, b);
}

// [SECTION] Pairing

static void BeginFusion(MudPool &pool, int i, int j)
{
    MudSlot &si = pool.slots[i], &sj = pool.slots[j];
    // The heavier absorbs; the lower slot on equal mass.
    int a = sj.mass > si.mass ? j : i;
    int b = a == i ? j : i;
    if (pool.director && pool.formCountsValid) {
        pool.formCounts[MudFormClass(si.mass)] -= 1;
        pool.formCounts[MudFormClass(sj.mass)] -= 1;
        pool.formCounts[MudFormClass(si.mass + sj.mass)] += 1;
    }
    for (int k : {a, b}) {
        MudSlot &s = pool.slots[k];
        s.partner = k == a ? b : a;
        s.mergeStart = s.position;
        s.mergeStartScale = s.scale;
        // Clay cut away by wounds stays lost.
        s.effectiveRadius = std::cbrt(MudClayVolume(s));
        float legNorm = s.legNorm > 0.0f ? s.legNorm : 1.0f;
        s.savedLegNorm = s.effectiveRadius > 1e-6f ? MudBodyRadius(s) * legNorm / s.effectiveRadius : legNorm;
        s.savedWalkerGrowth = s.walkerGrowth;
        s.savedGolemGrowth = s.golemGrowth;
        s.savedLegLength = s.legLength;
        s.gaitWeight = 0.0f;
        s.dashActive = s.kickActive = s.punchActive = s.projectileActive = 0;
        s.timer = 0.0f;
    }
    pool.slots[a].state = MUD_ABSORBING;
    pool.slots[a].duration = MUD_FUSION_SECONDS;
    pool.slots[b].state = MUD_ABSORBED;
}

static void RestoreBody(MudSlot &s);

// A donor whose survivor no longer absorbs it would fade forever with its clay out of play.
static void ReleaseStrandedDonors(MudPool &pool)
{
    for (int i = 0; i < UsedCount(pool); i++) {
        MudSlot &s = pool.slots[i];
        if (s.state != MUD_ABSORBED || !(s.mass > 0.0f)) continue;
        int a = s.partner;
        bool held = MudPoolIndexValid(pool, a) && a != i && pool.slots[a].state == MUD_ABSORBING && pool.slots[a].partner == i;
        if (held) continue;
        RestoreBody(s);
        pool.formCountsValid = 0;
    }
}

void MudMergePairing(MudPool &pool)
{
    ReleaseStrandedDonors(pool);
    if (!pool.mergeEnabled) return;
    if (pool.director && !pool.formCountsValid) {
        MudFormCounts counts = MudPoolCountForms(pool);
        for (int k = 0; k < 3; k++) pool.formCounts[k] = counts.counts[k];
        pool.formCountsValid = 1;
    }
    int used = UsedCount(pool);
    for (int i = 0; i < used; i++) {
        const MudSlot &si = pool.slots[i];
        if (!Pairable(si)) continue;
        float Ri = MudBodyRadius(si);
        for (int j = i + 1; j < used; j++) {
            const MudSlot &sj = pool.slots[j];
            if (!Pairable(sj)) continue;
            float reach = (Ri + MudBodyRadius(sj)) * 1.1f + 0.015f;
            float dx = si.position.x - sj.position.x, dz = si.position.z - sj.position.z;
            if (dx * dx + dz * dz > reach * reach || !MudMergeCompatible(pool, i, j)) continue;
            BeginFusion(pool, i, j);
            break;
        }
    }
}

// [SECTION] Fusion step

static void ClearWounds(MudSlot &s)
{
    s.wounds.woundCount = 0;
    s.wounds.removedVolume = 0.0f;
    s.wounds.planarCut = 0;
    for (int k = 0; k < 2; k++) {
        s.wounds.cavities[k] = {0.0f, 0.0f, 0.0f, 0.0f};
        s.wounds.cavityPart[k] = 0;
        s.wounds.cavityAt[k] = 0.0f;
    }
    s.wounds.cutPlane = {0.0f, 0.0f, 0.0f, 0.0f};
    s.recoil = {0.0f, 0.0f, 0.0f};
}

static float Lerp1(float a, float b, float t) { return a + (b - a) * t; }

// The fused body takes over the donor's clay: weighted materials, the exact volume, a fresh rest.
static void CompleteFusion(MudPool &pool, int ia, int ib, float overshoot)
{
    MudSlot &A = pool.slots[ia], &B = pool.slots[ib];
    float VA = A.effectiveRadius * A.effectiveRadius * A.effectiveRadius;
    float VB = B.effectiveRadius * B.effectiveRadius * B.effectiveRadius;
    float V = VA + VB, M = A.mass + B.mass;
    A.wetness = (B.wetness * B.mass + A.wetness * A.mass) / M;
    A.dryness = (B.dryness * B.mass + A.dryness * A.mass) / M;
    A.scorch = (VB * B.scorch + VA * A.scorch) / std::fmax(V, 1e-5f);
    if (A.hitKind > 2.5f) {
        A.hitPoint = {0.0f, 0.0f, 0.0f};
        A.hitKind = 0.0f;
    }
    A.mass = M;
    A.size = std::cbrt(V / M);
    A.partner = -1;
    A.state = MUD_RESTING;
    A.duration = MUD_FUSION_REST;
    MudPhaseCarry(A, overshoot);
    A.cooldown = std::fmax(A.cooldown, 0.5f);
    MudTouchdown(A);
    B.mass = 0.0f;
    B.presence = 0.0f;
    B.partner = -1;
    B.state = MUD_FREE;
    B.timer = 0.0f;
}

void MudMergeStep(MudPool &pool, int ia, float dt)
{
    if (!MudPoolIndexValid(pool, ia)) return;
    MudSlot &A = pool.slots[ia];
    int ib = A.partner;
    if (A.state != MUD_ABSORBING || !MudPoolIndexValid(pool, ib) || ib == ia || pool.slots[ib].state != MUD_ABSORBED) {
        // A survivor without its donor simply rests with the clay it has.
        if (A.state == MUD_ABSORBING) MudMergeInterrupt(pool, ia);
        return;
    }
    MudSlot &B = pool.slots[ib];
    A.timer += dt;
    float s = Smoothstep(A.timer / A.duration);
    ClearWounds(A);
    ClearWounds(B);

    float VA = A.effectiveRadius * A.effectiveRadius * A.effectiveRadius;
    float VB = B.effectiveRadius * B.effectiveRadius * B.effectiveRadius;
    float V = VA + VB, M = A.mass + B.mass;
    float wTarget = M >= 4.0f ? 1.0f : 0.0f, gTarget = M >= 7.0f ? 1.0f : 0.0f;

    // Radii: the survivor swells by exactly what the donor loses.
    float rA = std::cbrt(VA + s * VB), rB = std::cbrt((1.0f - s) * VB);
    A.size = rA / std::cbrt(A.mass);
    B.size = rB / std::cbrt(B.mass);
    float L = M < 4.0f ? rA : Lerp1(A.savedLegNorm * A.effectiveRadius, std::cbrt(V / M), s);
    A.legNorm = rA > 1e-6f ? L / rA : 1.0f;
    B.legNorm = B.savedLegNorm;

    A.walkerGrowth = Lerp1(A.savedWalkerGrowth, wTarget, s);
    A.legLength = Lerp1(A.savedLegLength, std::cbrt(V) * 0.85f * wTarget, s);
    A.golemGrowth = Lerp1(A.savedGolemGrowth, gTarget, s);
    B.walkerGrowth = B.savedWalkerGrowth * (1.0f - s);
    B.legLength = B.savedLegLength * (1.0f - s);
    B.golemGrowth = B.savedGolemGrowth * (1.0f - s);

    // Both flow to the volume-weighted centre and the fused body's rest height there.
    Vector3 rest = MudRestShapeFor(wTarget, gTarget);
    Vector3 centre = Vector3Lerp(A.mergeStart, B.mergeStart, VB / V);
    centre.y = TerrainHeight(centre.x, centre.z) + rest.y * L - 0.025f + Smoothstep(A.walkerGrowth) * A.legLength +
               Smoothstep(A.golemGrowth) * rA * 0.43f;
    A.position = Vector3Lerp(A.mergeStart, centre, s);
    B.position = Vector3Lerp(B.mergeStart, centre, s);
    A.scale = Vector3Lerp(A.mergeStartScale, rest, s);
    B.scale = Vector3Lerp(B.mergeStartScale, A.scale, s);
    B.presence = 1.0f - s;

    float overshoot = MudPhaseOvershoot(A);
    if (overshoot >= 0.0f) CompleteFusion(pool, ia, ib, overshoot);
}

// [SECTION] Interruption

static void RestoreBody(MudSlot &s)
{
    s.walkerGrowth = s.savedWalkerGrowth;
    s.legLength = s.savedLegLength;
    s.golemGrowth = s.savedGolemGrowth;
    s.legNorm = s.savedLegNorm;
    ClearWounds(s);
    // Each body gets back exactly the clay it brought.
    float cbrtMass = std::cbrt(s.mass);
    if (cbrtMass > 0.0f && s.effectiveRadius > 0.0f) s.size = s.effectiveRadius / cbrtMass;
    s.partner = -1;
    s.state = MUD_RESTING;
    s.timer = 0.0f;
    s.duration = MUD_FUSION_CUT_REST;
    s.scale = MudRestShape(s);
    s.position.y = MudRestHeight(s, s.scale.y);
    s.presence = 1.0f;
}

void MudMergeInterrupt(MudPool &pool, int i)
{
    if (!MudPoolIndexValid(pool, i)) return;
    MudSlot &s = pool.slots[i];
    if (s.state != MUD_ABSORBING && s.state != MUD_ABSORBED) return;
    int j = s.partner;
    bool paired = MudPoolIndexValid(pool, j) && j != i && pool.slots[j].partner == i &&
                  (pool.slots[j].state == MUD_ABSORBING || pool.slots[j].state == MUD_ABSORBED);
    if (!paired && s.state == MUD_ABSORBED) return;
    RestoreBody(s);
    if (paired) RestoreBody(pool.slots[j]);
    pool.formCountsValid = 0;
}
