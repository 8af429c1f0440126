// A small world for the scene audio observer: the pool and every system it reads, a listener at
// the origin hearing along +x, and helpers that observe one frame and take what it posts.
#pragma once

#include "audio/audio_scene.h"
#include "tests/mud/mud_fixture.h"

#include <cstring>
#include <memory>
#include <vector>

namespace scenetest {

struct World {
    std::unique_ptr<MudPool> mud = mudtest::NewPool(0);
    MeteorSystem meteors{};
    SpikeSystem spikes{};
    Support support{};
    Health health{};
    EyeCoins coins{};
    Bindings bindings{};
    Campaign campaign{};
    Ship ship{};
    Vector3 listener = {0.0f, 0.0f, 0.0f};
    Vector3 right = {1.0f, 0.0f, 0.0f};

    World()
    {
        mud->mergeEnabled = 0;
        mud->attacksEnabled = 0;
        MeteorReset(meteors);
        SpikeReset(spikes);
        SupportReset(support);
        HealthReset(health);
        BindingsReset(bindings, 11u);
    }
};

struct Observer {
    AudioScene scene{};
    Observer() { AudioSceneReset(scene); }

    // One frame's observation, the shuttle's after it; returns the cues the frame posts.
    std::vector<PendingCue> Frame(const World &w, float dt)
    {
        AudioSceneObserve(scene, *w.mud, w.meteors, w.spikes, w.support, w.health, w.coins, w.bindings, w.campaign, w.listener,
                          w.right, dt);
        AudioSceneObserveShip(scene, w.ship, w.listener, w.right, dt);
        AudioScenePosts posts;
        AudioSceneTakePosts(scene, posts);
        last = posts;
        return std::vector<PendingCue>(posts.cues, posts.cues + posts.cueCount);
    }
    // Reset and the priming observation of a new run.
    void Prime(const World &w)
    {
        AudioSceneReset(scene);
        Frame(w, 0.0f);
    }
    AudioScenePosts last{};
};

inline int CountId(const std::vector<PendingCue> &cues, int id)
{
    int n = 0;
    for (const PendingCue &c : cues) n += c.id == id;
    return n;
}

inline const PendingCue *FindId(const std::vector<PendingCue> &cues, int id)
{
    for (const PendingCue &c : cues)
        if (c.id == id) return &c;
    return nullptr;
}

// Ordinary creature cues: hop, landing, attack, cut, creature hurt.
inline bool CreatureCue(int id) { return id >= AUDIO_CUE_HOP && id <= AUDIO_CUE_CREATURE_HURT; }

// A slot given a state as the creature code would leave it: the timer restarts when the state
// changes and runs on while it stays.
inline void SetState(MudSlot &s, int state, float dt = 1.0f / 60.0f)
{
    if (s.state != state) {
        s.state = state;
        s.timer = 0.0f;
    } else {
        s.timer += dt;
    }
}

}  // namespace scenetest
