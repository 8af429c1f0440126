// Small fixtures shared by the mudling tests: pools on the heap and formed creatures placed
// directly into slots.
#pragma once

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
    int i = pool.count++;
    MudSlot &s = pool.slots[i];
    memset(&s, 0, sizeof(s));
    s.obstacle = pool.obstacle;
    s.mass = mass;
    s.size = size;
    s.leader = s.heldBun = s.holder = s.partner = -1;
    s.wetness = 1.0f;
    s.walkerGrowth = mass >= 4.0f ? 1.0f : 0.0f;
    s.golemGrowth = mass >= 7.0f ? 1.0f : 0.0f;
    s.legNorm = mass < 4.0f ? 1.0f : 1.0f / std::cbrt(mass);
    s.legLength = std::cbrt(mass) * s.walkerGrowth * size * 0.85f;
    s.state = mass >= 4.0f ? MUD_WALKING : MUD_RESTING;
    s.duration = mass >= 4.0f ? 1.0f : 0.46f;
    s.presence = s.emergence = 1.0f;
    s.phase = 7.3f * (float)i + 0.4f;
    s.sinceTouchdown = 10.0f;
    s.scale = MudRestShape(s);
    s.position = {x, 0.0f, z};
    s.position.y = MudRestHeight(s, s.scale.y);
    s.spawnPoint = {x, 0.0f, z};
    s.from = s.to = s.previousPosition = s.endPosition = s.position;
    return i;
}

inline float DistanceXZ(Vector3 a, Vector3 b) { return std::sqrt((a.x - b.x) * (a.x - b.x) + (a.z - b.z) * (a.z - b.z)); }

}  // namespace mudtest
