// The encyclopedia of creatures: which kinds the player has seen (a bit set in the profile,
// bit i = entry i), the scrolling list of the seven entries with their descriptions and turning
// clay specimens, and the button that replays the opening comic.
//
// Pure except EncyclopediaDraw (encyclopedia_draw.cpp), which needs the window.
#pragma once

#include "frontend/menu.h"
#include "frontend/specimen.h"
#include "mud/mud_pool.h"

#include <cstdint>

constexpr int ENCYCLOPEDIA_ENTRY_COUNT = 7;
constexpr int32_t ENCYCLOPEDIA_KNOWN_BITS = 0x7F;   // bits 0..6; anything else never reaches the profile
constexpr float ENCYCLOPEDIA_SIGHT_FACTOR = 0.82f;  // sighting radius per metre of the camera's view height
constexpr float ENCYCLOPEDIA_MIN_EMERGENCE = 0.045f;
constexpr float ENCYCLOPEDIA_SCROLL_MAX = 954.0f;
constexpr float ENCYCLOPEDIA_WHEEL_STEP = 84.0f;    // canvas pixels per wheel notch
constexpr Rectangle ENCYCLOPEDIA_VIEWPORT = {44.0f, 222.0f, 1192.0f, 404.0f};
constexpr Rectangle ENCYCLOPEDIA_COMIC_RECT = {54.0f, 151.0f, 1144.0f, 53.0f};
constexpr Rectangle ENCYCLOPEDIA_BAR_RECT = {1217.0f, 232.0f, 13.0f, 384.0f};
constexpr float ENCYCLOPEDIA_BAR_GROW = 10.0f;      // the bar takes presses this far on each side
constexpr float ENCYCLOPEDIA_THUMB = 0.29749632f * 384.0f;
constexpr int ENCYCLOPEDIA_ID_BAR = 70;
constexpr int ENCYCLOPEDIA_ID_COMIC = 71;
constexpr int ENCYCLOPEDIA_ID_ROW = 80;             // + row: focus only, never a hover target

struct EncyclopediaEntry {
    const char *name;
    const char *description;
};

extern const EncyclopediaEntry ENCYCLOPEDIA_ENTRIES[ENCYCLOPEDIA_ENTRY_COUNT];
extern const EncyclopediaEntry ENCYCLOPEDIA_UNKNOWN;   // shown for an entry not yet seen

// [SECTION] Sightings

// The entries seen from `player` this frame: every living, formed creature within `radius`
// metres (horizontally) sets its bit: boss 4 + its number, roller 3, else by mass 2, 1 or 0.
// Only bits 0..6; nothing for a bad position or radius.
int32_t EncyclopediaSighted(const MudPool &pool, Vector3 player, float radius);
// ORs this frame's sightings within 0.82 x `viewHeight` into the profile's discoveries; true when
// the set grew (the profile must then be saved).
bool EncyclopediaRecordSightings(Profile &profile, const MudPool &pool, Vector3 player, float viewHeight);
// Entry 0..6 is in the profile's discoveries.
bool EncyclopediaDiscovered(const Profile &profile, int entry);
// The specimen an entry shows: the question mark until seen; bosses their ordinary form.
int EncyclopediaSpecimenFor(int entry, bool discovered);

// [SECTION] List

// Entry `row`'s panel at a scroll offset, on the canvas.
Rectangle EncyclopediaRowRect(int row, float scroll);
// The scroll that brings `row` fully into the viewport, changing `scroll` as little as it can.
float EncyclopediaScrollIntoView(float scroll, int row);
// The scroll bar's thumb top at a scroll offset.
float EncyclopediaThumbY(float scroll);
// The screen's focusable controls in focus order appended to `list` from `count`; the new count.
int EncyclopediaFocusItems(const MenuState &menu, MenuFocusItem *list, int count, int capacity);
// The hover id under a canvas point (back, comic button, scroll bar), 0 for none.
int EncyclopediaControlAt(Vector2 canvasPoint);
// The entry row under a canvas point inside the viewport, -1 for none.
int EncyclopediaRowAt(const MenuState &menu, Vector2 canvasPoint);

enum EncyclopediaEvent : int {
    ENCYCLOPEDIA_EVENT_NONE = 0,
    ENCYCLOPEDIA_EVENT_BACK = 1,    // "Назад"
    ENCYCLOPEDIA_EVENT_COMIC = 2,   // "Вступительный комикс": the replay
};

// One frame of the screen from menu.io: the wheel over the list, the scroll-bar drag and the
// buttons.
int EncyclopediaUpdate(MenuState &menu);

// [SECTION] Drawing (encyclopedia_draw.cpp: needs the window)

// The whole screen after the backdrop: titles, the comic button, the clipped list with its
// previews (none without `previews`), the scroll bar and the way back.
void EncyclopediaDraw(const MenuState &menu, const Profile &profile, SpecimenPreviews *previews);
