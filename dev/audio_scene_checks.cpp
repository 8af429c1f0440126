// Scripted worlds for the scene audio observer, their offline renders, and "--test-audio-scene".
//
// Index
//   [SECTION] Worlds
//   [SECTION] Scripts
//   [SECTION] Offline render
//   [SECTION] --test-audio-scene
#include "dev/audio_scene_checks.h"

#include "audio/audio_engine.h"
#include "common/maths.h"
#include "dev/mud_attack_scenes.h"
#include "mud/mud_contact.h"

#include "raylib.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

// [SECTION] Worlds

static constexpr float CONTACT_RADIUS = 0.27f;     // the player's body the creatures touch
static constexpr float CROWD_MASSES[4] = {1.0f, 1.0f, 2.0f, 5.0f};
static constexpr float LEVEL_MENU_END = 3.0f;      // seconds of main menu before the level's play
static constexpr float LEVEL_PAUSE_AT = 40.0f;     // the pause menu opens

// A scripted moment falls in this frame: game time crossed `at`.
static bool Crossed(const DevAudioWorld &w, float dt, double at) { return w.time < at && w.time + dt >= at; }

static int LivingOrdinary(const MudPool &pool)
{
    int n = 0;
    for (int i = 0; i < pool.count; i++) {
        const MudSlot &s = pool.slots[i];
        n += s.mass > 0.0f && !s.boss && !s.roller && s.state != MUD_CORPSE && s.state != MUD_FREE;
    }
    return n;
}

static int InFlight(const MeteorSystem &m)
{
    int n = m.queueCount;
    for (const Meteor &x : m.slots) n += x.active;
    return n;
}

static int InFlight(const SpikeSystem &s)
{
    int n = s.queueCount;
    for (const Spike &x : s.slots) n += x.active;
    return n;
}

// A ring of creatures of every form around the player, golden-angle spaced.
static void Crowd(DevAudioWorld &w, int n, float radius, float spacing)
{
    for (int k = 0; k < n; k++) {
        float a = 2.39996f * (float)k, r = radius + spacing * (float)k;
        MudSceneAddBody(w.pool, r * std::cos(a), r * std::sin(a), CROWD_MASSES[k % 4], MUD_UNIT_SIZE);
    }
}

static void CastAt(DevAudioWorld &w, Vector3 target)
{
    MeteorCast(w.meteors, target, w.camera.position, w.camera.up, w.camera.viewHeight);
    w.thrown++;
}

static void ThrowToward(DevAudioWorld &w, Vector3 target)
{
    Vector3 d = {target.x - w.player.x, 0.0f, target.z - w.player.z};
    SpikeLaunch(w.spikes, w.player, d);
    w.thrown++;
}

