// Developer self-checks of the scene audio observer ("--test-audio-scene", no window) and the
// scripted worlds it is heard in: the captures of "--capture-audio" render them offline through
// the synthesiser, and bench/audio_scene_bench.cpp times the observer on the crowd.
#pragma once

#include "audio/audio_scene.h"
#include "world/camera.h"
#include "world/soil.h"

#include <cstdint>
#include <vector>

// The observer's tables: distance, boss range and stereo, held attacks, recycled slots, coin
// bursts, shrinking wallets, the budgets under a crowd at 30, 60 and 144 Hz, and the mood of a
// scripted level. One line per named check and "N passed, N failed"; 0 when all hold.
int DevTestAudioScene();

enum DevAudioScript : uint8_t {
    DEV_AUDIO_SCRIPT_CROWD,       // 48 creatures of every form, 8 meteors and 8 blades kept in flight
    DEV_AUDIO_SCRIPT_BOSS_FIGHT,  // the golem boss with buns to throw, struck by meteors and blades until it dies
    DEV_AUDIO_SCRIPT_WEAPONS,     // one meteor and one blade through a few buns
    DEV_AUDIO_SCRIPT_COINS,       // a burst of thirty coins, a run of single ones, a capped heap
    DEV_AUDIO_SCRIPT_ROLLING_ROW, // two rows of seven rollers passing the player
    DEV_AUDIO_SCRIPT_FINALE,      // the crystal taken and installed, the launch and the departure
    DEV_AUDIO_SCRIPT_LEVEL,       // menu, calm, a crowd, a boss fight, calm again, the pause menu
};

// A small run for the observer: the pool and every system it reads, a standing player at the
// origin with the follow camera, and the observer itself. Heap-sized (the pool, the soil's grids):
// make it with new or make_unique.
struct DevAudioWorld {
    MudPool pool;
    MeteorSystem meteors;
    SpikeSystem spikes;
    Support support;
    Health health;
    EyeCoins coins;              // only the wallet is used: no eye storage is ever allocated
    Bindings bindings;
    Campaign campaign;
    Ship ship;
    Soil soil;                   // grids made by the first reset, freed by DevAudioWorldRelease
    FollowCamera camera;
    Vector3 player;
    AudioScene scene;
    DevAudioScript script;
    double time;                 // seconds of game time since the reset
    int frame;
    int thrown;                  // blades and meteors thrown so far
    int bossSlot;                // the script's boss, -1 before it is summoned
    double bossDied;             // game time of the boss's death, -1 while it lives
};

// Sets the script's world up and primes the observer (a reset and one observation at dt 0).
// False (one log line) when the soil cannot be allocated.
bool DevAudioWorldReset(DevAudioWorld &world, DevAudioScript script);
// Frees the soil's grids; safe twice.
void DevAudioWorldRelease(DevAudioWorld &world);
// The music context at the world's time: the level starts under the main menu and ends paused.
int32_t DevAudioWorldContext(const DevAudioWorld &world);
// One frame of the script's world (creatures, weapons, contacts, the scripted events) without
// the observer; nothing under a menu.
void DevAudioWorldStep(DevAudioWorld &world, float dt);
// The observer's part of the frame, as the game runs it: under a menu AudioSceneQuiet, else
// AudioSceneObserve and AudioSceneObserveShip with the player as listener and the camera's right.
void DevAudioWorldObserve(DevAudioWorld &world, float dt);

// The synthesiser's view of the music at one moment of a render.
struct DevAudioMoment {
    float time;                  // seconds
    int32_t context;
    float play;                  // weight of the play context
    float danger, crowd, bossLayer, finale;  // smoothed values
    float battle;                // battle rock's weight: play x (1 - 0.82 boss layer)
    float boss;                  // the boss layer's: 1.1 x boss layer x play
    float sceneDanger, sceneBoss[3], sceneCrowd;  // what the observer published
};

struct DevAudioRender {
    std::vector<float> samples;  // interleaved stereo at 48 kHz
    std::vector<DevAudioMoment> moments;  // every half second
    int cues[AUDIO_CUE_COUNT];   // cues posted per id
    int frames;                  // game frames
    int worstCreatureFrame;      // most ordinary creature cues in one frame
    double bossDied;             // game time of the boss's death, -1 if it did not die
};

// Renders `seconds` of a script at `hz` game frames per second through an offline engine, each
// frame posting what the game would: the state with the observer's mood values, the cues and the
// rolling channels. False when the world or the engine cannot be made.
bool DevAudioSceneRender(DevAudioScript script, float hz, float seconds, DevAudioRender &out);
