// Scene audio observer: the world never calls the sound system. Once per game frame the observer
// compares what it sees with what it saw the frame before and turns the differences into sound:
// a cue for each thing that just happened, placed in stereo around the listener (the player, with
// the camera's right as the stereo axis) and faded with distance; the slow mood values the music
// follows (danger, boss presence, the rolling crowd, the finale and the rocket); and four
// continuous rolling channels for the nearest rollers. Crowds pass through priorities and token
// budgets; the player's own events and boss events never compete with them.
//
// Observing is pure (it reads the world and writes only the AudioScene); AudioScenePublish is the
// one call that posts, and AudioSceneTakePosts hands the same posts to a caller instead.
//
// Index
//   [SECTION] Constants
//   [SECTION] Records
//   [SECTION] Curves
//   [SECTION] Interface
#pragma once

#include "audio/audio.h"
#include "campaign/campaign.h"
#include "campaign/eye_coins.h"
#include "campaign/ship.h"
#include "mud/mud_pool.h"
#include "player/bindings.h"
#include "player/health.h"
#include "player/meteor.h"
#include "player/spike.h"
#include "player/support.h"
#include "raylib.h"

#include <cstdint>

// [SECTION] Constants

constexpr int AUDIO_SCENE_PENDING_CAPACITY = 32;   // cues one frame may queue
constexpr int AUDIO_SCENE_CUES_PER_FRAME = 2;      // ordinary creature cues one frame may sound
constexpr float AUDIO_SCENE_MIN_GAIN = 0.012f;     // quieter cues are not queued
constexpr float AUDIO_SCENE_MIN_CANDIDATE = 0.02f; // quieter creature events are not candidates
constexpr float AUDIO_SCENE_PAN_LIMIT = 0.72f;
constexpr float AUDIO_SCENE_BOSS_PAN = 0.9f;       // boss cues: pan x this
constexpr float AUDIO_SCENE_BOSS_HORIZON = 96.0f;  // metres: bosses are silent beyond
constexpr int AUDIO_SCENE_COIN_BACKLOG_MAX = 64;
constexpr float AUDIO_SCENE_COIN_COOLDOWN = 0.095f;  // seconds between coin chimes

// Token budgets: capacity and refill per second.
constexpr float AUDIO_SCENE_SHARED_TOKENS = 2.0f;
constexpr float AUDIO_SCENE_SHARED_RATE = 9.0f;
constexpr float AUDIO_SCENE_MOTION_TOKENS = 1.0f;
constexpr float AUDIO_SCENE_MOTION_RATE = 3.0f;
constexpr float AUDIO_SCENE_COMBAT_TOKENS = 2.0f;
constexpr float AUDIO_SCENE_COMBAT_RATE = 6.0f;

// Scene cue ids (the voices are the synthesiser's).
constexpr int AUDIO_CUE_METEOR_CAST = 6;
constexpr int AUDIO_CUE_METEOR_IMPACT = 7;
constexpr int AUDIO_CUE_SPIKE_LAUNCH = 8;
constexpr int AUDIO_CUE_SPIKE_RETURN = 9;
constexpr int AUDIO_CUE_PLAYER_HURT = 10;
constexpr int AUDIO_CUE_PLAYER_DEATH = 11;
constexpr int AUDIO_CUE_PLAYER_REVIVE = 12;
constexpr int AUDIO_CUE_COIN = 13;
constexpr int AUDIO_CUE_BOSS_ARRIVAL = 14;
constexpr int AUDIO_CUE_BOSS_WINDUP = 15;
constexpr int AUDIO_CUE_BOSS_DASH = 16;
constexpr int AUDIO_CUE_BOSS_KICK = 17;
constexpr int AUDIO_CUE_BOSS_PUNCH = 18;
constexpr int AUDIO_CUE_BOSS_THROW = 19;
constexpr int AUDIO_CUE_BOSS_HURT = 20;
constexpr int AUDIO_CUE_BOSS_DEATH = 21;
constexpr int AUDIO_CUE_DRONE_SHOT = 23;
constexpr int AUDIO_CUE_REPEL = 24;
constexpr int AUDIO_CUE_KEY_EXCHANGE = 25;
constexpr int AUDIO_CUE_HOP = 27;
constexpr int AUDIO_CUE_LANDING = 28;
constexpr int AUDIO_CUE_ATTACK = 29;
constexpr int AUDIO_CUE_CUT = 30;
constexpr int AUDIO_CUE_CREATURE_HURT = 31;
constexpr int AUDIO_CUE_CRYSTAL_TAKEN = 32;
constexpr int AUDIO_CUE_CRYSTAL_INSTALLED = 33;

// [SECTION] Records

// What one mudling slot held last frame. A slot is reused by another creature without notice, so
// the memory keeps the creature's identity: the random phase and the birth point, both drawn anew
// for every creature placed in a slot.
struct CreatureMemory {
    float identity;          // the slot's random phase offset
    float birthX, birthZ;    // its spawn point
    float timer;             // seconds in its state
    float health;            // boss hit points
    float mass;              // clods
    float removedVolume;     // clay taken by wounds, m^3
    float plasma;            // plasma scorch level
    int32_t state;           // MudState
    int32_t heldBun;         // the bun a golem holds; -1
    int32_t woundCount;
    uint8_t valid;           // the slot held a creature last frame
    uint8_t gatherer;
    uint8_t planarCut;       // a living planar cut
    uint8_t split;           // a corpse in two halves
    uint8_t boss, roller, pad[2];
};