bool DevAudioWorldReset(DevAudioWorld &w, DevAudioScript script)
{
    if (!w.soil.cells && !SoilCreate(w.soil)) {
        TraceLog(LOG_WARNING, "AUDIO: the scripted world's soil could not be allocated");
        return false;
    }
    SoilReset(w.soil);
    MudPoolReset(w.pool, 0);
    w.pool.mergeEnabled = 0;
    MeteorReset(w.meteors);
    SpikeReset(w.spikes);
    SupportReset(w.support);
    HealthReset(w.health);
    w.coins = EyeCoins{};
    BindingsReset(w.bindings, 1906723731u);
    w.campaign = Campaign{};
    w.ship = Ship{};
    w.player = {0.0f, 0.0f, 0.0f};
    w.camera = FollowCamera{};
    w.camera.viewHeight = CAMERA_ZOOM_DEFAULT;
    CameraFollow(w.camera, w.player, {0.0f, 0.0f, 0.0f}, 0.0f, true);
    w.script = script;
    w.time = 0.0;
    w.frame = 0;
    w.thrown = 0;
    w.bossSlot = -1;
    w.bossDied = -1.0;

    switch (script) {
    case DEV_AUDIO_SCRIPT_CROWD:
        Crowd(w, MUD_CAPACITY, 3.0f, 0.2f);
        break;
    case DEV_AUDIO_SCRIPT_BOSS_FIGHT:
        w.bossSlot = MudSceneAddBoss(w.pool, 9.0f, 3.0f, 2);
        for (int k = 0; k < 4; k++) MudSceneAddBody(w.pool, 7.0f + 1.6f * (float)k, 6.0f - 1.2f * (float)k, 1.0f, MUD_UNIT_SIZE);
        break;
    case DEV_AUDIO_SCRIPT_WEAPONS:
        for (int k = 0; k < 6; k++) MudSceneAddBody(w.pool, -2.5f + (float)k, 11.0f + 0.4f * (float)(k % 2), 1.0f + (float)(k % 3), MUD_UNIT_SIZE);
        w.pool.attacksEnabled = 0;
        break;
    case DEV_AUDIO_SCRIPT_FINALE:
        ShipReset(w.ship, w.player, 0.3f);
        w.ship.enabled = true;
        break;
    case DEV_AUDIO_SCRIPT_LEVEL:
        for (int k = 0; k < 6; k++) {
            float a = 1.0472f * (float)k;
            MudSceneAddBody(w.pool, 32.0f * std::cos(a), 32.0f * std::sin(a), 1.0f, MUD_UNIT_SIZE);
        }
        break;
    default:
        break;
    }
    AudioSceneReset(w.scene);
    DevAudioWorldObserve(w, 0.0f);
    return true;
}

void DevAudioWorldRelease(DevAudioWorld &w) { SoilRelease(w.soil); }

int32_t DevAudioWorldContext(const DevAudioWorld &w)
{
    if (w.script != DEV_AUDIO_SCRIPT_LEVEL) return AUDIO_CONTEXT_PLAY;
    if (w.time < LEVEL_MENU_END) return AUDIO_CONTEXT_MAIN_MENU;
    return w.time >= LEVEL_PAUSE_AT ? AUDIO_CONTEXT_PAUSE : AUDIO_CONTEXT_PLAY;
}

// [SECTION] Scripts

// The boss of the script is dead (or gone): remember when.
static void WatchBoss(DevAudioWorld &w)
{
    if (w.bossSlot < 0 || w.bossDied >= 0.0) return;
    if (!MudPoolBossAlive(w.pool, w.bossSlot)) w.bossDied = w.time;
}

// Game time crossed from + k x period for some k >= 0 in this frame.
static bool Every(const DevAudioWorld &w, float dt, double from, double period)
{
    double a = w.time - from, b = w.time + dt - from;
    if (b < 0.0) return false;
    return a < 0.0 || std::floor(a / period) < std::floor(b / period);
}

// From `from` on, while the boss lives within 22 m: a meteor onto its spot every 1.5 s and a
// blade at it every 0.4 s, three blades in flight at most.
static void StrikeBoss(DevAudioWorld &w, float dt, double from)
{
    if (w.bossSlot < 0 || !MudPoolBossAlive(w.pool, w.bossSlot)) return;
    Vector3 at = w.pool.slots[w.bossSlot].position;
    if (LengthXZ(at - w.player) > 22.0f) return;
    if (Every(w, dt, from, 1.5)) CastAt(w, at);
    if (Every(w, dt, from, 0.4) && InFlight(w.spikes) < 3) ThrowToward(w, at);
}

