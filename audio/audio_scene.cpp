// Scene audio observer: the world's differences from one frame to the next, turned into cues,
// mood values and rolling channels.
//
// Index
//   [SECTION] Curves and the cue queue
//   [SECTION] The player's own events
//   [SECTION] Creatures
//   [SECTION] Bosses
//   [SECTION] Ordinary candidates
//   [SECTION] Budgets
//   [SECTION] Meteors and blades
//   [SECTION] Rolling channels
//   [SECTION] Observation
//   [SECTION] Shuttle
//   [SECTION] Publication
#include "audio/audio_scene.h"

#include "common/maths.h"

#include <cmath>

// Float sums of 1/144 s refills land a hair short of a whole token; without this slack a budget
// would refill one frame late at some rates and not at others.
static constexpr float TOKEN_SLACK = 1e-4f;
static constexpr float BOSS_PITCH[3] = {0.94f, 0.78f, 0.62f};
static constexpr float COIN_SCALE[5] = {1.0f, 1.12246205f, 1.25992105f, 1.33483985f, 1.49830708f};

// [SECTION] Curves and the cue queue

float AudioSceneAttenuation(float d, float horizon)
{
    if (!IsFinite(d) || !IsFinite(horizon) || !(horizon > 0.0f)) return 0.0f;
    return (1.0f - Smoothstep(d / horizon)) / (1.0f + 0.0075f * d * d);
}

float AudioSceneBossAttenuation(float d)
{
    if (!IsFinite(d)) return 0.0f;
    return (1.0f - Smoothstep(d / AUDIO_SCENE_BOSS_HORIZON)) / (1.0f + 0.0003f * d * d);
}

float AudioScenePan(Vector3 listener, Vector3 right, Vector3 source)
{
    float dx = source.x - listener.x, dz = source.z - listener.z;
    float rl = std::sqrt(right.x * right.x + right.z * right.z);
    if (!IsFinite(dx) || !IsFinite(dz) || !IsFinite(rl) || !(rl > 1e-6f)) return 0.0f;
    float along = (right.x * dx + right.z * dz) / (rl * std::sqrt(dx * dx + dz * dz + 9.0f));
    return ClampSafe(AUDIO_SCENE_PAN_LIMIT * along, -AUDIO_SCENE_PAN_LIMIT, AUDIO_SCENE_PAN_LIMIT);
}

// Where the sounds are heard from.
struct Ear {
    Vector3 position;
    Vector3 right;
    float Distance(Vector3 p) const { return LengthXZ(p - position); }
    float Pan(Vector3 p) const { return AudioScenePan(position, right, p); }
};

static bool Queue(AudioScene &scene, int id, float pan, float gain, float pitch)
{
    if (!(gain >= AUDIO_SCENE_MIN_GAIN)) return false;
    if (scene.pendingCount < 0) scene.pendingCount = 0;
    if (scene.pendingCount >= AUDIO_SCENE_PENDING_CAPACITY) return false;
    PendingCue &cue = scene.pending[scene.pendingCount++];
    cue.id = id;
    cue.pan = IsFinite(pan) ? ClampSafe(pan, -AUDIO_SCENE_PAN_LIMIT, AUDIO_SCENE_PAN_LIMIT) : 0.0f;
    cue.gain = ClampSafe(gain, 0.0f, 1.0f);
    cue.pitch = IsFinite(pitch) ? ClampSafe(pitch, 0.5f, 2.0f) : 1.0f;
    return true;
}

// [SECTION] The player's own events

