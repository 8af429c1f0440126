// The scene audio observer: a table of small worlds and the cues they must (and must not) sound;
// the budgets under a real crowd at 30, 60 and 144 Hz; the mood values over a scripted scene;
// resets, pauses and menus; the rolling channels and the rocket.
#include "audio/audio_scene.h"
#include "tests/audio/audio_scene_world.h"
#include "tests/mud/mud_fixture.h"

#include "common/maths.h"
#include "world/soil.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <map>
#include <vector>

using namespace scenetest;

namespace {

constexpr float DT = 1.0f / 60.0f;
constexpr int ANY_CREATURE_CUE = -2;

int Count(const std::vector<PendingCue> &cues, int id)
{
    int n = 0;
    for (const PendingCue &c : cues) n += id == ANY_CREATURE_CUE ? CreatureCue(c.id) : c.id == id;
    return n;
}

// A formed creature at (x, z), as the mudling tests place them.
int Body(World &w, float x, float z, float mass) { return mudtest::AddBody(*w.mud, x, z, mass); }

// A new creature in slot `i`, as a spawn after a death would leave it.
void Recycle(World &w, int i, float phase, Vector3 birth)
{
    MudSlot &s = w.mud->slots[i];
    float mass = 1.0f;
    memset(&s, 0, sizeof s);
    s.mass = mass;
    s.size = MUD_UNIT_SIZE;
    s.leader = s.heldBun = s.holder = s.partner = -1;
    s.phase = phase;
    s.spawnPoint = birth;
    s.position = {birth.x, 0.3f, birth.z};
}

// [SECTION] The fixture table

struct Fixture {
    const char *name;
    std::function<void(World &)> setup;          // the world the run starts with
    std::function<void(World &, int)> step;      // what changes before each observed frame
    int frames;
    int id;                                      // the cue looked for (ANY_CREATURE_CUE: any)
    int expected;                                // times it sounds over all frames
    float minGain, maxGain;                      // its first sounding
    float maxPan;                                // |pan| of every sounding
};

void Hop(World &w, int) { SetState(w.mud->slots[0], MUD_HOP_FLIGHT); }

const Fixture FIXTURES[] = {
    {"a hop at 8 m is heard once, however long the flight",
     [](World &w) { w.mud->slots[Body(w, 8.0f, 0.0f, 1.0f)].state = MUD_HOP_CROUCH; }, Hop, 30, AUDIO_CUE_HOP, 1, 0.055f,
     0.07f, 0.72f},
    {"a hop beyond 14 m is silent", [](World &w) { w.mud->slots[Body(w, 14.2f, 0.0f, 1.0f)].state = MUD_HOP_CROUCH; }, Hop,
     10, AUDIO_CUE_HOP, 0, 0, 0, 0},
    {"a boss windup at 60 m is heard, neither missing nor hard-panned",
     [](World &w) { mudtest::AddBoss(*w.mud, 60.0f, 0.0f, 1); },
     [](World &w, int) { SetState(w.mud->slots[0], MUD_KICK_WINDUP); }, 10, AUDIO_CUE_BOSS_WINDUP, 1, 0.09f, 0.105f, 0.648f},
    {"a boss windup beyond 96 m is silent", [](World &w) { mudtest::AddBoss(*w.mud, 0.0f, 96.5f, 1); },
     [](World &w, int) { SetState(w.mud->slots[0], MUD_KICK_WINDUP); }, 10, AUDIO_CUE_BOSS_WINDUP, 0, 0, 0, 0},
    {"a kick held for ten frames sounds once", [](World &w) { Body(w, 5.0f, 0.0f, 5.0f); },
     [](World &w, int) { SetState(w.mud->slots[0], MUD_KICK_STRIKE); }, 10, AUDIO_CUE_ATTACK, 1, 0.28f, 0.31f, 0.72f},
    {"a recycled slot does not replay the old creature's wounds or hop",
     [](World &w) { w.mud->slots[Body(w, 5.0f, 0.0f, 1.0f)].state = MUD_HOP_CROUCH; },
     [](World &w, int frame) {
         if (frame != 0) return;
         Recycle(w, 0, 31.5f, {6.0f, 0.0f, 1.0f});
         MudSlot &s = w.mud->slots[0];
         s.state = MUD_HOP_FLIGHT;
         s.wounds.woundCount = 1;
         s.wounds.removedVolume = 0.02f;
         s.wounds.planarCut = 1;
         s.scorch = 2.0f;
     },
     5, ANY_CREATURE_CUE, 0, 0, 0, 0},
    {"a new creature with the old one's phase but its own birth replays nothing",
     [](World &w) { w.mud->slots[Body(w, 5.0f, 0.0f, 1.0f)].state = MUD_HOP_CROUCH; },
     [](World &w, int frame) {
         if (frame != 0) return;
         float phase = w.mud->slots[0].phase;
         Recycle(w, 0, phase, {4.0f, 0.0f, -2.0f});
         w.mud->slots[0].state = MUD_HOP_FLIGHT;
         w.mud->slots[0].wounds.woundCount = 2;
     },
     5, ANY_CREATURE_CUE, 0, 0, 0, 0},
    {"a corpse that comes back to life in its slot is a new creature",
     [](World &w) {
         int i = Body(w, 5.0f, 0.0f, 1.0f);
         w.mud->slots[i].state = MUD_CORPSE;
     },
     [](World &w, int frame) {
         if (frame != 0) return;
         MudSlot &s = w.mud->slots[0];
         s.state = MUD_HOP_FLIGHT;
         s.wounds.woundCount = 1;
     },
     3, ANY_CREATURE_CUE, 0, 0, 0, 0},
    {"thirty coins in one frame give one chime, louder than one coin's", [](World &w) { w.coins.wallet = 100; },
     [](World &w, int frame) {
         if (frame == 0) w.coins.wallet += 30;
     },
     10, AUDIO_CUE_COIN, 1, 0.583f, 0.585f, 0.0f},
    {"one coin chimes at the base loudness", [](World &w) { w.coins.wallet = 100; },
     [](World &w, int frame) {
         if (frame == 0) w.coins.wallet += 1;
     },
     10, AUDIO_CUE_COIN, 1, 0.484f, 0.486f, 0.0f},
    {"a wallet that goes down does not chime", [](World &w) { w.coins.wallet = 100; },
     [](World &w, int frame) {
         if (frame == 0) w.coins.wallet = 40;
     },
     10, AUDIO_CUE_COIN, 0, 0, 0, 0},
    {"a meteor bursts once",
     [](World &w) {
         Meteor &m = w.meteors.slots[0];
         m.active = 1;
         m.phase = METEOR_FALL;
         m.look = 1.71f;
         m.target = {10.0f, 0.2f, 0.0f};
     },
     [](World &w, int frame) {
         Meteor &m = w.meteors.slots[0];
         m.phase = METEOR_BURST;
         m.phaseTime = (float)frame * DT;
     },
     20, AUDIO_CUE_METEOR_IMPACT, 1, 0.2f, 0.92f, 0.72f},
    {"a blade turns back once, through the hover and the sink",
     [](World &w) {
         Spike &b = w.spikes.slots[0];
         b.active = 1;
         b.phase = SPIKE_OUT;
         b.look = 2.37f;
         b.position = {0.0f, 0.0f, 20.0f};
     },
     [](World &w, int frame) { w.spikes.slots[0].phase = frame < 3 ? SPIKE_HOVER : (frame < 12 ? SPIKE_BACK : SPIKE_SINK); }, 20,
     AUDIO_CUE_SPIKE_RETURN, 1, 0.01f, 0.6f, 0.72f},
    {"a blow sounds the hurt once", [](World &) {},
     [](World &w, int frame) {
         if (frame == 2) HealthHit(w.health);
         HealthUpdate(w.health, DT);
     },
     20, AUDIO_CUE_PLAYER_HURT, 1, 0.88f, 0.88f, 0.0f},
    {"a blow in the frame a quarter regenerates still hurts", [](World &w) { w.health.quarters = 19; },
     [](World &w, int frame) {
         if (frame == 2) {
             HealthHit(w.health);
             w.health.quarters += 1;
         }
         HealthUpdate(w.health, DT);
     },
     20, AUDIO_CUE_PLAYER_HURT, 1, 0.88f, 0.88f, 0.0f},
    {"the last blow sounds the death once", [](World &w) { w.health.quarters = 1; },
     [](World &w, int frame) {
         if (frame == 2) HealthHit(w.health);
         HealthUpdate(w.health, DT);
     },
     20, AUDIO_CUE_PLAYER_DEATH, 1, 0.88f, 0.88f, 0.0f},
    {"a revive one frame after the killing blow sounds once, and not as a blow",
     [](World &w) { w.health.quarters = 1; },
     [](World &w, int frame) {
         HealthUpdate(w.health, DT);
         if (frame == 2) HealthHit(w.health);
         if (frame == 3) HealthRevive(w.health);
     },
     20, AUDIO_CUE_PLAYER_REVIVE, 1, 0.9f, 0.9f, 0.0f},
};

TEST(AudioSceneFixtures, EachWorldSoundsWhatItShould)
{
    for (const Fixture &f : FIXTURES) {
        World w;
        f.setup(w);
        Observer o;
        o.Prime(w);
        int heard = 0;
        float firstGain = -1.0f, worstPan = 0.0f;
        for (int frame = 0; frame < f.frames; frame++) {
            f.step(w, frame);
            for (const PendingCue &c : o.Frame(w, DT)) {
                if (f.id == ANY_CREATURE_CUE ? !CreatureCue(c.id) : c.id != f.id) continue;
                if (firstGain < 0.0f) firstGain = c.gain;
                worstPan = std::fmax(worstPan, std::fabs(c.pan));
                heard++;
            }
        }
        EXPECT_EQ(heard, f.expected) << f.name;
        if (f.expected > 0 && heard > 0) {
            EXPECT_GE(firstGain, f.minGain) << f.name;
            EXPECT_LE(firstGain, f.maxGain) << f.name;
            EXPECT_LE(worstPan, f.maxPan + 1e-6f) << f.name;
        }
    }
}

TEST(AudioSceneFixtures, DeathAndReviveEachSoundOnceInOrder)
{
    World w;
    w.health.quarters = 1;
    Observer o;
    o.Prime(w);
    std::vector<int> ids;
    for (int frame = 0; frame < 40; frame++) {
        HealthUpdate(w.health, DT);
        if (frame == 5) HealthHit(w.health);
        if (frame == 6) HealthRevive(w.health);
        for (const PendingCue &c : o.Frame(w, DT)) ids.push_back(c.id);
    }
    EXPECT_EQ(ids, (std::vector<int>{AUDIO_CUE_PLAYER_DEATH, AUDIO_CUE_PLAYER_REVIVE}));
}

// [SECTION] Curves

TEST(AudioSceneCurves, FadesReachZeroAtTheirHorizons)
{
    EXPECT_FLOAT_EQ(AudioSceneAttenuation(0.0f, 14.0f), 1.0f);
    EXPECT_FLOAT_EQ(AudioSceneAttenuation(14.0f, 14.0f), 0.0f);
    EXPECT_FLOAT_EQ(AudioSceneAttenuation(40.0f, 14.0f), 0.0f);
    EXPECT_FLOAT_EQ(AudioSceneAttenuation(NAN, 14.0f), 0.0f);
    EXPECT_FLOAT_EQ(AudioSceneBossAttenuation(96.0f), 0.0f);
    EXPECT_GT(AudioSceneBossAttenuation(60.0f), 0.15f);
    // Far bosses fade much more gently than creatures.
    EXPECT_GT(AudioSceneBossAttenuation(30.0f), 5.0f * AudioSceneAttenuation(30.0f, 52.0f));
}

TEST(AudioSceneCurves, TurningTheCameraSwapsLeftAndRight)
{
    Vector3 at = {0.0f, 0.0f, 0.0f}, source = {6.0f, 0.0f, 2.0f};
    float right = AudioScenePan(at, {1.0f, 0.0f, 0.0f}, source);
    float turned = AudioScenePan(at, {-1.0f, 0.0f, 0.0f}, source);
    EXPECT_GT(right, 0.3f);
    EXPECT_FLOAT_EQ(turned, -right);
    // Height does not count, nor a right vector's tilt or length.
    EXPECT_FLOAT_EQ(AudioScenePan(at, {2.0f, 5.0f, 0.0f}, {6.0f, 9.0f, 2.0f}), right);
    EXPECT_LE(std::fabs(AudioScenePan(at, {1.0f, 0.0f, 0.0f}, {1e6f, 0.0f, 0.0f})), 0.72f);
    EXPECT_EQ(AudioScenePan(at, {0.0f, 1.0f, 0.0f}, source), 0.0f);
    EXPECT_EQ(AudioScenePan(at, {NAN, 0.0f, 0.0f}, source), 0.0f);
}

// [SECTION] Bosses

// A golem boss at 10 m grabs the bun beside it, winds up, lets go, follows through.
TEST(AudioSceneBoss, ThrowSoundsItsReleaseOnceAndOnlyWhenTheBunLeaves)
{
    World w;
    int g = mudtest::AddBoss(*w.mud, 10.0f, 0.0f, 2);
    int b = Body(w, 11.0f, 1.0f, 1.0f);
    ASSERT_GE(g, 0);
    Observer o;
    o.Prime(w);
    MudSlot &G = w.mud->slots[g], &B = w.mud->slots[b];
    std::vector<std::vector<PendingCue>> frames;
    for (int frame = 0; frame < 12; frame++) {
        if (frame == 1) {
            SetState(G, MUD_GRAB);
            G.heldBun = b;
            B.holder = g;
            SetState(B, MUD_HELD);
        }
        if (frame == 3) SetState(G, MUD_THROW_WINDUP);
        if (frame == 6) {
            G.heldBun = -1;
            B.holder = -1;
            SetState(B, MUD_THROWN);
        }
        if (frame == 8) SetState(G, MUD_THROW_FOLLOW);
        frames.push_back(o.Frame(w, DT));
    }
    auto heard = [&](int id) {
        std::vector<int> at;
        for (int f = 0; f < (int)frames.size(); f++)
            for (const PendingCue &c : frames[f])
                if (c.id == id) at.push_back(f);
        return at;
    };
    EXPECT_EQ(heard(AUDIO_CUE_BOSS_WINDUP), (std::vector<int>{1, 3}));
    EXPECT_EQ(heard(AUDIO_CUE_BOSS_THROW), (std::vector<int>{6}));
    const PendingCue *windup = FindId(frames[3], AUDIO_CUE_BOSS_WINDUP);
    ASSERT_NE(windup, nullptr);
    EXPECT_NEAR(windup->pitch, 0.62f * 1.05f, 1e-5f);
    // The thrown bun is not an ordinary attack as well.
    EXPECT_EQ(Count(frames[6], ANY_CREATURE_CUE), 0);
}

TEST(AudioSceneBoss, FailedGrabSoundsAsAWindupNeverAsARelease)
{
    World w;
    int g = mudtest::AddBoss(*w.mud, 10.0f, 0.0f, 2);
    int b = Body(w, 11.0f, 1.0f, 1.0f);
    Observer o;
    o.Prime(w);
    MudSlot &G = w.mud->slots[g];
    int windups = 0, throws = 0;
    for (int frame = 0; frame < 12; frame++) {
        if (frame == 1) {
            SetState(G, MUD_GRAB);
            G.heldBun = b;
        }
        if (frame == 3) G.heldBun = -1;    // the bun was taken by a blow before it was lifted
        if (frame == 4) SetState(G, MUD_THROW_WINDUP);
        if (frame == 6) SetState(G, MUD_THROW_FOLLOW);
        std::vector<PendingCue> cues = o.Frame(w, DT);
        windups += Count(cues, AUDIO_CUE_BOSS_WINDUP);
        throws += Count(cues, AUDIO_CUE_BOSS_THROW);
    }
    EXPECT_EQ(windups, 1);
    EXPECT_EQ(throws, 0);
}

TEST(AudioSceneBoss, ArrivalHurtAndDeathEachOnce)
{
    World w;
    Observer o;
    o.Prime(w);
    int boss = MudPoolSpawnBoss(*w.mud, {0.0f, 0.0f, 0.0f}, 1, false);
    ASSERT_GE(boss, 0);
    MudSlot &s = w.mud->slots[boss];
    std::map<int, std::vector<int>> at;
    for (int frame = 0; frame < 30; frame++) {
        if (frame == 5) SetState(s, MUD_EMERGING);
        if (frame == 10) SetState(s, MUD_WALKING);
        if (frame == 12) s.health -= 3.0f;
        if (frame == 20) {
            s.health = 0.0f;
            SetState(s, MUD_CORPSE);
        }
        if (frame > 5 && frame != 10 && frame != 20) SetState(s, s.state);
        for (const PendingCue &c : o.Frame(w, DT)) at[c.id].push_back(frame);
    }
    // Born buried: heard when it comes out, not when it is placed.
    EXPECT_EQ(at[AUDIO_CUE_BOSS_ARRIVAL], (std::vector<int>{5}));
    EXPECT_EQ(at[AUDIO_CUE_BOSS_HURT], (std::vector<int>{12}));
    EXPECT_EQ(at[AUDIO_CUE_BOSS_DEATH], (std::vector<int>{20}));
    EXPECT_EQ(at.size(), 3u);
}

TEST(AudioSceneBoss, AGathererIsHeardAtOnceLowerAndAgainWhenWhole)
{
    World w;
    Observer o;
    o.Prime(w);
    int boss = MudPoolSpawnBoss(*w.mud, {0.0f, 0.0f, 0.0f}, 0, true);
    ASSERT_GE(boss, 0);
    std::vector<PendingCue> first = o.Frame(w, DT);
    const PendingCue *arrival = FindId(first, AUDIO_CUE_BOSS_ARRIVAL);
    ASSERT_NE(arrival, nullptr);
    EXPECT_NEAR(arrival->pitch, 0.94f * 0.8f, 1e-5f);
    EXPECT_EQ(Count(o.Frame(w, DT), AUDIO_CUE_BOSS_ARRIVAL), 0);
    w.mud->slots[boss].gatherer = 0;
    EXPECT_EQ(Count(o.Frame(w, DT), AUDIO_CUE_BOSS_ARRIVAL), 1);
}

// The boss form is read from the pool: one outside 0..2 must not index past the presences.
TEST(AudioSceneBoss, AFormOutsideTheThreeAddsToNoPresence)
{
    for (int form : {-1, 3, 1 << 30}) {
        World w;
        int boss = mudtest::AddBoss(*w.mud, 5.0f, 0.0f, 1);
        w.mud->slots[boss].bossIndex = form;
        Observer o;
        o.Prime(w);
        o.Frame(w, DT);
        SetState(w.mud->slots[boss], MUD_KICK_WINDUP);
        std::vector<PendingCue> cues = o.Frame(w, DT);
        for (float p : o.scene.bossPresence) EXPECT_EQ(p, 0.0f) << form;
        EXPECT_EQ(o.scene.rollingPresence, 0.0f) << form;
        EXPECT_GT(o.scene.danger, 0.0f) << form;
        EXPECT_EQ(Count(cues, AUDIO_CUE_BOSS_WINDUP), 1) << form;
    }
}

// [SECTION] Budgets

// Enough hopping buns next to the player to want far more than the budgets give.
void HoppingCrowd(World &w, int n)
{
    for (int k = 0; k < n; k++) {
        float a = 2.39996f * (float)k, r = 2.0f + 0.15f * (float)k;
        int i = Body(w, r * std::cos(a), r * std::sin(a), 1.0f);
        w.mud->slots[i].state = MUD_HOP_CROUCH;
    }
}

TEST(AudioSceneBudgets, PlayerAndBossCuesSoundWhatTheCrowdLeaves)
{
    World w;
    HoppingCrowd(w, 40);
    int boss = mudtest::AddBoss(*w.mud, 20.0f, 0.0f, 1);
    Observer o;
    o.Prime(w);
    // A crowd of hops uses up the budgets first.
    for (int k = 0; k < 40; k++) SetState(w.mud->slots[k], MUD_HOP_FLIGHT);
    o.Frame(w, DT);
    for (int k = 0; k < 40; k++) {
        SetState(w.mud->slots[k], MUD_RESTING);
        w.mud->slots[k].wounds.woundCount = 1;
    }
    o.Frame(w, DT);
    ASSERT_LT(o.scene.sharedTokens, 1.0f);

    // This frame: 40 new wounds, a blow, a cast, a launch, an exchange, coins and a boss windup.
    for (int k = 0; k < 40; k++) w.mud->slots[k].wounds.woundCount = 2;
    HealthHit(w.health);
    FollowCamera cam{};
    cam.viewHeight = 20.0f;
    CameraFollow(cam, w.listener, {0.0f, 0.0f, 0.0f}, 0.0f, true);
    MeteorCast(w.meteors, w.listener, cam.position, cam.up, cam.viewHeight);
    SpikeLaunch(w.spikes, w.listener, {0.0f, 0.0f, 1.0f});
    w.bindings.swapCount += 1;
    w.coins.wallet += 5;
    SetState(w.mud->slots[boss], MUD_DASH_WINDUP);
    std::vector<PendingCue> cues = o.Frame(w, DT);
    for (int id : {AUDIO_CUE_PLAYER_HURT, AUDIO_CUE_METEOR_CAST, AUDIO_CUE_SPIKE_LAUNCH, AUDIO_CUE_KEY_EXCHANGE, AUDIO_CUE_COIN,
                   AUDIO_CUE_BOSS_WINDUP})
        EXPECT_EQ(Count(cues, id), 1) << id;
    EXPECT_LE(Count(cues, ANY_CREATURE_CUE), 1);
}

TEST(AudioSceneBudgets, TheLoudestCandidatesWinAndTheRestAreNotCarried)
{
    World w;
    Body(w, 12.0f, 0.0f, 1.0f);
    Body(w, 3.0f, 0.0f, 1.0f);
    Body(w, 6.0f, 0.0f, 1.0f);
    Observer o;
    o.Prime(w);
    for (int i = 0; i < 3; i++) w.mud->slots[i].wounds.woundCount = 1;
    std::vector<PendingCue> cues = o.Frame(w, DT);
    ASSERT_EQ(Count(cues, AUDIO_CUE_CUT), 2);
    // The two nearest, loudest first (the pan shows which is which).
    EXPECT_GT(cues[0].gain, cues[1].gain);
    EXPECT_NEAR(cues[0].pan, AudioScenePan(w.listener, w.right, w.mud->slots[1].position), 1e-6f);
    EXPECT_NEAR(cues[1].pan, AudioScenePan(w.listener, w.right, w.mud->slots[2].position), 1e-6f);
    EXPECT_EQ(Count(o.Frame(w, DT), ANY_CREATURE_CUE), 0);
}

struct CrowdRun {
    int perClass[2];              // motion and other creature cues after the first two seconds
    int total, motion, combat;    // all creature cues
    int worstFrame;               // the most creature cues in one frame
    int unbudgeted;               // creature cues an observer with endless budgets sounds
    double seconds;
};

// 48 creatures of every form chasing a still player who keeps eight blades in flight through
// them; the dead are replaced. The mudling update and the blades run at `hz`.
CrowdRun RunCrowd(Soil &soil, float hz, double seconds)
{
    SoilReset(soil);
    World w;
    w.mud->attacksEnabled = 1;
    const float MASSES[4] = {1.0f, 1.0f, 2.0f, 5.0f};
    for (int k = 0; k < MUD_CAPACITY; k++) {
        float a = 2.39996f * (float)k, r = 3.0f + 0.2f * (float)k;
        Body(w, r * std::cos(a), r * std::sin(a), MASSES[k % 4]);
    }
    Observer o, endless;
    o.Prime(w);
    endless.Prime(w);
    CrowdRun run{};
    float dt = 1.0f / hz;
    int frames = (int)std::lround(seconds * hz), thrown = 0;
    for (int f = 0; f < frames; f++) {
        int flying = w.spikes.queueCount;
        for (const Spike &b : w.spikes.slots) flying += b.active;
        if (flying < SPIKE_CAPACITY) {
            float a = 2.39996f * (float)thrown++;
            SpikeLaunch(w.spikes, w.listener, {std::cos(a), 0.0f, std::sin(a)});
        }
        MudPoolUpdate(*w.mud, w.listener, dt, &soil);
        SpikeUpdate(w.spikes, *w.mud, soil, w.listener, w.listener, dt);
        int living = 0;
        for (int i = 0; i < w.mud->count; i++) living += w.mud->slots[i].mass > 0.0f && w.mud->slots[i].state != MUD_FREE;
        if (living < MUD_CAPACITY) MudPoolSpawn(*w.mud, w.listener, true, MASSES[f % 4], MUD_UNIT_SIZE, false);

        endless.scene.sharedTokens = endless.scene.combatTokens = 2.0f;
        endless.scene.motionTokens = 1.0f;
        for (const PendingCue &c : endless.Frame(w, dt)) run.unbudgeted += CreatureCue(c.id);
        int n = 0;
        for (const PendingCue &c : o.Frame(w, dt)) {
            if (!CreatureCue(c.id)) continue;
            n++;
            bool motion = c.id == AUDIO_CUE_HOP || c.id == AUDIO_CUE_LANDING;
            (motion ? run.motion : run.combat)++;
            if ((double)f / hz >= 2.0) run.perClass[motion ? 0 : 1]++;
        }
        run.total += n;
        run.worstFrame = n > run.worstFrame ? n : run.worstFrame;
    }
    run.seconds = frames / (double)hz;
    return run;
}

TEST(AudioSceneBudgets, ACrowdOf48SoundsTheSameAt30And60And144Hz)
{
    static Soil soil;
    ASSERT_TRUE(SoilCreate(soil));
    const double SECONDS = 14.0;
    CrowdRun runs[3] = {RunCrowd(soil, 30.0f, SECONDS), RunCrowd(soil, 60.0f, SECONDS), RunCrowd(soil, 144.0f, SECONDS)};
    SoilRelease(soil);
    for (const CrowdRun &r : runs) {
        EXPECT_LE(r.worstFrame, 2);
        // Within what the budgets hold at the start and refill since.
        EXPECT_LE(r.total, 2 + 9.0 * r.seconds);
        EXPECT_LE(r.motion, 1 + 3.0 * r.seconds);
        EXPECT_LE(r.combat, 2 + 6.0 * r.seconds);
        // The fight wants far more than the budgets give: they, not the crowd, set the pace.
        EXPECT_LT(2 * r.total, r.unbudgeted);
    }
    // The same cues per second of game time at every rate.
    for (int k : {0, 2})
        for (int c = 0; c < 2; c++) EXPECT_NEAR(runs[k].perClass[c], runs[1].perClass[c], 3 + 0.08 * runs[1].perClass[c]) << k << c;
}

// [SECTION] Mood

// A calm start, a crowd closing in, a boss fight, the boss dead and the crowd gone, a row of
// rollers passing: danger, boss presence and the crowd rise and fall with it.
TEST(AudioSceneMood, DangerBossAndCrowdFollowAScriptedScene)
{
    World w;
    Observer o;
    o.Prime(w);
    auto frame = [&] { o.Frame(w, DT); return o.scene; };

    AudioScene calm = frame();
    EXPECT_EQ(calm.danger, 0.0f);

    // Twelve creatures far off, then the same twelve close by.
    for (int k = 0; k < 12; k++) Body(w, 40.0f + (float)k, 0.0f, 1.0f);
    AudioScene far = frame();
    for (int k = 0; k < 12; k++) w.mud->slots[k].position = {3.0f + 0.3f * (float)k, 0.3f, 2.0f};
    AudioScene near = frame();
    EXPECT_EQ(far.danger, 0.0f);
    EXPECT_GT(near.danger, 0.5f);
    EXPECT_EQ(near.bossPresence[1], 0.0f);

    // The walker boss arrives: its presence counts however far it is.
    int boss = mudtest::AddBoss(*w.mud, 80.0f, 0.0f, 1);
    AudioScene distant = frame();
    EXPECT_NEAR(distant.bossPresence[1], 0.34f, 1e-4f);
    w.mud->slots[boss].position = {4.0f, 1.0f, 0.0f};
    AudioScene fight = frame();
    EXPECT_GT(fight.bossPresence[1], 0.9f);
    EXPECT_EQ(fight.bossPresence[0] + fight.bossPresence[2], 0.0f);
    EXPECT_GT(fight.danger, near.danger);

    // The boss dies and the crowd is cleared.
    w.mud->slots[boss].health = 0.0f;
    w.mud->slots[boss].state = MUD_CORPSE;
    for (int k = 0; k < 12; k++) w.mud->slots[k].state = MUD_CORPSE;
    AudioScene after = frame();
    EXPECT_EQ(after.bossPresence[1], 0.0f);
    EXPECT_EQ(after.danger, 0.0f);
    EXPECT_EQ(after.rollingPresence, 0.0f);

    // Three rollers roll by at 5 m.
    for (int k = 0; k < 3; k++) {
        Vector3 at = {5.0f, 0.0f, -2.0f + 2.0f * (float)k};
        MudPoolSpawnRoller(*w.mud, at, {0.0f, 0.0f, 4.3f}, 0.6f);
    }
    AudioScene rows = frame();
    EXPECT_GT(rows.rollingPresence, 0.5f);
    EXPECT_LE(rows.rollingPresence, 1.0f);
    EXPECT_GT(rows.danger, 0.0f);

    AudioState state{};
    state.musicVolume = 0.5f;
    AudioSceneFillState(o.scene, state);
    EXPECT_EQ(state.crowd, rows.rollingPresence);
    EXPECT_EQ(state.danger, rows.danger);
    EXPECT_EQ(state.musicVolume, 0.5f);
}

// [SECTION] Resets, pauses and menus

TEST(AudioSceneLifecycle, APauseReplaysNothingOnResume)
{
    World w;
    w.mud->slots[Body(w, 5.0f, 0.0f, 5.0f)].state = MUD_WALKING;
    Observer o;
    o.Prime(w);
    o.Frame(w, DT);
    // Under the pause the world moves on (a menu reset it, a purchase, a blow...) but nothing sounds.
    SetState(w.mud->slots[0], MUD_KICK_STRIKE);
    w.coins.wallet += 20;
    HealthHit(w.health);
    EXPECT_TRUE(o.Frame(w, 0.0f).empty());
    float shared = o.scene.sharedTokens;
    EXPECT_TRUE(o.Frame(w, 0.0f).empty());
    EXPECT_EQ(o.scene.sharedTokens, shared);
    EXPECT_TRUE(o.Frame(w, DT).empty());
}

TEST(AudioSceneLifecycle, AResetInTheMiddleOfCombatSoundsNothingOfTheOldRun)
{
    World w;
    HoppingCrowd(w, 10);
    w.bindings.swapCount = 3;
    w.support.shotsFired = 4;
    Observer o;
    o.Prime(w);
    o.Frame(w, DT);
    // The run restarts under the observer: counts go down and every slot holds someone new.
    World fresh;
    HoppingCrowd(fresh, 4);
    for (int k = 0; k < 4; k++) SetState(fresh.mud->slots[k], MUD_HOP_FLIGHT);
    fresh.coins.wallet = 7;
    EXPECT_TRUE(o.Frame(fresh, DT).empty());
    // The run goes on normally afterwards.
    fresh.bindings.swapCount = 1;
    EXPECT_EQ(Count(o.Frame(fresh, DT), AUDIO_CUE_KEY_EXCHANGE), 1);
}

TEST(AudioSceneLifecycle, QuietDropsTheFrameAndSilencesTheContinuousSounds)
{
    World w;
    Vector3 at = {6.0f, 0.0f, 0.0f};
    MudPoolSpawnRoller(*w.mud, at, {4.0f, 0.0f, 0.0f}, 0.6f);
    Observer o;
    o.Prime(w);
    w.coins.wallet += 3;
    ASSERT_EQ(Count(o.Frame(w, DT), AUDIO_CUE_COIN), 1);
    // Two more coins within the chime's cooldown wait in the backlog; an exchange is pending.
    w.coins.wallet += 2;
    w.bindings.swapCount += 1;
    AudioSceneObserve(o.scene, *w.mud, w.meteors, w.spikes, w.support, w.health, w.coins, w.bindings, w.campaign, w.listener,
                      w.right, DT);
    ASSERT_GT(o.scene.pendingCount, 0);
    ASSERT_EQ(o.scene.coinBacklog, 2u);
    ASSERT_GT(o.scene.rolling[0].gain, 0.0f);
    AudioSceneQuiet(o.scene);
    EXPECT_EQ(o.scene.coinBacklog, 0u);
    AudioScenePosts posts;
    AudioSceneTakePosts(o.scene, posts);
    EXPECT_EQ(posts.cueCount, 0);
    for (const RollingChannel &c : posts.rolling) EXPECT_EQ(c.gain, 0.0f);
    EXPECT_EQ(o.scene.rocketLevel, 0.0f);
}

// Nothing that is not a number reaches the audio thread: a lost listener or body is silent.
TEST(AudioSceneLifecycle, NonFiniteListenerOrBodiesSoundNothingAndPublishFiniteMoods)
{
    World w;
    HoppingCrowd(w, 6);
    Vector3 at = {5.0f, 0.0f, 0.0f};
    MudPoolSpawnRoller(*w.mud, at, {2.0f, 0.0f, 0.0f}, 0.5f);
    mudtest::AddBoss(*w.mud, 8.0f, 0.0f, 2);
    Observer o;
    o.Prime(w);
    w.listener = {NAN, 0.0f, 0.0f};
    w.right = {INFINITY, 0.0f, 0.0f};
    w.mud->slots[0].position.x = NAN;
    for (int k = 0; k < 6; k++) SetState(w.mud->slots[k], MUD_HOP_FLIGHT);
    SetState(w.mud->slots[7], MUD_PUNCH_WINDUP);
    std::vector<PendingCue> cues = o.Frame(w, DT);
    EXPECT_TRUE(cues.empty());
    AudioState state{};
    AudioSceneFillState(o.scene, state);
    for (float v : {state.danger, state.bossPresence[0], state.bossPresence[1], state.bossPresence[2], state.crowd})
        EXPECT_TRUE(std::isfinite(v));
    for (const RollingChannel &c : o.last.rolling) EXPECT_TRUE(std::isfinite(c.gain) && std::isfinite(c.pan) && std::isfinite(c.pitch));
}

// [SECTION] Rolling channels

TEST(AudioSceneRolling, TheFourNearestKeepTheirChannelsWithinTheMix)
{
    World w;
    // Six rollers at 4..24 m and one beyond 38 m.
    float dist[7] = {4.0f, 8.0f, 12.0f, 16.0f, 20.0f, 24.0f, 39.0f};
    for (float d : dist) {
        Vector3 at = {0.0f, 0.0f, d};
        ASSERT_GE(MudPoolSpawnRoller(*w.mud, at, {2.0f, 0.0f, 0.0f}, 0.5f), 0);
    }
    Observer o;
    o.Prime(w);
    o.Frame(w, DT);
    int owners[4];
    float sumSq = 0.0f;
    for (int c = 0; c < 4; c++) {
        owners[c] = o.last.rolling[c].owner;
        sumSq += o.last.rolling[c].gain * o.last.rolling[c].gain;
        EXPECT_GT(o.last.rolling[c].gain, 0.0f);
    }
    EXPECT_EQ(owners[0], 0);
    EXPECT_EQ(owners[3], 3);
    EXPECT_LE(std::sqrt(sumSq), 0.7f + 1e-5f);

    // The fifth roller comes slightly nearer than the fourth: the owner's favour keeps the order.
    w.mud->slots[4].position.z = 15.6f;
    o.Frame(w, DT);
    for (int c = 0; c < 4; c++) EXPECT_EQ(o.last.rolling[c].owner, owners[c]);
    // Much nearer: it takes over the fourth one's channel.
    w.mud->slots[4].position.z = 13.0f;
    o.Frame(w, DT);
    EXPECT_EQ(o.last.rolling[3].owner, 4);
    EXPECT_EQ(o.last.rolling[0].owner, 0);

    // Beyond 38 m nothing is heard even alone.
    World lone;
    Vector3 at = {0.0f, 0.0f, 38.5f};
    MudPoolSpawnRoller(*lone.mud, at, {2.0f, 0.0f, 0.0f}, 0.5f);
    Observer l;
    l.Prime(lone);
    l.Frame(lone, DT);
    for (const RollingChannel &c : l.last.rolling) EXPECT_EQ(c.gain, 0.0f);
}

TEST(AudioSceneRolling, SilentWhileDeadOrInVictory)
{
    World w;
    Vector3 at = {0.0f, 0.0f, 5.0f};
    MudPoolSpawnRoller(*w.mud, at, {2.0f, 0.0f, 0.0f}, 0.5f);
    Observer o;
    o.Prime(w);
    o.Frame(w, DT);
    EXPECT_GT(o.last.rolling[0].gain, 0.0f);
    w.campaign.phase = CAMPAIGN_VICTORY;
    o.Frame(w, DT);
    EXPECT_EQ(o.last.rolling[0].gain, 0.0f);
    w.campaign.phase = CAMPAIGN_ORDINARY;
    w.health.quarters = 0;
    o.Frame(w, DT);
    EXPECT_EQ(o.last.rolling[0].gain, 0.0f);
    EXPECT_EQ(o.last.rolling[0].owner, 0);
}

// [SECTION] Shuttle

TEST(AudioSceneShip, TheRocketFadesWithinTwoSecondsOfDepartureAndIsSilentWhileDead)
{
    World w;
    ShipReset(w.ship, {0.0f, 0.0f, 0.0f}, 0.3f);
    w.ship.enabled = true;
    w.ship.phase = SHIP_LAUNCHING;
    w.ship.phaseTime = 2.0f;
    w.ship.altitude = 5.0f;
    Observer o;
    o.Prime(w);
    o.Frame(w, DT);
    EXPECT_GT(o.scene.rocketLevel, 0.2f);
    EXPECT_EQ(o.scene.finale, 1.0f);
    float pan = o.scene.rocketPan;
    EXPECT_LE(std::fabs(pan), 0.34f);

    // While the player is dead the step is 0: no engine, the finale stays.
    o.Frame(w, 0.0f);
    EXPECT_EQ(o.scene.rocketLevel, 0.0f);
    EXPECT_EQ(o.scene.finale, 1.0f);

    w.ship.phase = SHIP_DEPARTED;
    float last = 1.0f;
    for (int k = 1; k <= 25; k++) {
        w.ship.phaseTime = 0.1f * (float)k;
        o.Frame(w, DT);
        EXPECT_LE(o.scene.rocketLevel, last) << k;
        last = o.scene.rocketLevel;
        if (k >= 20) {
            EXPECT_EQ(o.scene.rocketLevel, 0.0f) << k;
        }
    }
}

TEST(AudioSceneShip, TheCrystalIsHeardWhenTakenAndWhenInstalled)
{
    World w;
    ShipReset(w.ship, {0.0f, 0.0f, 0.0f}, 0.3f);
    w.ship.enabled = true;
    Observer o;
    o.Prime(w);
    const ShipCrystalState path[] = {SHIP_CRYSTAL_NONE, SHIP_CRYSTAL_DROPPED, SHIP_CRYSTAL_DROPPED, SHIP_CRYSTAL_ATTRACTED,
                                     SHIP_CRYSTAL_CARRIED, SHIP_CRYSTAL_CARRIED, SHIP_CRYSTAL_INSTALLING, SHIP_CRYSTAL_INSTALLED};
    std::vector<int> ids;
    for (ShipCrystalState s : path) {
        w.ship.crystalState = s;
        for (const PendingCue &c : o.Frame(w, DT)) ids.push_back(c.id);
    }
    EXPECT_EQ(ids, (std::vector<int>{AUDIO_CUE_CRYSTAL_TAKEN, AUDIO_CUE_CRYSTAL_INSTALLED}));
    // A shuttle that was not seen the frame before does not sound its change.
    w.ship.enabled = false;
    o.Frame(w, DT);
    w.ship.enabled = true;
    w.ship.crystalState = SHIP_CRYSTAL_DROPPED;
    o.Frame(w, DT);
    w.ship.enabled = false;
    o.Frame(w, DT);
    w.ship.enabled = true;
    w.ship.crystalState = SHIP_CRYSTAL_ATTRACTED;
    EXPECT_TRUE(o.Frame(w, DT).empty());
}

}  // namespace