static void ScriptEvents(DevAudioWorld &w, float dt)
{
    switch (w.script) {
    case DEV_AUDIO_SCRIPT_CROWD: {
        // Eight of each kept in flight: meteors onto a ring around the player, blades across the crowd.
        if (InFlight(w.meteors) < METEOR_CAPACITY) {
            float a = 2.39996f * (float)w.thrown;
            CastAt(w, {5.5f * std::cos(a), 0.0f, 5.5f * std::sin(a)});
        }
        if (InFlight(w.spikes) < SPIKE_CAPACITY) {
            float a = 2.39996f * (float)w.thrown;
            ThrowToward(w, {std::cos(a), 0.0f, std::sin(a)});
        }
        if (LivingOrdinary(w.pool) < MUD_CAPACITY) MudPoolSpawn(w.pool, w.player, true, CROWD_MASSES[w.frame % 4], MUD_UNIT_SIZE, false);
        break;
    }
    case DEV_AUDIO_SCRIPT_BOSS_FIGHT:
        StrikeBoss(w, dt, 2.0);
        break;
    case DEV_AUDIO_SCRIPT_WEAPONS:
        if (Crossed(w, dt, 0.5)) CastAt(w, w.pool.slots[2].position);
        if (Crossed(w, dt, 1.2)) ThrowToward(w, {0.0f, 0.0f, 1.0f});
        break;
    case DEV_AUDIO_SCRIPT_COINS:
        if (Crossed(w, dt, 0.5)) EyeCoinsAddToWallet(w.coins, 30);
        for (int k = 0; k < 40; k++)
            if (Crossed(w, dt, 1.5 + 0.06 * k)) EyeCoinsAddToWallet(w.coins, 1);
        if (Crossed(w, dt, 5.0)) EyeCoinsAddToWallet(w.coins, 500);
        break;
    case DEV_AUDIO_SCRIPT_ROLLING_ROW:
        for (int row = 0; row < 2; row++) {
            if (!Crossed(w, dt, 0.5 + 8.0 * row)) continue;
            float side = row == 0 ? -1.0f : 1.0f;
            for (int lane = 0; lane < 7; lane++) {
                Vector3 at = {26.0f * side, 0.0f, -6.6f + 2.2f * (float)lane};
                MudPoolSpawnRoller(w.pool, at, {-4.3f * side, 0.0f, 0.0f}, 0.55f);
            }
        }
        break;
    case DEV_AUDIO_SCRIPT_FINALE: {
        // The crystal's path, then the launch: the shuttle's own clock as ShipUpdate keeps it.
        Ship &s = w.ship;
        const double CRYSTAL_AT[5] = {0.5, 2.0, 2.6, 4.0, 4.85};
        for (int k = 0; k < 5; k++)
            if (Crossed(w, dt, CRYSTAL_AT[k])) s.crystalState = (ShipCrystalState)(SHIP_CRYSTAL_DROPPED + k);
        if (Crossed(w, dt, 6.0)) {
            s.phase = SHIP_LAUNCHING;
            s.phaseTime = 0.0f;
        }
        if (s.phase == SHIP_LAUNCHING || s.phase == SHIP_DEPARTED) {
            s.phaseTime += dt;
            if (s.phase == SHIP_LAUNCHING && s.phaseTime >= SHIP_LAUNCH_SECONDS) {
                s.phaseTime -= SHIP_LAUNCH_SECONDS;
                s.phase = SHIP_DEPARTED;
            }
            if (s.phase == SHIP_LAUNCHING) {
                float lift = std::fmax(0.0f, s.phaseTime - SHIP_IGNITION_SECONDS);
                s.altitude = SHIP_LAUNCH_ACCELERATION * lift * lift;
            }
        }
        break;
    }
    case DEV_AUDIO_SCRIPT_LEVEL:
        if (Crossed(w, dt, 9.0)) Crowd(w, 30, 8.0f, 0.2f);
        if (Crossed(w, dt, 17.0)) w.bossSlot = MudPoolSpawnBoss(w.pool, w.player, 1, false);
        StrikeBoss(w, dt, 21.0);
        if (Crossed(w, dt, 33.0)) MudPoolClearWave(w.pool);
        break;
    }
}