static void PlayerEvents(AudioScene &scene, const Health &health, const EyeCoins &coins, const Bindings &bindings)
{
    int q = health.quarters, u = scene.lastHealth;
    // A blow in the same frame as a regenerated quarter leaves the count unchanged: the flash tells.
    bool blow = q < u || (health.hitFlash > 0.95f && health.hitFlash - scene.lastHitFlash > 0.15f);
    if (blow) Queue(scene, q <= 0 ? AUDIO_CUE_PLAYER_DEATH : AUDIO_CUE_PLAYER_HURT, 0.0f, 0.88f, 1.0f);
    else if (u <= 0 && q > 0) Queue(scene, AUDIO_CUE_PLAYER_REVIVE, 0.0f, 0.9f, 1.0f);

    // A wallet that went down (a new run, an erase, a purchase) adds nothing.
    uint64_t grown = coins.wallet > scene.lastCoins ? coins.wallet - scene.lastCoins : 0;
    const uint64_t most = AUDIO_SCENE_COIN_BACKLOG_MAX;
    grown = grown < most ? grown : most;
    scene.coinBacklog = scene.coinBacklog + grown < most ? scene.coinBacklog + grown : most;
    if (scene.coinBacklog > 0 && scene.coinCooldown <= 0.0f) {
        float gain = 0.46f + 0.025f * std::log2((float)scene.coinBacklog + 1.0f);
        int step = scene.coinChimes >= 0 ? scene.coinChimes % 5 : 0;
        Queue(scene, AUDIO_CUE_COIN, 0.0f, gain, COIN_SCALE[step]);
        scene.coinChimes = scene.coinChimes >= 0 && scene.coinChimes < INT32_MAX ? scene.coinChimes + 1 : 0;
        scene.coinBacklog = 0;
        scene.coinCooldown = AUDIO_SCENE_COIN_COOLDOWN;
    }

    if (bindings.swapCount > scene.lastSwaps) Queue(scene, AUDIO_CUE_KEY_EXCHANGE, 0.0f, 0.72f, 1.0f);
}

static uint64_t MeteorCasts(const MeteorSystem &m) { return (uint64_t)m.spawned + (uint64_t)(m.queueCount > 0 ? m.queueCount : 0); }
static uint64_t SpikeLaunches(const SpikeSystem &s) { return (uint64_t)s.launched + (uint64_t)(s.queueCount > 0 ? s.queueCount : 0); }

static void AbilityEvents(AudioScene &scene, const MeteorSystem &meteors, const SpikeSystem &spikes, const Support &support,
                          const Ear &ear)
{
    if (MeteorCasts(meteors) > scene.lastMeteorCasts) Queue(scene, AUDIO_CUE_METEOR_CAST, 0.0f, 0.66f, 1.0f);
    if (SpikeLaunches(spikes) > scene.lastSpikeLaunches) Queue(scene, AUDIO_CUE_SPIKE_LAUNCH, 0.0f, 0.68f, 1.0f);
    if (support.shotsFired > scene.lastDroneShots) {
        Vector3 p = support.dronePosition;
        Queue(scene, AUDIO_CUE_DRONE_SHOT, ear.Pan(p), 0.43f * AudioSceneAttenuation(ear.Distance(p), 26.0f), 1.0f);
    }
    if (support.pulses > scene.lastRepelPulses) {
        Vector3 p = support.repelCentre;
        Queue(scene, AUDIO_CUE_REPEL, ear.Pan(p), 0.66f * AudioSceneAttenuation(ear.Distance(p), 30.0f), 1.0f);
    }
}

// [SECTION] Creatures

static bool Counts(const MudSlot &s) { return s.mass > 0.0f && s.state != MUD_FREE; }

// The same creature as last frame: same phase and birth point, same kind, and a state that can
// follow the remembered one (none returns underground, no corpse comes back).
static bool SameCreature(const CreatureMemory &m, const MudSlot &s)
{
    if (!m.valid) return false;
    if (m.identity != s.phase || m.birthX != s.spawnPoint.x || m.birthZ != s.spawnPoint.z) return false;
    if (m.boss != (s.boss != 0) || m.roller != (s.roller != 0)) return false;
    if (m.state == MUD_CORPSE && s.state != MUD_CORPSE) return false;
    if (m.state != MUD_BURIED && s.state == MUD_BURIED) return false;
    return true;
}

static void Remember(CreatureMemory &m, const MudSlot &s, bool counts)
{
    m = CreatureMemory{};
    m.heldBun = -1;
    if (!counts) return;
    m.identity = s.phase;
    m.birthX = s.spawnPoint.x;
    m.birthZ = s.spawnPoint.z;
    m.timer = s.timer;
    m.health = s.health;
    m.mass = s.mass;
    m.removedVolume = s.wounds.removedVolume;
    m.plasma = s.scorch;
    m.state = s.state;
    m.heldBun = s.heldBun;
    m.woundCount = s.wounds.woundCount;
    m.valid = 1;
    m.gatherer = s.gatherer != 0;
    m.planarCut = s.wounds.planarCut != 0;
    m.split = s.wounds.split != 0;
    m.boss = s.boss != 0;
    m.roller = s.roller != 0;
}

