// Developer self-checks of the player's fight (meteor, spike, health, support), without a window,
// and the headless combat benchmark with its scene.
#pragma once

#include "mud/mud_pack.h"
#include "mud/mud_pool.h"
#include "player/meteor.h"
#include "player/spike.h"
#include "player/support.h"

struct Soil;

// "--test-meteor": the player struck once or never at 30, 60 and 144 Hz, the slot's 2.74 s, a
// long step against short ones, the queue's 64, invalid steps. One line per named check and
// "N passed, N failed"; 0 when all hold.
int DevTestMeteor();
// "--test-spike": the blade's 1.25 m rise, 25 m range, return and hover, cuts once each way,
// the player struck only on the return, a 5 s update against 300, the queue's 32, invalid steps.
int DevTestSpike();
// "--test-health": blows against invulnerability, immortality and death, the second blow of a
// persistent contact and regeneration's quarters on their frames at 30, 60 and 144 Hz.
int DevTestHealth();
// "--test-support": the drone's and the repel's schedules at three rates, what a pulse moves,
// where bolts end, both aids off, invalid steps.
int DevTestSupport();
// "--benchmark-combat": 45 wounded and attacking creatures of every form, two bosses, 8 blades
// and 8 meteors kept in flight, the drone and the repel, 3600 steps at 1/60 s; median, p99 and
// max milliseconds (wall clock and processor time) of the creatures, the weapons, the support,
// the contact queries, the render packing and their sum. 0 on completion, 1 when the soil cannot
// be allocated.
int DevBenchmarkCombat();

// The benchmark's scene, also run by bench/combat_bench.cpp.
struct DevCombatScene {
    MudPool pool;
    MeteorSystem meteors;
    SpikeSystem spikes;
    Support support;
    MudPackRecord pack;
    MeteorRender meteorRender;
    SpikeRender spikeRender;
    Soil *soil;
    int step;
    Vector3 player;           // circling 7 m around the centre at 2.45 m/s
    int strikes;              // own meteors and blades that reached the player
    int contacts;             // steps a creature's body or attack touched the player
};

// Milliseconds one step spent in each part, on the wall clock and in processor time (which
// leaves out the time other programs had the processor).
struct DevCombatTimes {
    double mud, weapons, support, queries, pack;
    double mudCpu, weaponsCpu, supportCpu, queriesCpu, packCpu;
};

// Fills the scene: creatures on rings around the player, a third of them carrying a cavity and
// a third a cut, the two bosses, no weapon yet. `soil` is reset and kept for the step.
void DevCombatSceneReset(DevCombatScene &scene, Soil &soil);
// One step of 1/60 s in the game's order: weapons topped up to 8 of each, creatures, support,
// meteors and blades, contact queries, render packing; creatures that died are replaced.
// `times` may be null.
void DevCombatSceneStep(DevCombatScene &scene, DevCombatTimes *times);