void DevAudioWorldStep(DevAudioWorld &w, float dt)
{
    if (!(dt > 0.0f) || !IsFinite(dt)) return;
    bool menu = DevAudioWorldContext(w) != AUDIO_CONTEXT_PLAY;
    if (!menu) {
        HealthUpdate(w.health, dt);
        if (!HealthAlive(w.health)) HealthRevive(w.health);
        ScriptEvents(w, dt);
        MudPoolUpdate(w.pool, w.player, dt, &w.soil);
        SupportUpdate(w.support, w.pool, w.player, dt, 0.0f, 0.0f);
        // Own weapons never fall on the standing player in these scripts; the creatures' blows count.
        MeteorUpdate(w.meteors, w.pool, w.soil, w.player, w.player, dt);
        SpikeUpdate(w.spikes, w.pool, w.soil, w.player, w.player, dt);
        bool hit = MudContactDash(w.pool, w.player, w.player, CONTACT_RADIUS);
        hit = MudContactKick(w.pool, w.player, w.player, CONTACT_RADIUS) || hit;
        hit = MudContactPunch(w.pool, w.player, w.player, CONTACT_RADIUS) || hit;
        hit = MudContactProjectile(w.pool, w.player, w.player, CONTACT_RADIUS) || hit;
        if (!(w.health.invulnerableLeft > 0.0f)) hit = MudContactTouch(w.pool, w.player, w.player, CONTACT_RADIUS) || hit;
        if (hit) HealthHit(w.health);
        WatchBoss(w);
        CameraFollow(w.camera, w.player, {0.0f, 0.0f, 0.0f}, dt, false);
    }
    w.time += dt;
    w.frame++;
}

void DevAudioWorldObserve(DevAudioWorld &w, float dt)
{
    if (DevAudioWorldContext(w) != AUDIO_CONTEXT_PLAY) {
        AudioSceneQuiet(w.scene);
        return;
    }
    AudioSceneObserve(w.scene, w.pool, w.meteors, w.spikes, w.support, w.health, w.coins, w.bindings, w.campaign, w.player,
                      w.camera.right, dt);
    AudioSceneObserveShip(w.scene, w.ship, w.player, w.camera.right, HealthAlive(w.health) ? dt : 0.0f);
}

// [SECTION] Offline render

static DevAudioMoment Moment(const DevAudioWorld &w, const Synth &synth)
{
    DevAudioMoment m{};
    m.time = (float)w.time;
    m.context = DevAudioWorldContext(w);
    m.play = synth.contextWeight[AUDIO_CONTEXT_PLAY];
    m.danger = synth.danger;
    m.crowd = synth.crowd;
    m.bossLayer = synth.bossLayer;
    m.finale = synth.finale;
    m.battle = m.play * (1.0f - 0.82f * synth.bossLayer);
    m.boss = 1.1f * synth.bossLayer * m.play;
    m.sceneDanger = w.scene.danger;
    for (int k = 0; k < 3; k++) m.sceneBoss[k] = w.scene.bossPresence[k];
    m.sceneCrowd = w.scene.rollingPresence;
    return m;
}

