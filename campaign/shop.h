// The field workshop's nine permanent upgrades: the table, the price rule, the purchase rule,
// the effect value of every level, the card texts and the screen's layout and clicks. Pure; the
// screen is drawn in shop_draw.cpp.
#pragma once

#include "raylib.h"

#include <cstddef>
#include <cstdint>

enum UpgradeId {
    SHOP_COINS,
    SHOP_SPEED,
    SHOP_HEALTH,
    SHOP_REGEN,
    SHOP_REVIVE,
    SHOP_BINDINGS,
    SHOP_REPEL,
    SHOP_DRONE,
    SHOP_MAGNET,
    SHOP_UPGRADE_COUNT
};

// The nine levels, then the revives spent in this run: the profile's first 40 bytes.
struct ShopState {
    int32_t level[SHOP_UPGRADE_COUNT];
    int32_t revivesUsed;
};
static_assert(sizeof(ShopState) == 40, "the shop state is the profile's first ten integers");

struct ShopUpgrade {
    const char *name;          // the card's title
    int maxLevel;
    uint64_t basePrice;
    unsigned char accent[3];   // RGB
};

extern const ShopUpgrade SHOP_UPGRADES[SHOP_UPGRADE_COUNT];

// Highest level of `id`; 0 for an id outside 0..8.
int ShopMaxLevel(int id);
// The level of `id` in force: the stored one clamped to 0..max; 0 without a state or a bad id.
int ShopLevel(const ShopState *state, int id);
// Price of the next level, or 0 without a state, for a bad id or at the maximum.
uint64_t ShopPrice(const ShopState *state, int id);
// Buys the next level from `wallet`; false (nothing changed) at the maximum, for a bad id, without
// a state or wallet, or when the wallet is short.
bool ShopBuy(ShopState *state, int id, uint64_t *wallet);

// Effect values; an absent state means level 0.
int ShopCoinIncomeLevel(const ShopState *state);       // 0..10, each +10 % per eye coin
float ShopSpeedMultiplier(const ShopState *state);     // 1 + 0.2 n
int ShopHealthLevel(const ShopState *state);           // capacity level, 5 + n hearts
float ShopRegenSecondsPerHeart(const ShopState *state);// 65 - 5n for n >= 1; 0 = none
int ShopRevives(const ShopState *state);               // revives per run, 0..2
double ShopSwapInterval(const ShopState *state);       // 30 + 5n seconds
float ShopRepelInterval(const ShopState *state);       // 65 - 5n for n >= 1; 0 = none
float ShopDroneInterval(const ShopState *state);       // 45 - 5n for n >= 1; 0 = none
float ShopMagnetFactor(const ShopState *state);        // 1 + 0.2 n

// The card's two description lines.
void ShopDescribe(const ShopState *state, int id, char *line1, size_t size1, char *line2, size_t size2);

// [SECTION] Screen
// Rectangles are on the front end's 1280 x 720 reference canvas.

constexpr int SHOP_HIT_NONE = -1;
constexpr int SHOP_HIT_BACK = SHOP_UPGRADE_COUNT;   // "Назад"; 0..8 are the cards' buy buttons
constexpr Rectangle SHOP_BACK_RECT = {984.0f, 650.0f, 252.0f, 44.0f};

// The card of upgrade `id` (0..8) in the 3 x 3 grid; an empty rectangle for a bad id.
Rectangle ShopCardRect(int id);
// The buy button on that card.
Rectangle ShopBuyRect(int id);
// Which button a canvas point is on: 0..8 a buy button, SHOP_HIT_BACK, or SHOP_HIT_NONE.
int ShopHitButton(Vector2 point);
// A click at a canvas point: on a buy button it tries ShopBuy for that card; true only when the
// point is on the back button. Nothing happens unless `clicked`.
bool ShopClick(ShopState *state, uint64_t *wallet, Vector2 point, bool clicked);
