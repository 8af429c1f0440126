#include "dev/shop_checks.h"

#include "app/field.h"
#include "campaign/shop.h"
#include "frontend/profile.h"

#include <cstdio>
#include <cstring>
#include <memory>

struct ShopTally {
    int passed, failed;
};

static void Check(ShopTally &tally, bool ok, const char *what)
{
    printf("%s %s\n", ok ? "ok  " : "FAIL", what);
    (ok ? tally.passed : tally.failed)++;
}

// The published price list, level by level.
static const uint64_t SHOP_LIST[SHOP_UPGRADE_COUNT][10] = {
    {25, 28, 31, 34, 37, 41, 45, 50, 55, 61}, {20, 22, 24, 26, 29, 32, 35, 39, 43, 47},
    {50, 55, 61, 67, 74}, {30, 33, 36, 40, 44, 48, 53, 58, 64}, {1000, 1100},
    {15, 17, 19, 21, 23, 25}, {40, 44, 48, 53, 58, 64, 70}, {150, 165, 182, 200, 220, 242},
    {60, 66, 73, 80, 88},
};

static bool PricesMatchTheList()
{
    ShopState state{};
    uint64_t wallet = 100000;
    for (int id = 0; id < SHOP_UPGRADE_COUNT; id++) {
        for (int n = 0; n < ShopMaxLevel(id); n++) {
            if (ShopPrice(&state, id) != SHOP_LIST[id][n] || !ShopBuy(&state, id, &wallet)) return false;
        }
        uint64_t before = wallet;
        if (ShopPrice(&state, id) != 0 || ShopBuy(&state, id, &wallet) || wallet != before) return false;
    }
    return 100000 - wallet == 5560;
}

static bool RefusalsChangeNothing()
{
    bool ok = true;
    for (int id = 0; id < SHOP_UPGRADE_COUNT; id++) {
        ShopState state{}, before{};
        uint64_t wallet = SHOP_LIST[id][0] - 1;
        ok = ok && !ShopBuy(&state, id, &wallet) && wallet == SHOP_LIST[id][0] - 1 &&
             memcmp(&state, &before, sizeof(state)) == 0;
        wallet = SHOP_LIST[id][0];
        ok = ok && ShopBuy(&state, id, &wallet) && wallet == 0 && state.level[id] == 1;
    }
    ShopState state{};
    uint64_t wallet = 1000;
    ok = ok && !ShopBuy(&state, -1, &wallet) && !ShopBuy(&state, SHOP_UPGRADE_COUNT, &wallet) &&
         !ShopBuy(nullptr, 0, &wallet) && !ShopBuy(&state, 0, nullptr) && wallet == 1000;
    return ok;
}

static bool StoredLevelsClamp()
{
    ShopState low{}, high{}, zero{}, full{};
    for (int id = 0; id < SHOP_UPGRADE_COUNT; id++) {
        low.level[id] = -1;
        high.level[id] = ShopMaxLevel(id) + 3;
        full.level[id] = ShopMaxLevel(id);
    }
    bool ok = true;
    for (int id = 0; id < SHOP_UPGRADE_COUNT; id++) {
        ok = ok && ShopLevel(&low, id) == 0 && ShopLevel(&high, id) == ShopMaxLevel(id);
        ok = ok && ShopPrice(&low, id) == SHOP_LIST[id][0] && ShopPrice(&high, id) == 0;
    }
    ok = ok && ShopSpeedMultiplier(&low) == ShopSpeedMultiplier(&zero) &&
         ShopSpeedMultiplier(&high) == ShopSpeedMultiplier(&full) && ShopRevives(&high) == 2 &&
         ShopHealthLevel(&high) == ShopHealthLevel(&full) && ShopSwapInterval(&high) == ShopSwapInterval(&full) &&
         ShopRegenSecondsPerHeart(&low) == 0.0f && ShopDroneInterval(&low) == 0.0f;
    return ok;
}

// The buttons as the shop screen lays them out: a click on a card's buy button buys that card,
// a click beside the buttons or without a press buys nothing, the back button only leaves.
static bool ButtonsBuyTheirCard()
{
    ShopState state{};
    uint64_t wallet = 5000;
    bool ok = true;
    for (int id = 0; id < SHOP_UPGRADE_COUNT; id++) {
        Rectangle r = ShopBuyRect(id);
        Vector2 centre = {r.x + 0.5f * r.width, r.y + 0.5f * r.height};
        ok = ok && ShopHitButton(centre) == id;
        ok = ok && !ShopClick(&state, &wallet, centre, false) && state.level[id] == 0;
        uint64_t before = wallet;
        ok = ok && !ShopClick(&state, &wallet, centre, true) && state.level[id] == 1 &&
             before - wallet == SHOP_LIST[id][0];
    }
    Rectangle back = SHOP_BACK_RECT;
    uint64_t before = wallet;
    ok = ok && ShopClick(&state, &wallet, {back.x + 2.0f, back.y + 2.0f}, true) && wallet == before;
    ok = ok && ShopHitButton({-5.0f, -5.0f}) == SHOP_HIT_NONE;
    return ok;
}

// A purchase made between runs is in force in the next run, and is what the run writes back.
static bool PurchaseCarriesIntoTheNextRun(Field &field)
{
    Profile profile;
    ProfileDefaults(profile);
    profile.coins = 100;
    if (!ShopBuy(&profile.shop, SHOP_SPEED, &profile.coins)) return false;
    FieldReset(field, 7u, &profile);
    Profile written;
    ProfileDefaults(written);
    FieldSyncProfile(field, written);
    bool ok = field.shop.level[SHOP_SPEED] == 1 && field.coins.wallet == 80 && written.shop.level[SHOP_SPEED] == 1 &&
              written.coins == 80 && ShopSpeedMultiplier(&field.shop) > 1.0f;
    FieldRelease(field);
    return ok;
}

// The menu's erase resets the progress and starts a fresh run from it; a close right after
// writes that run back, which must not bring the old levels or coins with it.
static bool EraseThenCloseStaysErased(Field &field)
{
    Profile profile;
    ProfileDefaults(profile);
    profile.coins = 5000;
    for (int id = 0; id < SHOP_UPGRADE_COUNT; id++) ShopBuy(&profile.shop, id, &profile.coins);
    FieldReset(field, 7u, &profile);
    ProfileResetProgress(profile);
    FieldReset(field, 8u, &profile);
    FieldSyncProfile(field, profile);
    bool ok = profile.coins == 0;
    for (int id = 0; id < SHOP_UPGRADE_COUNT; id++) ok = ok && profile.shop.level[id] == 0 && field.shop.level[id] == 0;
    FieldRelease(field);
    return ok;
}

int DevTestShop()
{
    ShopTally tally{};
    Check(tally, PricesMatchTheList(), "prices: the rule gives the published list; every upgrade bought out costs 5560");
    Check(tally, RefusalsChangeNothing(), "refusals: one coin short or a bad id changes nothing; the exact price leaves 0");
    Check(tally, StoredLevelsClamp(), "clamping: stored levels -1 and max + 3 count as 0 and max in prices and effects");
    Check(tally, ButtonsBuyTheirCard(), "buttons: each buy button buys its own card, only when pressed; back only leaves");
    auto field = std::make_unique<Field>();
    Check(tally, PurchaseCarriesIntoTheNextRun(*field), "next run: a purchase between runs is in force and written back");
    Check(tally, EraseThenCloseStaysErased(*field), "erase: a close right after an erase leaves the levels and coins at 0");
    printf("%d passed, %d failed\n", tally.passed, tally.failed);
    return tally.failed == 0 ? 0 : 1;
}