bool DevAudioSceneRender(DevAudioScript script, float hz, float seconds, DevAudioRender &out)
{
    out = DevAudioRender{};
    out.bossDied = -1.0;
    if (!(hz > 0.0f) || !(seconds > 0.0f)) return false;
    auto world = std::make_unique<DevAudioWorld>();
    auto engine = std::make_unique<AudioEngine>();
    if (!DevAudioWorldReset(*world, script) || !AudioEngineCreate(*engine, 1906723731u)) {
        DevAudioWorldRelease(*world);
        return false;
    }
    DevAudioWorld &w = *world;
    float dt = 1.0f / hz;
    int frames = (int)std::lround((double)seconds * hz);
    out.samples.assign(2 * (size_t)((double)frames / hz * AUDIO_SAMPLE_RATE + 1.0), 0.0f);
    size_t written = 0;
    double nextMoment = 0.0;
    for (int f = 0; f < frames; f++) {
        DevAudioWorldStep(w, dt);
        DevAudioWorldObserve(w, dt);

        // What the frame posts: the state (with the scene's mood in play), the cues, the rollers.
        bool play = DevAudioWorldContext(w) == AUDIO_CONTEXT_PLAY;
        AudioState state{};
        if (play) AudioSceneFillState(w.scene, state);
        state.context = DevAudioWorldContext(w);
        state.musicVolume = 0.75f;
        state.soundVolume = 0.85f;
        state.musicOn = state.soundOn = state.focused = 1;
        AudioEnginePostState(*engine, state);
        AudioScenePosts posts;
        AudioSceneTakePosts(w.scene, posts);
        int creature = 0;
        for (int k = 0; k < posts.cueCount; k++) {
            const PendingCue &c = posts.cues[k];
            AudioEnginePostCue(*engine, c.id, c.pan, c.gain, c.pitch);
            if (c.id >= 0 && c.id < AUDIO_CUE_COUNT) out.cues[c.id]++;
            creature += c.id >= AUDIO_CUE_HOP && c.id <= AUDIO_CUE_CREATURE_HURT;
        }
        out.worstCreatureFrame = creature > out.worstCreatureFrame ? creature : out.worstCreatureFrame;
        for (int c = 0; c < AUDIO_SPATIAL_SLOTS; c++) AudioEnginePostSpatial(*engine, c, posts.rolling[c].pan, posts.rolling[c].gain, posts.rolling[c].pitch);

        // The samples of this frame, counted from the start so every rate renders the same length.
        size_t end = (size_t)((double)(f + 1) / hz * AUDIO_SAMPLE_RATE);
        if (end > out.samples.size() / 2) end = out.samples.size() / 2;
        while (written < end) {
            uint32_t n = (uint32_t)(end - written < 512 ? end - written : 512);
            AudioEngineProcess(*engine, out.samples.data() + 2 * written, n);
            written += n;
        }
        if (w.time >= nextMoment) {
            out.moments.push_back(Moment(w, *engine->synth));
            nextMoment += 0.5;
        }
    }
    out.samples.resize(2 * written);
    out.frames = frames;
    out.bossDied = w.bossDied;
    AudioEngineRelease(*engine);
    DevAudioWorldRelease(w);
    return true;
}

// [SECTION] --test-audio-scene

