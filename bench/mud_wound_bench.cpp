// Mudling wounds and contacts: one lethal meteor strike per form (its cost is the corpse print
// grids), a wave clear of 40 formed bodies, and the five contact queries of one frame with 45
// creatures around the player (some wounded, every attack latch armed).
#include "mud/mud_contact.h"
#include "mud/mud_gait.h"
#include "mud/mud_golem.h"
#include "mud/mud_wounds.h"
#include "world/soil.h"
#include "world/terrain.h"
#include "common/maths.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <memory>

namespace {

Soil &BenchSoil()
{
    static Soil soil{};
    static bool created = SoilCreate(soil);
    (void)created;
    return soil;
}

// A formed creature standing at (x, z), as the mudling tests place them.
int Place(MudPool &pool, float x, float z, float mass)
{
    int i = pool.count++;
    MudSlot &s = pool.slots[i];
    memset(&s, 0, sizeof(s));
    s.mass = mass;
    s.size = MUD_UNIT_SIZE;
    s.leader = s.heldBun = s.holder = s.partner = -1;
    s.wetness = 1.0f;
    s.walkerGrowth = mass >= 4.0f ? 1.0f : 0.0f;
    s.golemGrowth = mass >= 7.0f ? 1.0f : 0.0f;
    s.legNorm = mass < 4.0f ? 1.0f : 1.0f / std::cbrt(mass);
    s.legLength = std::cbrt(mass) * s.walkerGrowth * s.size * 0.85f;
    s.state = mass >= 4.0f ? MUD_WALKING : MUD_RESTING;
    s.duration = 1.0f;
    s.presence = s.emergence = 1.0f;
    s.phase = 7.3f * (float)i + 0.4f;
    s.yaw = 0.61f * (float)i;
    s.scale = MudRestShape(s);
    s.position = {x, 0.0f, z};
    s.position.y = MudRestHeight(s, s.scale.y);
    s.from = s.to = s.previousPosition = s.endPosition = s.position;
    s.previousLegs = MudGaitLegPose(s, nullptr);
    return i;
}

std::unique_ptr<MudPool> EmptyPool()
{
    auto pool = std::make_unique<MudPool>();
    MudPoolReset(*pool, 0);
    pool->mergeEnabled = 0;
    return pool;
}

void BM_MudLethalStrike(benchmark::State &state)
{
    float mass = (float)state.range(0);
    auto prepared = EmptyPool();
    int i = Place(*prepared, 0.0f, 0.0f, mass);
    Vector3 centre = prepared->slots[i].position;
    auto pool = EmptyPool();
    for (auto _ : state) {
        state.PauseTiming();
        memcpy(pool.get(), prepared.get(), sizeof(MudPool));
        state.ResumeTiming();
        benchmark::DoNotOptimize(MudHitSphere(*pool, BenchSoil(), centre + Vector3{0.0f, 3.0f, 0.0f}, centre, 0.58f, nullptr));
    }
    if (pool->slots[i].state != MUD_CORPSE) state.SkipWithError("the strike was not lethal");
}
BENCHMARK(BM_MudLethalStrike)->Arg(1)->Arg(4)->Arg(7)->Unit(benchmark::kMicrosecond);

void BM_MudWaveClear40(benchmark::State &state)
{
    auto prepared = EmptyPool();
    for (int k = 0; k < 40; k++) Place(*prepared, -30.0f + 6.0f * (float)(k % 10), -12.0f + 6.0f * (float)(k / 10), (float)(1 + k % 9));
    auto pool = EmptyPool();
    for (auto _ : state) {
        state.PauseTiming();
        memcpy(pool.get(), prepared.get(), sizeof(MudPool));
        state.ResumeTiming();
        MudPoolClearWave(*pool);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_MudWaveClear40)->Unit(benchmark::kMillisecond);

// 45 creatures of every form within a few metres of the player: dashes, kicks and thrown buns
// armed, one in five wounded, so every query walks the whole crowd.
void BM_MudContactQueries45(benchmark::State &state)
{
    auto pool = EmptyPool();
    for (int k = 0; k < 45; k++) {
        float angle = 0.7f * (float)k, distance = 2.0f + 0.25f * (float)k;
        int i = Place(*pool, distance * std::cos(angle), distance * std::sin(angle), (float)(1 + k % 9));
        MudSlot &s = pool->slots[i];
        s.previousPosition = s.position + Vector3{0.08f, 0.0f, 0.05f};
        // Limbs start the step where the body's own pose has them, as the pool's snapshot leaves them.
        s.previousLegs = MudGaitLegPose(s, nullptr);
        s.previousArms = MudGolemArmPose(s, nullptr);
        if (k % 5 == 0) {
            s.wounds.planarCut = 1;
            s.wounds.cutPlane = {0.8f, 0.0f, 0.6f, -0.3f};
        }
        if (s.mass < 4.0f && k % 3 == 0) {
            s.dashActive = 1;
            s.attackDir = {std::cos(angle + 3.14159f), 0.0f, std::sin(angle + 3.14159f)};
        } else if (s.mass < 4.0f && k % 3 == 1) {
            s.state = MUD_THROWN;
            s.projectileActive = 1;
            s.flightFrom = s.previousPosition;
            s.flightTo = s.position;
        } else if (s.mass >= 4.0f) {
            s.kickActive = 1;
            s.punchActive = s.mass >= 7.0f ? 1 : 0;
            s.kickLeg = k & 1;
        }
    }
    // The player walks amid the crowd without touching it, so no query stops early.
    Vector3 from = {0.0f, TerrainHeight(0.0f, 0.0f), 0.0f};
    Vector3 to = {0.05f, TerrainHeight(0.05f, 0.0f), 0.0f};
    pool->frame += 1;
    if (MudContactTouch(*pool, from, to, 0.27f)) state.SkipWithError("the crowd touches the player");
    for (auto _ : state) {
        pool->frame += 1;
        bool hit = MudContactDash(*pool, from, to, 0.27f);
        hit |= MudContactKick(*pool, from, to, 0.27f);
        hit |= MudContactPunch(*pool, from, to, 0.27f);
        hit |= MudContactProjectile(*pool, from, to, 0.27f);
        hit |= MudContactTouch(*pool, from, to, 0.27f);
        benchmark::DoNotOptimize(hit);
    }
}
BENCHMARK(BM_MudContactQueries45)->Unit(benchmark::kMicrosecond);

}  // namespace