// A state entered this frame: a different one, or the same one started again (its timer went back).
static bool Entered(const CreatureMemory &m, const MudSlot &s, int state)
{
    return s.state == state && (m.state != state || s.timer < m.timer);
}

// The golem let go of the bun it held last frame: that bun, still the same creature, now flies
// free, the golem holds nothing and is in its throw (having been in its grab or windup).
static bool ReleasedBun(const AudioScene &scene, const MudPool &pool, const CreatureMemory &m, const MudSlot &s)
{
    if (!MudPoolIndexValid(pool, m.heldBun) || MudPoolIndexValid(pool, s.heldBun)) return false;
    if (s.state != MUD_THROW_WINDUP && s.state != MUD_THROW_FOLLOW) return false;
    if (m.state != MUD_GRAB && m.state != MUD_THROW_WINDUP) return false;
    const MudSlot &bun = pool.slots[m.heldBun];
    return bun.state == MUD_THROWN && !MudPoolIndexValid(pool, bun.holder) && SameCreature(scene.creatures[m.heldBun], bun);
}

// [SECTION] Bosses

static void BossEvents(AudioScene &scene, const MudPool &pool, int i, bool match, const Ear &ear)
{
    const MudSlot &s = pool.slots[i];
    const CreatureMemory &m = scene.creatures[i];
    float pitch = BOSS_PITCH[ClampInt(s.bossIndex, 0, 2)];
    float fade = AudioSceneBossAttenuation(ear.Distance(s.position));
    float pan = AUDIO_SCENE_BOSS_PAN * ear.Pan(s.position);
    auto cue = [&](int id, float gain, float pitchFactor) { Queue(scene, id, pan, gain * fade, pitch * pitchFactor); };

    if (!match) {
        if (s.gatherer) cue(AUDIO_CUE_BOSS_ARRIVAL, 0.8f, 0.8f);
        else if (s.state != MUD_BURIED && s.state != MUD_CORPSE) cue(AUDIO_CUE_BOSS_ARRIVAL, 0.8f, 1.0f);
        return;
    }
    if ((m.gatherer && !s.gatherer) || Entered(m, s, MUD_EMERGING)) {
        cue(AUDIO_CUE_BOSS_ARRIVAL, 0.85f, 1.0f);
        return;
    }
    if (Entered(m, s, MUD_CORPSE)) {
        cue(AUDIO_CUE_BOSS_DEATH, 1.0f, 1.0f);
        return;
    }
    if (!(s.health > 0.0f) || s.state == MUD_CORPSE) return;
    if (s.health < m.health - 0.001f) cue(AUDIO_CUE_BOSS_HURT, 0.59f, 1.0f);
    if (Entered(m, s, MUD_DASH_WINDUP) || Entered(m, s, MUD_KICK_WINDUP) || Entered(m, s, MUD_PUNCH_WINDUP))
        cue(AUDIO_CUE_BOSS_WINDUP, 0.64f, 1.0f);
    else if (Entered(m, s, MUD_DASH)) cue(AUDIO_CUE_BOSS_DASH, 0.8f, 1.0f);
    else if (Entered(m, s, MUD_KICK_STRIKE)) cue(AUDIO_CUE_BOSS_KICK, 0.79f, 1.0f);
    else if (Entered(m, s, MUD_PUNCH_STRIKE)) cue(AUDIO_CUE_BOSS_PUNCH, 0.83f, 1.0f);
    else if (Entered(m, s, MUD_GRAB)) cue(AUDIO_CUE_BOSS_WINDUP, 0.47f, 0.91f);
    else if (Entered(m, s, MUD_THROW_WINDUP) && MudPoolIndexValid(pool, s.heldBun) && pool.slots[s.heldBun].holder == i)
        cue(AUDIO_CUE_BOSS_WINDUP, 0.54f, 1.05f);
    if (ReleasedBun(scene, pool, m, s)) cue(AUDIO_CUE_BOSS_THROW, 0.77f, 1.0f);
}

// [SECTION] Ordinary candidates

