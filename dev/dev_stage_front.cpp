// Staged captures of the front end: the menus driven by clicks at the screens' own button
// rectangles, the profile's wallet and levels read after every click.
//
// Index
//   [SECTION] Shared
//   [SECTION] Shop
#include "dev/dev_stage_front.h"

#include "campaign/shop.h"
#include "frontend/menu.h"
#include "frontend/profile.h"

// [SECTION] Shared

static Vector2 Centre(Rectangle r) { return {r.x + 0.5f * r.width, r.y + 0.5f * r.height}; }

// The pointer comes to `point` a few frames early, then the button goes down there at `frame`.
static void ClickAt(DevStage &stage, int frame, Vector2 point)
{
    DevStageEvent(stage, {frame - 3, DEV_EVENT_MOUSE, 0, 1, 0.0f, point});
    DevStageEvent(stage, {frame, DEV_EVENT_CLICK, 0, 1, 0.0f, point});
}

// [SECTION] Shop

// One click on a card's buy button and what it must do.
struct ShopStep {
    int frame;
    int id;
    bool buys;
};

// The wallet pays two revives (the card bought out), three key-swap levels and a magnet level,
// leaving 40 coins: a third revive and a drone (150) are refused.
constexpr uint64_t SHOP_WALLET = 1000 + 1100 + 15 + 17 + 19 + 60 + 40;
static const ShopStep SHOP_STEPS[] = {
    {50, SHOP_REVIVE, true},    {62, SHOP_REVIVE, true},    {74, SHOP_REVIVE, false},   {86, SHOP_BINDINGS, true},
    {98, SHOP_BINDINGS, true},  {110, SHOP_BINDINGS, true}, {122, SHOP_MAGNET, true},   {134, SHOP_DRONE, false},
};
constexpr int SHOP_STEP_COUNT = (int)(sizeof(SHOP_STEPS) / sizeof(SHOP_STEPS[0]));
constexpr int SHOP_OPEN_FRAME = 12;
constexpr int SHOP_BACK_FRAME = 170;
constexpr int SHOP_PLAY_FRAME = 185;
constexpr int SHOP_SKIP_FRAME = 195;      // the opening comic of a first run, skipped
constexpr int SHOP_RUN_SECONDS_FRAMES = 30;

enum { SC_STEP, SC_COINS_BEFORE, SC_LEVEL_BEFORE, SC_KEPT, SC_PAID_RIGHT, SC_CUES_RIGHT, SC_OPENED, SC_RUN_FRAME, SC_RUN_KEPT,
       SC_BACK_MAIN, SC_AFFORDABLE, SC_DEAR, SC_OUT };
enum { SV_PAID, SV_SPENT_LEDGER };

// Every card's state as the shop's own rules give it: bought out, too dear or affordable.
static void ShopStates(const Profile &p, int &affordable, int &dear, int &out)
{
    affordable = dear = out = 0;
    for (int id = 0; id < SHOP_UPGRADE_COUNT; id++) {
        uint64_t price = ShopPrice(&p.shop, id);
        if (price == 0) out++;
        else if (price > p.coins) dear++;
        else affordable++;
    }
}