namespace {

struct Tally {
    int passed = 0, failed = 0;
    void Check(bool ok, const char *name)
    {
        std::printf("%s %s\n", ok ? "ok  " : "FAIL", name);
        (ok ? passed : failed)++;
    }
};

// An empty world of the observer's own, primed; the pool on the heap.
struct Rig {
    std::unique_ptr<MudPool> pool = std::make_unique<MudPool>();
    MeteorSystem meteors{};
    SpikeSystem spikes{};
    Support support{};
    Health health{};
    EyeCoins coins{};
    Bindings bindings{};
    Campaign campaign{};
    AudioScene scene{};
    Rig()
    {
        MudPoolReset(*pool, 0);
        pool->attacksEnabled = pool->mergeEnabled = 0;
        MeteorReset(meteors);
        SpikeReset(spikes);
        SupportReset(support);
        HealthReset(health);
        BindingsReset(bindings, 5u);
        AudioSceneReset(scene);
    }
    void Prime()
    {
        AudioSceneReset(scene);
        Observe(0.0f);
    }
    // One frame; how often `id` was queued (-1: any ordinary creature cue), and the first such cue.
    int Observe(float dt, int id = 0, PendingCue *first = nullptr)
    {
        AudioSceneObserve(scene, *pool, meteors, spikes, support, health, coins, bindings, campaign, {0.0f, 0.0f, 0.0f},
                          {1.0f, 0.0f, 0.0f}, dt);
        int n = 0;
        for (int k = 0; k < scene.pendingCount; k++) {
            const PendingCue &c = scene.pending[k];
            bool want = id < 0 ? c.id >= AUDIO_CUE_HOP && c.id <= AUDIO_CUE_CREATURE_HURT : c.id == id;
            if (!want) continue;
            if (n == 0 && first) *first = c;
            n++;
        }
        return n;
    }
};

void Enter(MudSlot &s, int state, float dt)
{
    if (s.state != state) {
        s.state = state;
        s.timer = 0.0f;
    } else {
        s.timer += dt;
    }
}

// A hop from `distance` metres: how often it is heard over a whole flight.
int HopHeard(float distance)
{
    Rig r;
    int i = MudSceneAddBody(*r.pool, distance, 0.0f, 1.0f, MUD_UNIT_SIZE);
    r.pool->slots[i].state = MUD_HOP_CROUCH;
    r.Prime();
    int heard = 0;
    for (int f = 0; f < 30; f++) {
        Enter(r.pool->slots[i], MUD_HOP_FLIGHT, 1.0f / 60.0f);
        heard += r.Observe(1.0f / 60.0f, AUDIO_CUE_HOP);
    }
    return heard;
}

// A walker boss winding up `distance` metres to the right: times heard, loudest |pan|.
int BossWindupHeard(float distance, float *pan)
{
    Rig r;
    int i = MudSceneAddBoss(*r.pool, distance, 0.0f, 1);
    r.Prime();
    int heard = 0;
    *pan = 0.0f;
    for (int f = 0; f < 10; f++) {
        Enter(r.pool->slots[i], MUD_KICK_WINDUP, 1.0f / 60.0f);
        PendingCue c{};
        int n = r.Observe(1.0f / 60.0f, AUDIO_CUE_BOSS_WINDUP, &c);
        if (n > 0) *pan = std::fmax(*pan, std::fabs(c.pan));
        heard += n;
    }
    return heard;
}

}  // namespace