struct Candidate {
    PendingCue cue;
    float priority;          // weight x gain
    bool motion;             // pays with the motion budget
};

struct CandidateList {
    Candidate items[MUD_CAPACITY];
    int count;
};

static void Offer(CandidateList &list, const Ear &ear, Vector3 at, int id, float factor, float horizon, float pitch, float weight,
                  bool motion)
{
    float gain = factor * AudioSceneAttenuation(ear.Distance(at), horizon);
    if (!(gain >= AUDIO_SCENE_MIN_CANDIDATE) || list.count >= MUD_CAPACITY) return;
    Candidate &c = list.items[list.count++];
    c.cue = {id, ear.Pan(at), gain, pitch};
    c.priority = weight * gain;
    c.motion = motion;
}

static bool Merging(int state) { return state == MUD_ABSORBING || state == MUD_ABSORBED; }

// At most one candidate for an ordinary creature or roller whose memory matches.
static void OrdinaryCandidate(CandidateList &list, const AudioScene &scene, const MudPool &pool, int i, const Ear &ear)
{
    const MudSlot &s = pool.slots[i];
    const CreatureMemory &m = scene.creatures[i];
    if (m.state == MUD_CORPSE) return;
    float pitch = s.mass >= 7.0f ? 0.8f : (s.mass >= 4.0f ? 1.0f : 1.2f);
    bool corpse = s.state == MUD_CORPSE;
    const MudWounds &w = s.wounds;

    // A blade splits a roller without any other wound: its own cue, before the general cut.
    if (s.roller && corpse && w.split && !m.split) {
        Offer(list, ear, s.position, AUDIO_CUE_CUT, 0.55f, 25.0f, pitch, 3.0f, false);
        return;
    }
    if (!Merging(s.state)) {
        bool cut = w.woundCount > m.woundCount || w.removedVolume > m.removedVolume || (w.planarCut && !m.planarCut) ||
                   (w.split && !m.split) || (Merging(m.state) && w.woundCount > 0);
        if (cut) {
            Offer(list, ear, s.position, AUDIO_CUE_CUT, corpse ? 0.58f : 0.52f, 25.0f, pitch * (corpse ? 0.86f : 1.0f), 3.0f, false);
            return;
        }
        // A fusion averages the scorch of both bodies; only a bolt of this very frame counts then.
        bool boltNow = s.hitKind > 2.5f && s.sinceHit <= 0.0f;
        bool plain = !Merging(m.state) && s.mass == m.mass;
        if (s.scorch > m.plasma + 0.001f && (plain || boltNow)) {
            Offer(list, ear, s.position, AUDIO_CUE_CREATURE_HURT, corpse ? 0.49f : 0.41f, 23.0f, pitch * (corpse ? 0.84f : 1.0f), 2.7f,
                  false);
            return;
        }
    }
    if (corpse || s.state == MUD_ABSORBED || MudPoolFollowsGatherer(pool, i)) return;

    if (Entered(m, s, MUD_KICK_STRIKE)) Offer(list, ear, s.position, AUDIO_CUE_ATTACK, 0.39f, 25.0f, pitch * 1.08f, 2.0f, false);
    else if (Entered(m, s, MUD_PUNCH_STRIKE)) Offer(list, ear, s.position, AUDIO_CUE_ATTACK, 0.39f, 25.0f, pitch * 0.9f, 2.0f, false);
    else if (Entered(m, s, MUD_BOSS_LEAP)) Offer(list, ear, s.position, AUDIO_CUE_ATTACK, 0.39f, 25.0f, pitch, 2.0f, false);
    else if (ReleasedBun(scene, pool, m, s)) Offer(list, ear, s.position, AUDIO_CUE_ATTACK, 0.41f, 21.0f, pitch * 0.9f, 2.0f, false);
    else if (m.state == MUD_HOP_CROUCH && s.state == MUD_HOP_FLIGHT)
        Offer(list, ear, s.position, AUDIO_CUE_HOP, 0.23f, 14.0f, pitch, 0.9f, true);
    else if ((m.state == MUD_HOP_FLIGHT || m.state == MUD_BOSS_LEAP) && s.state == MUD_RESTING)
        Offer(list, ear, s.position, AUDIO_CUE_LANDING, 0.29f, 17.0f, pitch, 1.1f, true);
    else if (m.state == MUD_DASH && s.state == MUD_DASH_RECOVERY)
        Offer(list, ear, s.position, AUDIO_CUE_LANDING, 0.29f, 17.0f, pitch, 1.1f, true);
    else if (m.state == MUD_THROWN && s.state == MUD_PUDDLE)
        Offer(list, ear, s.position, AUDIO_CUE_LANDING, 0.36f, 22.0f, pitch * 0.82f, 1.1f, true);
}

