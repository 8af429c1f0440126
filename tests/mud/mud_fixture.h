// Small fixtures shared by the mudling tests: pools on the heap, and formed creatures placed
// directly into slots by the developer scenes' own helpers.
#pragma once

#include "dev/mud_attack_scenes.h"
#include "mud/mud_pool.h"

#include <cmath>
#include <cstring>
#include <memory>

namespace mudtest {

inline std::unique_ptr<MudPool> NewPool(int limit)
{
    auto pool = std::make_unique<MudPool>();
    MudPoolReset(*pool, limit);
    return pool;
}

inline std::unique_ptr<MudPool> CopyPool(const MudPool &pool)
{
    auto copy = std::make_unique<MudPool>();
    memcpy(copy.get(), &pool, sizeof(MudPool));
    return copy;
}

inline bool SameBytes(const MudPool &a, const MudPool &b) { return memcmp(&a, &b, sizeof(MudPool)) == 0; }

// A formed creature standing at (x, z): a bun in MUD_RESTING below mass 4, a walker or golem in
// MUD_WALKING from mass 4. Returns its slot.
inline int AddBody(MudPool &pool, float x, float z, float mass, float size = MUD_UNIT_SIZE)
{
    return MudSceneAddBody(pool, x, z, mass, size);
}

inline float DistanceXZ(Vector3 a, Vector3 b) { return std::sqrt((a.x - b.x) * (a.x - b.x) + (a.z - b.z) * (a.z - b.z)); }

// Boss `index` placed with MudPoolSpawnBoss, then moved to (x, z) and formed: resting with its
// rest shape, eyes open, ready to attack at the end of a short rest.
inline int AddBoss(MudPool &pool, float x, float z, int index) { return MudSceneAddBoss(pool, x, z, index); }

// Ledgers over every body with clay (free slots hold none).
inline double TotalMass(const MudPool &pool)
{
    double sum = 0.0;
    for (int i = 0; i < pool.count; i++)
        if (pool.slots[i].mass > 0.0f && pool.slots[i].state != MUD_FREE) sum += pool.slots[i].mass;
    return sum;
}
inline double TotalClay(const MudPool &pool)
{
    double sum = 0.0;
    for (int i = 0; i < pool.count; i++)
        if (pool.slots[i].mass > 0.0f && pool.slots[i].state != MUD_FREE) sum += MudClayVolume(pool.slots[i]);
    return sum;
}

// Times (seconds since the first update) at which a slot entered each state it passed through;
// a state entered and left within one update is not seen.
struct StateLog {
    int state[64];
    double time[64];
    int count;
    void Note(int s, double t)
    {
        if (count > 0 && state[count - 1] == s) return;
        if (count < 64) {
            state[count] = s;
            time[count] = t;
            count++;
        }
    }
    // Seconds spent in the n-th occurrence (from 0) of `s`; -1 when it never ended.
    double Span(int s, int n = 0) const
    {
        for (int k = 0; k + 1 < count; k++)
            if (state[k] == s && n-- == 0) return time[k + 1] - time[k];
        return -1.0;
    }
    double Entered(int s, int n = 0) const
    {
        for (int k = 0; k < count; k++)
            if (state[k] == s && n-- == 0) return time[k];
        return -1.0;
    }
};

}  // namespace mudtest
