// Shuttle developer checks without a window, and the scripted finale the checks and the
// "--ship-demo" capture play.
#pragma once

#include "campaign/ship.h"
#include "player/player.h"

// The finale played by a scripted astronaut, from the final boss's gate to the departure.
struct DevShipScript {
    Ship ship;
    Player player;
    float time;              // seconds since the script began
    Vector3 passAim;         // far point the run past the crystal aims at
    bool passing;
    int drops;               // crystals dropped
    int victories;           // steps that reported the departure
    float dropTime, pickupTime, installTime, repairTime, boardTime, departTime;   // seconds; -1 until then
    float installDistance;   // metres from the base when the crystal flew in
    float boardDistance;     // metres from the hatch when boarding
    float closestToBase;     // metres, over the whole run
    bool carriedFollows;     // the carried crystal stayed above the player
};

// The run's start: the player at the centre, the wreck beside it, the final gate ahead.
void DevShipScriptReset(DevShipScript &script);
// One frame in the loop's order: the boss watch around the campaign, the player's move along
// the hull, the shuttle step.
void DevShipScriptStep(DevShipScript &script, float dt);
// The boss's gate and death times of the script (seconds).
constexpr float DEV_SHIP_GATE_TIME = 0.5f;
constexpr float DEV_SHIP_BOSS_DEATH = 1.5f;

// "--test-ship": placement, the finale at 30, 60 and 144 Hz, the drop rules, frozen steps.
int DevTestShip();
// "--test-ship-obstacle": fast bodies at the hull from every side, arena corners, launch.
int DevTestShipObstacle();