// [SECTION] Budgets

static void Refill(AudioScene &scene, float dt)
{
    scene.coinCooldown = std::fmax(0.0f, scene.coinCooldown - dt);
    scene.sharedTokens = std::fmin(AUDIO_SCENE_SHARED_TOKENS, scene.sharedTokens + AUDIO_SCENE_SHARED_RATE * dt);
    scene.motionTokens = std::fmin(AUDIO_SCENE_MOTION_TOKENS, scene.motionTokens + AUDIO_SCENE_MOTION_RATE * dt);
    scene.combatTokens = std::fmin(AUDIO_SCENE_COMBAT_TOKENS, scene.combatTokens + AUDIO_SCENE_COMBAT_RATE * dt);
}

// The strongest candidates that the budgets allow, two at most; the rest are dropped.
static void Choose(AudioScene &scene, CandidateList &list)
{
    // Stable insertion sort, highest priority first.
    for (int a = 1; a < list.count; a++) {
        Candidate c = list.items[a];
        int b = a;
        for (; b > 0 && list.items[b - 1].priority < c.priority; b--) list.items[b] = list.items[b - 1];
        list.items[b] = c;
    }
    int sounded = 0;
    for (int k = 0; k < list.count && sounded < AUDIO_SCENE_CUES_PER_FRAME; k++) {
        const Candidate &c = list.items[k];
        float &own = c.motion ? scene.motionTokens : scene.combatTokens;
        float sharedNeed = c.motion ? 2.0f : 1.0f;
        if (own < 1.0f - TOKEN_SLACK || scene.sharedTokens < sharedNeed - TOKEN_SLACK) continue;
        if (!Queue(scene, c.cue.id, c.cue.pan, c.cue.gain, c.cue.pitch)) continue;
        own -= 1.0f;
        scene.sharedTokens -= 1.0f;
        sounded++;
    }
}

// [SECTION] Meteors and blades

static void Effects(AudioScene &scene, const MeteorSystem &meteors, const SpikeSystem &spikes, const Ear &ear, bool emit)
{
    for (int k = 0; k < METEOR_CAPACITY; k++) {
        const Meteor &now = meteors.slots[k];
        EffectMemory &m = scene.meteors[k];
        bool fresh = !m.valid || m.identity != now.look;
        if (emit && now.active && now.phase == METEOR_BURST && (fresh || m.phase != METEOR_BURST))
            Queue(scene, AUDIO_CUE_METEOR_IMPACT, ear.Pan(now.target), 0.92f * AudioSceneAttenuation(ear.Distance(now.target), 42.0f),
                  1.0f);
        m = EffectMemory{};
        if (now.active) m = {now.look, now.phaseTime, now.phase, 1, {0, 0, 0}};
    }
    for (int k = 0; k < SPIKE_CAPACITY; k++) {
        const Spike &now = spikes.slots[k];
        EffectMemory &m = scene.spikes[k];
        bool fresh = !m.valid || m.identity != now.look;
        if (emit && now.active && now.phase >= SPIKE_BACK && (fresh || m.phase < SPIKE_BACK))
            Queue(scene, AUDIO_CUE_SPIKE_RETURN, ear.Pan(now.position), 0.6f * AudioSceneAttenuation(ear.Distance(now.position), 40.0f),
                  1.0f);
        m = EffectMemory{};
        if (now.active) m = {now.look, now.phaseTime, now.phase, 1, {0, 0, 0}};
    }
}

// [SECTION] Rolling channels

static bool LivingRoller(const MudSlot &s)
{
    return s.roller && s.mass > 0.0f && s.state != MUD_ABSORBED && s.state != MUD_FREE && s.state != MUD_CORPSE;
}