void DevStageFrontShop(DevStage &stage, Field &field, DevStageHook hook)
{
    int *c = stage.count;
    double *ledger = stage.ledger;
    switch (hook) {
    case DEV_STAGE_BEGIN:
        stage.menus = true;
        stage.frameLimit = SHOP_SKIP_FRAME + SHOP_RUN_SECONDS_FRAMES + 10;
        ClickAt(stage, SHOP_OPEN_FRAME, Centre(MENU_MAIN_BUTTONS[1].rect));
        for (const ShopStep &s : SHOP_STEPS) ClickAt(stage, s.frame, Centre(ShopBuyRect(s.id)));
        ClickAt(stage, SHOP_BACK_FRAME, Centre(SHOP_BACK_RECT));
        ClickAt(stage, SHOP_PLAY_FRAME, Centre(MENU_MAIN_BUTTONS[0].rect));
        DevStageEvent(stage, {SHOP_SKIP_FRAME, DEV_EVENT_PRESS, KEY_ESCAPE, 1, 0.0f, {}});
        DevStageShot(stage, SHOP_OPEN_FRAME + 25, "shop-1-wallet");
        DevStageShot(stage, SHOP_STEPS[2].frame + 2, "shop-2-bought-out");
        DevStageShot(stage, SHOP_STEPS[7].frame + 2, "shop-3-refused");
        DevStageShot(stage, SHOP_BACK_FRAME - 10, "shop-4-states");
        DevStageShot(stage, SHOP_SKIP_FRAME + SHOP_RUN_SECONDS_FRAMES, "shop-5-next-run");
        c[SC_RUN_FRAME] = -1;
        break;
    case DEV_STAGE_ARRANGE:
        if (!stage.profile || !stage.menu) {
            stage.done = true;
            break;
        }
        // The wallet the purchases come out of, given before the first menu frame.
        if (stage.frame == 0) {
            stage.profile->coins = SHOP_WALLET;
            ledger[0] = (double)SHOP_WALLET;
        }
        if (c[SC_STEP] < SHOP_STEP_COUNT && stage.frame == SHOP_STEPS[c[SC_STEP]].frame) {
            c[SC_COINS_BEFORE] = (int)stage.profile->coins;
            c[SC_LEVEL_BEFORE] = ShopLevel(&stage.profile->shop, SHOP_STEPS[c[SC_STEP]].id);
            stage.value[SV_PAID] = (float)ShopPrice(&stage.profile->shop, SHOP_STEPS[c[SC_STEP]].id);
        }
        break;
    case DEV_STAGE_OBSERVE: {
        if (!stage.profile || !stage.menu) break;
        const Profile &p = *stage.profile;
        const MenuState &m = *stage.menu;
        if (stage.frame == SHOP_OPEN_FRAME) c[SC_OPENED] = m.screen == MENU_SCREEN_SHOP;
        if (c[SC_STEP] < SHOP_STEP_COUNT && stage.frame == SHOP_STEPS[c[SC_STEP]].frame) {
            const ShopStep &s = SHOP_STEPS[c[SC_STEP]];
            int level = ShopLevel(&p.shop, s.id);
            uint64_t paid = (uint64_t)c[SC_COINS_BEFORE] - p.coins;
            bool bought = level == c[SC_LEVEL_BEFORE] + 1;
            bool right = s.buys ? bought && paid == (uint64_t)stage.value[SV_PAID] : level == c[SC_LEVEL_BEFORE] && paid == 0;
            c[SC_KEPT] += right;
            c[SC_CUES_RIGHT] += m.cueType == (uint32_t)(s.buys ? MENU_CUE_PURCHASE : MENU_CUE_DENIAL);
            if (s.buys) ledger[1] += (double)paid;
            DevStageNote(stage, "click %d on \"%s\": level %d -> %d, price %llu, paid %llu, wallet %llu, cue %u", c[SC_STEP] + 1,
                         SHOP_UPGRADES[s.id].name, c[SC_LEVEL_BEFORE], level, (unsigned long long)stage.value[SV_PAID],
                         (unsigned long long)paid, (unsigned long long)p.coins, m.cueType);
            c[SC_STEP]++;
        }
        if (stage.frame == SHOP_BACK_FRAME - 10) {
            ShopStates(p, c[SC_AFFORDABLE], c[SC_DEAR], c[SC_OUT]);
            ledger[2] = (double)p.coins;
        }
        if (stage.frame == SHOP_BACK_FRAME) c[SC_BACK_MAIN] = m.screen == MENU_SCREEN_MAIN;
        // The next run takes the levels bought.
        if (c[SC_RUN_FRAME] < 0 && m.screen == MENU_SCREEN_PLAY && stage.frame > SHOP_PLAY_FRAME) c[SC_RUN_FRAME] = stage.frame;
        if (c[SC_RUN_FRAME] >= 0 && stage.frame == SHOP_SKIP_FRAME + SHOP_RUN_SECONDS_FRAMES) {
            bool same = true;
            for (int id = 0; id < SHOP_UPGRADE_COUNT; id++) same = same && ShopLevel(&field.shop, id) == ShopLevel(&p.shop, id);
            c[SC_RUN_KEPT] = same && field.coins.wallet == p.coins &&
                             field.bindings.interval == ShopSwapInterval(&p.shop);
            stage.done = true;
        }
        break;
    }
    case DEV_STAGE_FINISH: {
        DevStageNote(stage, "wallet %.0f, spent %.0f, left %.0f; cards: %d affordable, %d too dear, %d bought out", ledger[0], ledger[1],
                     ledger[2], c[SC_AFFORDABLE], c[SC_DEAR], c[SC_OUT]);
        DevStagePromise(stage, c[SC_OPENED] == 1, "\"Магазин\" opens the shop");
        DevStagePromise(stage, c[SC_KEPT] == SHOP_STEP_COUNT, "each purchase took its price and one level; each refusal changed nothing");
        DevStagePromise(stage, c[SC_CUES_RIGHT] == SHOP_STEP_COUNT, "each purchase sounded its cue, each refusal the denial");
        DevStagePromise(stage, ledger[0] == ledger[1] + ledger[2], "coins: the wallet equals what was spent plus what is left");
        DevStagePromise(stage, c[SC_OUT] == 1 && c[SC_DEAR] > 0 && c[SC_AFFORDABLE] > 0,
                        "the shop shows cards affordable, too dear and bought out");
        DevStagePromise(stage, c[SC_BACK_MAIN] == 1 && c[SC_RUN_FRAME] > 0 && c[SC_RUN_KEPT] == 1,
                        "\"Назад\", then \"Играть\": the new run has the levels and the wallet");
        break;
    }
    }
}