int DevTestAudioScene()
{
    Tally t;
    const float DT = 1.0f / 60.0f;

    t.Check(HopHeard(8.0f) == 1 && HopHeard(14.2f) == 0, "a hop at 8 m sounds once over its whole flight; beyond 14 m it is silent");
    {
        float pan60 = 0.0f, pan97 = 0.0f;
        int near = BossWindupHeard(60.0f, &pan60), far = BossWindupHeard(97.0f, &pan97);
        t.Check(near == 1 && pan60 > 0.3f && pan60 <= 0.648f && far == 0,
                "a boss windup is heard once at 60 m, panned within 0.648, and not beyond 96 m");
    }
    {
        Rig r;
        int i = MudSceneAddBody(*r.pool, 5.0f, 0.0f, 5.0f, MUD_UNIT_SIZE);
        r.Prime();
        int heard = 0;
        for (int f = 0; f < 10; f++) {
            Enter(r.pool->slots[i], MUD_KICK_STRIKE, DT);
            heard += r.Observe(DT, AUDIO_CUE_ATTACK);
        }
        t.Check(heard == 1, "a kick held for ten frames sounds once");
    }
    {
        // The slot's creature dies and a new one is born into it between two frames, already
        // wounded and in the air: nothing of it is an event of the old one.
        Rig r;
        int i = MudSceneAddBody(*r.pool, 5.0f, 0.0f, 1.0f, MUD_UNIT_SIZE);
        r.pool->slots[i].state = MUD_HOP_CROUCH;
        r.Prime();
        const char *NAMES[2] = {"a recycled slot replays nothing of the old creature's hop and wounds",
                                "a new creature with the old one's phase but its own birth point replays nothing"};
        for (int round = 0; round < 2; round++) {
            MudSlot &s = r.pool->slots[i];
            float phase = round == 0 ? s.phase + 1.0f : s.phase;
            Vector3 birth = {s.spawnPoint.x + 2.0f, 0.0f, s.spawnPoint.z - 1.0f};
            memset(&s, 0, sizeof s);
            s.mass = 1.0f;
            s.size = MUD_UNIT_SIZE;
            s.leader = s.heldBun = s.holder = s.partner = -1;
            s.phase = phase;
            s.spawnPoint = birth;
            s.position = {birth.x, 0.3f, birth.z};
            s.state = MUD_HOP_FLIGHT;
            s.wounds.woundCount = 1 + round;
            s.wounds.removedVolume = 0.02f;
            s.scorch = 2.0f;
            t.Check(r.Observe(DT, -1) == 0, NAMES[round]);
            // Crouching again, ready for the next round's replacement.
            s.state = MUD_HOP_CROUCH;
            r.Observe(DT, -1);
        }
    }
    {
        Rig r;
        r.coins.wallet = 100;
        r.Prime();
        r.coins.wallet += 30;
        PendingCue chime{};
        int n = r.Observe(DT, AUDIO_CUE_COIN, &chime);
        int later = 0;
        for (int f = 0; f < 10; f++) later += r.Observe(DT, AUDIO_CUE_COIN);
        t.Check(n == 1 && later == 0 && std::fabs(chime.gain - 0.584f) < 0.001f, "thirty coins in one frame give one chime at gain 0.584");
        r.coins.wallet = 40;
        int down = r.Observe(DT, AUDIO_CUE_COIN) + r.Observe(DT, AUDIO_CUE_COIN);
        t.Check(down == 0 && r.scene.coinBacklog == 0, "a wallet that goes down does not chime (no unsigned wrap)");
    }
    {
        // A crowd spends every budget; the blow, the cast and the boss's windup still sound.
        Rig r;
        for (int k = 0; k < 40; k++) {
            float a = 2.39996f * (float)k, d = 2.0f + 0.15f * (float)k;
            int i = MudSceneAddBody(*r.pool, d * std::cos(a), d * std::sin(a), 1.0f, MUD_UNIT_SIZE);
            r.pool->slots[i].wounds.woundCount = 0;
        }
        int boss = MudSceneAddBoss(*r.pool, 20.0f, 0.0f, 1);
        r.Prime();
        for (int round = 1; round <= 2; round++) {
            for (int k = 0; k < 40; k++) r.pool->slots[k].wounds.woundCount = round;
            r.Observe(DT);
        }
        bool spent = r.scene.sharedTokens < 1.0f;
        for (int k = 0; k < 40; k++) r.pool->slots[k].wounds.removedVolume = 0.05f;
        HealthHit(r.health);
        r.meteors.queueCount += 1;
        Enter(r.pool->slots[boss], MUD_DASH_WINDUP, DT);
        r.Observe(DT);
        int hurt = 0, cast = 0, windup = 0, creature = 0;
        for (int k = 0; k < r.scene.pendingCount; k++) {
            int id = r.scene.pending[k].id;
            hurt += id == AUDIO_CUE_PLAYER_HURT;
            cast += id == AUDIO_CUE_METEOR_CAST;
            windup += id == AUDIO_CUE_BOSS_WINDUP;
            creature += id >= AUDIO_CUE_HOP && id <= AUDIO_CUE_CREATURE_HURT;
        }
        t.Check(spent && hurt == 1 && cast == 1 && windup == 1 && creature == 0,
                "with the budgets spent by a crowd, the player's and the boss's cues still sound");
    }
    {
        Rig r;
        int boss = MudSceneAddBoss(*r.pool, 5.0f, 0.0f, 1);
        r.pool->slots[boss].bossIndex = 3;
        r.Prime();
        r.Observe(DT);
        t.Check(r.scene.bossPresence[0] + r.scene.bossPresence[1] + r.scene.bossPresence[2] == 0.0f && r.scene.rollingPresence == 0.0f &&
                    r.scene.danger > 0.0f,
                "a boss form read outside 0..2 adds to no presence and to nothing beside it");
    }

    // The crowd of the captures at three rates: two creature cues a frame at most, within the
    // budgets, and about the same number per second at every rate.
    int totals[3] = {};
    const float RATES[3] = {30.0f, 60.0f, 144.0f};
    const float SECONDS = 12.0f;
    bool within = true;
    for (int k = 0; k < 3; k++) {
        DevAudioWorld *w = new DevAudioWorld();
        bool made = DevAudioWorldReset(*w, DEV_AUDIO_SCRIPT_CROWD);
        int frames = (int)std::lround(SECONDS * RATES[k]);
        int motion = 0, combat = 0, worst = 0;
        for (int f = 0; made && f < frames; f++) {
            float dt = 1.0f / RATES[k];
            DevAudioWorldStep(*w, dt);
            DevAudioWorldObserve(*w, dt);
            int n = 0;
            for (int c = 0; c < w->scene.pendingCount; c++) {
                int id = w->scene.pending[c].id;
                if (id < AUDIO_CUE_HOP || id > AUDIO_CUE_CREATURE_HURT) continue;
                n++;
                (id <= AUDIO_CUE_LANDING ? motion : combat)++;
            }
            worst = n > worst ? n : worst;
        }
        DevAudioWorldRelease(*w);
        delete w;
        totals[k] = motion + combat;
        std::printf("     %3.0f Hz: %d creature cues in %.0f s (%d motion, %d other), at most %d in a frame\n", (double)RATES[k],
                    totals[k], (double)SECONDS, motion, combat, worst);
        within = within && made && worst <= 2 && totals[k] <= 2 + 9 * SECONDS && motion <= 1 + 3 * SECONDS && combat <= 2 + 6 * SECONDS;
    }
    t.Check(within, "a crowd of 48 under fire: at most two creature cues a frame and within the budgets at 30, 60 and 144 Hz");
    bool same = std::abs(totals[0] - totals[1]) <= 3 + totals[1] / 10 && std::abs(totals[2] - totals[1]) <= 3 + totals[1] / 10;
    t.Check(same, "the crowd sounds the same number of creature cues per second at 30, 60 and 144 Hz");

    // The scripted level, observed without sound: the moods rise and fall with it.
    {
        DevAudioWorld *w = new DevAudioWorld();
        bool made = DevAudioWorldReset(*w, DEV_AUDIO_SCRIPT_LEVEL);
        float calm = 1.0f, crowd = 0.0f, boss = 0.0f, after = 1.0f;
        for (int f = 0; made && f < 40 * 60; f++) {
            DevAudioWorldStep(*w, DT);
            DevAudioWorldObserve(*w, DT);
            double now = w->time;
            if (now > 5.0 && now < 8.5) calm = std::fmin(calm, 1.0f - w->scene.danger);
            if (now > 12.0 && now < 17.0) crowd = std::fmax(crowd, w->scene.danger);
            boss = std::fmax(boss, w->scene.bossPresence[1]);
            if (now > 37.0) after = std::fmin(after, 1.0f - w->scene.danger - w->scene.bossPresence[1]);
        }
        std::printf("     level: danger while calm %.3f, with the crowd %.3f; boss presence %.3f; boss died at %.2f s; "
                    "danger and presence after %.3f\n",
                    (double)(1.0f - calm), (double)crowd, (double)boss, w->bossDied, (double)(1.0f - after));
        t.Check(made && 1.0f - calm < 0.05f && crowd > 0.4f && boss > 0.75f && w->bossDied > 0.0 && after > 0.95f,
                "the scripted level: danger and the boss's presence rise with the fight and fall after it");
        DevAudioWorldRelease(*w);
        delete w;
    }

    std::printf("%d passed, %d failed\n", t.passed, t.failed);
    return t.failed == 0 ? 0 : 1;
}