static void Rolling(AudioScene &scene, const MudPool &pool, int used, const Ear &ear, bool sounding)
{
    float w[MUD_CAPACITY] = {};
    for (int i = 0; i < used; i++)
        if (LivingRoller(pool.slots[i])) w[i] = AudioSceneAttenuation(ear.Distance(pool.slots[i].position), 38.0f);

    auto ownerOf = [&](int i) {
        for (int c = 0; c < AUDIO_SPATIAL_SLOTS; c++)
            if (scene.rolling[c].owner == i && scene.rolling[c].ownerIdentity == pool.slots[i].phase) return c;
        return -1;
    };
    // The four strongest, a current owner favoured so the channels do not swap on a near tie.
    int picks[AUDIO_SPATIAL_SLOTS];
    int pickCount = 0;
    bool picked[MUD_CAPACITY] = {};
    for (int k = 0; k < AUDIO_SPATIAL_SLOTS; k++) {
        int best = -1;
        float bestScore = 0.0f;
        for (int i = 0; i < used; i++) {
            if (picked[i] || !(w[i] > 0.01f)) continue;
            float score = w[i] * (ownerOf(i) >= 0 ? 1.16f : 1.0f);
            if (best < 0 || score > bestScore) {
                best = i;
                bestScore = score;
            }
        }
        if (best < 0) break;
        picked[best] = true;
        picks[pickCount++] = best;
    }
    for (RollingChannel &c : scene.rolling) {
        if (c.owner < 0) continue;
        bool keep = c.owner < used && picked[c.owner] && LivingRoller(pool.slots[c.owner]) &&
                    c.ownerIdentity == pool.slots[c.owner].phase;
        if (!keep) c.owner = -1;
    }
    for (int k = 0; k < pickCount; k++) {
        int i = picks[k];
        if (ownerOf(i) >= 0) continue;
        for (RollingChannel &c : scene.rolling) {
            if (c.owner >= 0) continue;
            c.owner = i;
            c.ownerIdentity = pool.slots[i].phase;
            break;
        }
    }
    float sum = 0.0f;
    for (const RollingChannel &c : scene.rolling)
        if (c.owner >= 0) sum += w[c.owner] * w[c.owner];
    float norm = std::fmax(1.0f, std::sqrt(sum));
    for (RollingChannel &c : scene.rolling) {
        if (c.owner < 0) {
            c.gain = 0.0f;
            continue;
        }
        const MudSlot &s = pool.slots[c.owner];
        c.pan = ear.Pan(s.position);
        float speed = Vector3Length(s.rollVelocity);
        c.pitch = IsFinite(speed) ? ClampSafe(speed / 4.3f, 0.4f, 1.6f) : 1.0f;
        c.gain = sounding ? 0.7f * w[c.owner] / norm : 0.0f;
    }
}

// [SECTION] Observation

void AudioSceneReset(AudioScene &scene)
{
    scene = AudioScene{};
    for (CreatureMemory &m : scene.creatures) m.heldBun = -1;
    for (RollingChannel &c : scene.rolling) {
        c.owner = -1;
        c.pitch = 1.0f;
    }
    scene.sharedTokens = AUDIO_SCENE_SHARED_TOKENS;
    scene.motionTokens = AUDIO_SCENE_MOTION_TOKENS;
    scene.combatTokens = AUDIO_SCENE_COMBAT_TOKENS;
}

// Mood of one living slot: boss presence, the rolling crowd and the danger sum.
static void Mood(AudioScene &scene, const MudPool &pool, int i, const Ear &ear, float &danger)
{
    const MudSlot &s = pool.slots[i];
    if (s.state == MUD_CORPSE || s.state == MUD_ABSORBED) return;
    float d = ear.Distance(s.position);
    if (s.boss) {
        if (!(s.health > 0.0f)) return;
        float L = (0.34f + 0.66f * AudioSceneAttenuation(d, 52.0f)) * (s.gatherer ? 0.68f : 1.0f);
        // The form is read from the pool: a value outside the three forms adds to no presence.
        if (s.bossIndex >= 0 && s.bossIndex < 3) scene.bossPresence[s.bossIndex] = std::fmin(1.0f, scene.bossPresence[s.bossIndex] + L);
        danger += 2.7f * L;
        return;
    }
    if (s.roller) {
        float a = AudioSceneAttenuation(d, 34.0f);
        scene.rollingPresence += a / 3.0f;
        danger += 1.1f * a;
        return;
    }
    float weight = s.mass >= 7.0f ? 2.0f : (s.mass >= 4.0f ? 1.35f : 1.0f);
    if (s.state == MUD_BURIED || s.state == MUD_EMERGING) weight *= 0.45f;
    if (s.state == MUD_HELD || s.state == MUD_PUDDLE || MudPoolFollowsGatherer(pool, i)) weight = 0.0f;
    if (s.state == MUD_REASSEMBLY) weight *= 0.3f;
    danger += weight * AudioSceneAttenuation(d, 29.0f);
}