// What one meteor or blade slot held last frame.
struct EffectMemory {
    float identity;          // the meteor's or blade's look value
    float phaseTime;         // seconds in its phase
    int32_t phase;
    uint8_t valid, pad[3];
};

// One continuous rolling rumble and the roller that owns it.
struct RollingChannel {
    int32_t owner;           // mudling slot; -1 when free
    float ownerIdentity;     // the owner's phase offset
    float pan, gain, pitch;
};

struct PendingCue {
    int32_t id;
    float pan, gain, pitch;
};

// One per program: the observer's memory of the previous frame, this frame's cues, the budgets
// and the mood values. Plain data; a new run resets it.
struct AudioScene {
    CreatureMemory creatures[MUD_CAPACITY];
    EffectMemory meteors[METEOR_CAPACITY];
    EffectMemory spikes[SPIKE_CAPACITY];
    RollingChannel rolling[AUDIO_SPATIAL_SLOTS];
    PendingCue pending[AUDIO_SCENE_PENDING_CAPACITY];
    int32_t pendingCount;            // 0..32
    int32_t lastHealth;              // health quarters last frame
    uint64_t lastCoins;              // the wallet last frame
    uint64_t coinBacklog;            // pickups not yet sounded, at most 64
    uint64_t lastMeteorCasts;        // accepted casts last frame (admitted + waiting)
    uint64_t lastSpikeLaunches;
    int32_t lastDroneShots, lastRepelPulses, lastSwaps, lastSlotCount;
    float danger;                    // 0..1
    float bossPresence[3];           // per boss form, each 0..1
    float rollingPresence;           // 0..1: the crowd value of the music
    float coinCooldown;              // seconds until the next coin chime may sound
    float lastHitFlash;              // the health hit flash last frame
    float finale, rocketLevel, rocketPan, rocketDrive;
    float sharedTokens, motionTokens, combatTokens;
    int32_t coinChimes;              // chimes played: the chime's step on the scale
    uint8_t primed, pad0[3];         // an observation has happened since the reset
    int32_t lastCrystalState;        // ShipCrystalState last frame
    uint8_t shuttleSeen, pad1[3];    // a shuttle was observed last frame
};

// What a frame posts, in publication order: the pending cues, then the four rolling channels.
struct AudioScenePosts {
    PendingCue cues[AUDIO_SCENE_PENDING_CAPACITY];
    int32_t cueCount;
    RollingChannel rolling[AUDIO_SPATIAL_SLOTS];
};

// [SECTION] Curves

// Distance fade (1 - smoothstep(d / horizon)) / (1 + 0.0075 d^2): 0 at the horizon and beyond, 0
// for a non-finite distance.
float AudioSceneAttenuation(float distance, float horizon);
// The boss fade (1 - smoothstep(d / 96)) / (1 + 0.0003 d^2).
float AudioSceneBossAttenuation(float distance);
// Stereo position of `source` for a listener at `listener` whose right is `right`, on the ground
// plane: 0.72 x (right . d) / (|right| sqrt(d^2 + 9)), within +-0.72; 0 without a horizontal right
// or for non-finite input.
float AudioScenePan(Vector3 listener, Vector3 right, Vector3 source);

// [SECTION] Interface

// Zero-fill; rolling channels free; budgets full (shared 2, motion 1, combat 2). An observation
// with dt 0 should follow, so the first frame of a run never sounds the world it starts with.
void AudioSceneReset(AudioScene &scene);
// The frame's observation: the differences since the last one become pending cues (only when dt
// is finite and positive and the scene is primed), the mood values and the rolling channels follow
// the world, and the memories are refreshed. Reads the world only.
void AudioSceneObserve(AudioScene &scene, const MudPool &mudlings, const MeteorSystem &meteors, const SpikeSystem &spikes,
                       const Support &support, const Health &health, const EyeCoins &eyeCoins, const Bindings &bindings,
                       const Campaign &campaign, Vector3 listenerPosition, Vector3 listenerRight, float dt);
// The shuttle's sounds after the frame's observation: the crystal taken and installed, the finale
// and the rocket engine. dt is 0 while the player is dead.
void AudioSceneObserveShip(AudioScene &scene, const Ship &shuttle, Vector3 listenerPosition, Vector3 listenerRight, float dt);
// A frame under a menu: the pending cues and the coin backlog are dropped, the rocket and the
// rolling channels fall silent.
void AudioSceneQuiet(AudioScene &scene);
// Writes danger, the boss presences, the crowd, the finale and the rocket into `state`; the other
// fields are the publisher's.
void AudioSceneFillState(const AudioScene &scene, AudioState &state);
// The frame's posts without posting them: the pending cues (then no longer pending) and the four
// rolling channels.
void AudioSceneTakePosts(AudioScene &scene, AudioScenePosts &out);
// Posts the pending cues in order (AudioPostCue), then the four rolling channels (AudioPostSpatial).
void AudioScenePublish(AudioScene &scene);
