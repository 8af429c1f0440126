// The developer player: a bot that sees only what the screen shows and answers with the frame's
// input snapshot, the way a keyboard and a mouse fill it. In a run it walks away from crowds,
// calls the meteor down under the key the HUD shows for it and steps out, throws the blade at the
// nearest creature it faces, gathers eyes, takes the crystal to the shuttle and boards; on the
// menus it buys upgrades in the shop by clicking their buttons and starts the next run.
//
// Pure: no window. BotSee and BotMenuSee are its eyes (what is drawn: bodies, eyes, markers, the
// HUD's key labels, cooldown sectors and hearts, the menu's cards); BotPlay and BotMenu decide
// from that alone.
//
// Index
//   [SECTION] Sight
//   [SECTION] Bot
#pragma once

#include "app/field.h"
#include "app/input.h"
#include "frontend/menu.h"

#include <cstdint>

// [SECTION] Sight

constexpr int BOT_EYE_CAPACITY = 64;         // eyes on screen the bot keeps track of
constexpr int BOT_CAST_MEMORY = 8;           // own meteors and blades remembered
constexpr float BOT_VIEW_ASPECT = 16.0f / 9.0f;

// A creature as drawn: where it is, how big, and what its pose gives away.
struct BotCreature {
    Vector3 position;
    Vector3 velocity;       // metres per second, as it moved in the last frame
    float radius;           // drawn body radius, metres
    uint8_t boss;           // a health bar or an edge marker
    uint8_t gathering;      // the gold-framed boss still assembling: blows do nothing yet
    uint8_t lunging;        // a windup, dash, kick, punch, leap or a thrown body
    uint8_t roller;         // a clod of a rolling row
};

// What the screen shows of a run.
struct BotSight {
    bool alive;             // hearts left (or the run is won and the astronaut aboard)
    bool aboard;            // the astronaut is in the shuttle
    bool victoryScreen;     // the shuttle has gone: "Выйти в меню"
    Vector3 player;
    float yaw;              // the astronaut's facing
    float speed;            // metres per second the astronaut walks now
    Vector3 screenRight;    // ground direction of the screen's right, unit
    Vector3 screenUp;       // ground direction of the screen's up, unit
    int slotKey[BINDINGS_SLOT_COUNT];   // the HUD's labels: key index 0..5 of each slot
    float cooldown[BINDINGS_ABILITY_SLOTS];  // the cooldown sectors, seconds
    int quarters, maxQuarters;          // hearts, in quarters
    bool campaign;          // the level clock is shown
    int level, phase;       // "Уровень n"; 1 "БОСС", 2 the victory
    BotCreature creatures[MUD_CAPACITY];
    int creatureCount;
    Vector3 eyes[BOT_EYE_CAPACITY];
    int eyeCount;
    int crystalState;       // ShipCrystalState: the crystal's marker and where it floats
    Vector3 crystal;
    int shipPhase;          // ShipPhase: smoke, repaired hull, open hatch, lift-off
    Vector3 ship;           // the shuttle's base ("Шаттл" marker)
    Vector3 hatch;          // "Люк"
    Rectangle exitButton;   // the victory screen's button, letterbox pixels
};

// What a menu screen shows: which screen and dialog, its buttons, the wallet and the cards'
// levels and prices.
struct BotMenuSight {
    int screen;             // MenuScreen
    int dialog;             // MenuDialog
    bool runActive;         // the pause screen offers "Играть" back into the run
    uint64_t wallet;
    int level[SHOP_UPGRADE_COUNT];
    uint64_t price[SHOP_UPGRADE_COUNT];   // 0 at the maximum
    MenuFocusItem controls[MENU_FOCUS_CAPACITY];   // the screen's buttons, canvas rectangles
    int controlCount;
    float windowWidth, windowHeight;
};

// The creatures within the camera's view, bosses off screen too (their edge markers), eyes in
// view, the crystal and shuttle markers, and the HUD.
// `dt` is the time step of the frame just stepped (how far things moved), `letterbox` the view.
void BotSee(const Field &field, float dt, Rectangle letterbox, BotSight &sight);
void BotMenuSee(const MenuState &menu, const Profile &profile, bool runActive, float windowWidth,
                float windowHeight, BotMenuSight &sight);

// [SECTION] Bot

// A meteor the bot called down, or a blade it threw: it knows where and when.
struct BotCast {
    Vector3 at;             // the meteor's target, or the blade's launch point
    Vector3 direction;      // the blade's line, unit; zero for a meteor
    float age;              // seconds since the press
};

struct BotStats {
    int meteors;            // meteor presses that were not refused by a cooldown the HUD showed
    int blades;
    int purchases;          // clicks on an affordable buy button
    int runsStarted;
};

struct Bot {
    uint32_t rng;           // xorshift state: the wandering goals
    float clock;            // seconds of game frames seen
    int moveSlot;           // screen direction held (SLOT_UP..SLOT_RIGHT), -1 none
    int heldKey;            // key index held for it, -1 none
    float moveHold;         // seconds the current direction has been held
    float aimTime;          // seconds spent turning towards a target
    Vector3 roam;           // where the bot wanders while nothing calls it
    float roamTimer;
    BotCast meteors[BOT_CAST_MEMORY];
    int meteorCount;
    BotCast blades[BOT_CAST_MEMORY];
    int bladeCount;
    int lastQuarters;       // hearts last frame: a blow makes the bot more careful for a while
    float hurtTimer;
    // Menus: one action at a time, the mouse moved onto a button before it is clicked.
    int menuWait;           // frames before the next menu action
    bool menuAimed;         // the mouse stands on the button to click
    Vector2 menuTarget;     // window pixels
    Vector2 mouse;          // where the bot's mouse is, window pixels
    bool shopDone;          // the shop was visited since the last run ended
    float victoryWait;      // seconds the victory screen has been up
    int shopPlan;           // next entry of the shopping list
    BotStats stats;
};

// A fresh bot; `seed` varies its wandering.
void BotReset(Bot &bot, uint32_t seed);
// One game frame: the snapshot of the keys (and on the victory screen the exit key) from what
// the screen shows. `dt` is the frame time the snapshot carries; `viewOrigin` the letterbox's
// top-left corner in the window.
void BotPlay(Bot &bot, const BotSight &sight, float dt, Vector2 viewOrigin, FrameInput &input);
// One menu frame: skip the comic, buy from the shopping list while the wallet allows, play.
void BotMenu(Bot &bot, const BotMenuSight &sight, float dt, FrameInput &input);