void AudioSceneObserve(AudioScene &scene, const MudPool &mud, const MeteorSystem &meteors, const SpikeSystem &spikes,
                       const Support &support, const Health &health, const EyeCoins &eyeCoins, const Bindings &bindings,
                       const Campaign &campaign, Vector3 listenerPosition, Vector3 listenerRight, float dt)
{
    scene.pendingCount = 0;
    bool live = dt > 0.0f && IsFinite(dt);
    if (!live) scene.rocketLevel = scene.rocketPan = 0.0f;
    int used = ClampInt(mud.count, 0, MUD_CAPACITY);
    // A count that went down is a reset the observer did not see: the old run must not sound.
    bool discontinuity = used < scene.lastSlotCount || support.shotsFired < scene.lastDroneShots || bindings.swapCount < scene.lastSwaps;
    bool emit = live && scene.primed && !discontinuity;
    if (live) Refill(scene, dt);
    Ear ear{listenerPosition, listenerRight};

    if (emit) {
        PlayerEvents(scene, health, eyeCoins, bindings);
        AbilityEvents(scene, meteors, spikes, support, ear);
    } else {
        scene.coinBacklog = 0;
    }

    // Events read last frame's memories of every slot (a thrown bun's included), so the
    // memories are refreshed only after all slots have been looked at.
    scene.danger = scene.rollingPresence = 0.0f;
    scene.bossPresence[0] = scene.bossPresence[1] = scene.bossPresence[2] = 0.0f;
    float danger = 0.0f;
    CandidateList candidates;
    candidates.count = 0;
    for (int i = 0; i < used; i++) {
        const MudSlot &s = mud.slots[i];
        if (!Counts(s)) continue;
        Mood(scene, mud, i, ear, danger);
        if (!emit) continue;
        bool match = SameCreature(scene.creatures[i], s);
        if (s.boss) BossEvents(scene, mud, i, match, ear);
        else if (match) OrdinaryCandidate(candidates, scene, mud, i, ear);
    }
    for (int i = 0; i < MUD_CAPACITY; i++) Remember(scene.creatures[i], mud.slots[i], i < used && Counts(mud.slots[i]));
    scene.danger = IsFinite(danger) ? ClampSafe(1.0f - std::exp(-danger / 9.0f), 0.0f, 1.0f) : 0.0f;
    scene.rollingPresence = ClampSafe(scene.rollingPresence, 0.0f, 1.0f);

    Effects(scene, meteors, spikes, ear, emit);
    if (emit) Choose(scene, candidates);
    Rolling(scene, mud, used, ear, live && HealthAlive(health) && campaign.phase != CAMPAIGN_VICTORY);

    scene.lastHealth = health.quarters;
    scene.lastHitFlash = health.hitFlash;
    scene.lastCoins = eyeCoins.wallet;
    scene.lastMeteorCasts = MeteorCasts(meteors);
    scene.lastSpikeLaunches = SpikeLaunches(spikes);
    scene.lastDroneShots = support.shotsFired;
    scene.lastRepelPulses = support.pulses;
    scene.lastSwaps = bindings.swapCount;
    scene.lastSlotCount = used;
    scene.primed = 1;
}

// [SECTION] Shuttle

void AudioSceneObserveShip(AudioScene &scene, const Ship &ship, Vector3 listenerPosition, Vector3 listenerRight, float dt)
{
    scene.rocketLevel = scene.rocketPan = 0.0f;
    scene.finale = 0.0f;
    if (!ship.enabled) {
        scene.shuttleSeen = 0;
        return;
    }
    bool live = dt > 0.0f && IsFinite(dt);
    if (scene.shuttleSeen && live) {
        if (scene.lastCrystalState == SHIP_CRYSTAL_DROPPED && ship.crystalState == SHIP_CRYSTAL_ATTRACTED)
            Queue(scene, AUDIO_CUE_CRYSTAL_TAKEN, 0.0f, 0.9f, 1.0f);
        if (scene.lastCrystalState == SHIP_CRYSTAL_CARRIED && ship.crystalState == SHIP_CRYSTAL_INSTALLING)
            Queue(scene, AUDIO_CUE_CRYSTAL_INSTALLED, 0.0f, 0.9f, 1.0f);
    }
    scene.lastCrystalState = ship.crystalState;
    scene.shuttleSeen = 1;
    if (ship.phase != SHIP_LAUNCHING && ship.phase != SHIP_DEPARTED) return;
    scene.finale = 1.0f;
    if (!live) return;

    float k = 1.0f, h = ship.altitude, m = 1.0f;
    if (ship.phase == SHIP_LAUNCHING) {
        k = Smoothstep(ship.phaseTime / SHIP_IGNITION_SECONDS);
    } else {
        // Out of sight the climb goes on, and the engine fades within two seconds.
        m = 1.0f - Smoothstep(ship.phaseTime / 2.0f);
        if (!(m > 0.0f)) return;
        float t = ship.phaseTime;
        h = 2.35f * t * t + 19.505f * t + ship.altitude;
    }
    float dx = ship.position.x - listenerPosition.x, dz = ship.position.z - listenerPosition.z;
    float r = std::sqrt((h + 0.35f) * (h + 0.35f) + dx * dx + dz * dz);
    if (!IsFinite(r)) return;
    scene.rocketLevel = (1.0f - Smoothstep(r / 150.0f)) / (1.0f + 0.0016f * r * r) * 0.78f * k * m;
    scene.rocketDrive = (ship.phase == SHIP_DEPARTED ? 0.58f + 0.42f * m : 1.0f) * k;
    float rl = std::sqrt(listenerRight.x * listenerRight.x + listenerRight.z * listenerRight.z);
    if (IsFinite(rl) && rl > 1e-6f) {
        float pan = 0.34f * (listenerRight.x * dx + listenerRight.z * dz) / (rl * std::sqrt(r * r + 16.0f));
        scene.rocketPan = IsFinite(pan) ? ClampSafe(pan, -0.34f, 0.34f) : 0.0f;
    }
}

// [SECTION] Publication

void AudioSceneQuiet(AudioScene &scene)
{
    scene.pendingCount = 0;
    scene.coinBacklog = 0;
    scene.rocketLevel = scene.rocketPan = 0.0f;
    for (RollingChannel &c : scene.rolling) c.gain = 0.0f;
}

void AudioSceneFillState(const AudioScene &scene, AudioState &state)
{
    state.danger = scene.danger;
    for (int k = 0; k < 3; k++) state.bossPresence[k] = scene.bossPresence[k];
    state.crowd = scene.rollingPresence;
    state.finale = scene.finale;
    state.rocketLevel = scene.rocketLevel;
    state.rocketPan = scene.rocketPan;
    state.rocketDrive = scene.rocketDrive;
}

void AudioSceneTakePosts(AudioScene &scene, AudioScenePosts &out)
{
    int n = ClampInt(scene.pendingCount, 0, AUDIO_SCENE_PENDING_CAPACITY);
    for (int k = 0; k < n; k++) out.cues[k] = scene.pending[k];
    out.cueCount = n;
    scene.pendingCount = 0;
    for (int c = 0; c < AUDIO_SPATIAL_SLOTS; c++) out.rolling[c] = scene.rolling[c];
}

void AudioScenePublish(AudioScene &scene)
{
    AudioScenePosts posts;
    AudioSceneTakePosts(scene, posts);
    for (int k = 0; k < posts.cueCount; k++) AudioPostCue(posts.cues[k].id, posts.cues[k].pan, posts.cues[k].gain, posts.cues[k].pitch);
    for (int c = 0; c < AUDIO_SPATIAL_SLOTS; c++) AudioPostSpatial(c, posts.rolling[c].pan, posts.rolling[c].gain, posts.rolling[c].pitch);
}
