#include "campaign/shop.h"

#include "common/maths.h"

#include <cstdio>

const ShopUpgrade SHOP_UPGRADES[SHOP_UPGRADE_COUNT] = {
    {"Добыча монет", 10, 25, {238, 181, 81}},
    {"Быстрый шаг", 10, 20, {153, 200, 156}},
    {"Запас здоровья", 5, 50, {222, 106, 95}},
    {"Регенерация", 9, 30, {133, 197, 176}},
    {"Возрождение", 2, 1000, {239, 183, 99}},
    {"Смена клавиш", 6, 15, {175, 191, 208}},
    {"Отпугивание", 7, 40, {183, 132, 244}},
    {"Плазмодрон", 6, 150, {109, 203, 220}},
    {"Магнит", 5, 60, {222, 141, 190}},
};

static bool ValidId(int id) { return id >= 0 && id < SHOP_UPGRADE_COUNT; }

int ShopMaxLevel(int id) { return ValidId(id) ? SHOP_UPGRADES[id].maxLevel : 0; }

int ShopLevel(const ShopState *state, int id)
{
    if (!state || !ValidId(id)) return 0;
    return ClampInt(state->level[id], 0, SHOP_UPGRADES[id].maxLevel);
}

uint64_t ShopPrice(const ShopState *state, int id)
{
    if (!state || !ValidId(id)) return 0;
    int n = ShopLevel(state, id);
    if (n >= SHOP_UPGRADES[id].maxLevel) return 0;
    uint64_t p = SHOP_UPGRADES[id].basePrice;
    for (int i = 0; i < n; i++) p = (p * 11 + 5) / 10;
    return p;
}

bool ShopBuy(ShopState *state, int id, uint64_t *wallet)
{
    uint64_t price = ShopPrice(state, id);
    if (price == 0 || !wallet || *wallet < price) return false;
    *wallet -= price;
    state->level[id] = ShopLevel(state, id) + 1;
    return true;
}

int ShopCoinIncomeLevel(const ShopState *state) { return ShopLevel(state, SHOP_COINS); }
float ShopSpeedMultiplier(const ShopState *state) { return 1.0f + 0.2f * (float)ShopLevel(state, SHOP_SPEED); }
int ShopHealthLevel(const ShopState *state) { return ShopLevel(state, SHOP_HEALTH); }
int ShopRevives(const ShopState *state) { return ShopLevel(state, SHOP_REVIVE); }
double ShopSwapInterval(const ShopState *state) { return 30.0 + 5.0 * ShopLevel(state, SHOP_BINDINGS); }
float ShopMagnetFactor(const ShopState *state) { return 1.0f + 0.2f * (float)ShopLevel(state, SHOP_MAGNET); }

static float IntervalOrNone(int n, float start)
{
    return n >= 1 ? start - 5.0f * (float)n : 0.0f;
}

float ShopRegenSecondsPerHeart(const ShopState *state) { return IntervalOrNone(ShopLevel(state, SHOP_REGEN), 65.0f); }
float ShopRepelInterval(const ShopState *state) { return IntervalOrNone(ShopLevel(state, SHOP_REPEL), 65.0f); }
float ShopDroneInterval(const ShopState *state) { return IntervalOrNone(ShopLevel(state, SHOP_DRONE), 45.0f); }

void ShopDescribe(const ShopState *state, int id, char *line1, size_t size1, char *line2, size_t size2)
{
    if (size1 > 0) line1[0] = '\0';
    if (size2 > 0) line2[0] = '\0';
    if (!ValidId(id) || size1 == 0 || size2 == 0) return;
    int n = ShopLevel(state, id);
    switch (id) {
    case SHOP_COINS:
        snprintf(line1, size1, "Монеты +%d%%", 10 * n);
        snprintf(line2, size2, "Следующий уровень: +%d%%", 10 * n + 10);
        break;
    case SHOP_SPEED:
        snprintf(line1, size1, "Скорость +%d%%", 20 * n);
        snprintf(line2, size2, "Следующий уровень: +%d%%", 20 * n + 20);
        break;
    case SHOP_HEALTH:
        snprintf(line1, size1, "Максимум: %d сердец", 5 + n);
        snprintf(line2, size2, "Ещё одно полное сердце");
        break;
    case SHOP_REGEN:
        if (n == 0) snprintf(line1, size1, "Пока не восстанавливается");
        else snprintf(line1, size1, "1 сердце / %d сек.", 65 - 5 * n);
        snprintf(line2, size2, "Далее: 1 сердце / %d сек.", 60 - 5 * n);
        break;
    case SHOP_REVIVE:
        snprintf(line1, size1, "Возрождений за забег: %d", n);
        snprintf(line2, size2, "Возврат с полным здоровьем");
        break;
    case SHOP_BINDINGS:
        snprintf(line1, size1, "Смена каждые %d сек.", 30 + 5 * n);
        snprintf(line2, size2, "Далее: каждые %d сек.", 35 + 5 * n);
        break;
    case SHOP_REPEL:
        if (n == 0) snprintf(line1, size1, "Фиолетовая волна вокруг");
        else snprintf(line1, size1, "Волна каждые %d сек.", 65 - 5 * n);
        snprintf(line2, size2, "Далее: каждые %d сек.", 60 - 5 * n);
        break;
    case SHOP_DRONE:
        if (n == 0) snprintf(line1, size1, "Стреляет в ближнюю цель");
        else snprintf(line1, size1, "Выстрел раз в %d сек.", 45 - 5 * n);
        snprintf(line2, size2, "Далее: выстрел / %d сек.", 40 - 5 * n);
        break;
    case SHOP_MAGNET:
        snprintf(line1, size1, "Радиус сбора +%d%%", 20 * n);
        snprintf(line2, size2, "Далее: +%d%%", 20 * n + 20);
        break;
    }
    if (n >= SHOP_UPGRADES[id].maxLevel) snprintf(line2, size2, "Все улучшения приобретены");
}

// [SECTION] Screen

Rectangle ShopCardRect(int id)
{
    if (!ValidId(id)) return {0.0f, 0.0f, 0.0f, 0.0f};
    return {44.0f + 402.0f * (float)(id % 3), 143.0f + 164.0f * (float)(id / 3), 388.0f, 154.0f};
}

Rectangle ShopBuyRect(int id)
{
    Rectangle card = ShopCardRect(id);
    if (card.width <= 0.0f) return card;
    return {card.x + 220.0f, card.y + 103.0f, 152.0f, 40.0f};
}

static bool Inside(Rectangle r, Vector2 p) { return p.x >= r.x && p.x < r.x + r.width && p.y >= r.y && p.y < r.y + r.height; }

int ShopHitButton(Vector2 point)
{
    if (!IsFinite(point)) return SHOP_HIT_NONE;
    if (Inside(SHOP_BACK_RECT, point)) return SHOP_HIT_BACK;
    for (int id = 0; id < SHOP_UPGRADE_COUNT; id++)
        if (Inside(ShopBuyRect(id), point)) return id;
    return SHOP_HIT_NONE;
}

bool ShopClick(ShopState *state, uint64_t *wallet, Vector2 point, bool clicked)
{
    if (!clicked) return false;
    int hit = ShopHitButton(point);
    if (hit == SHOP_HIT_BACK) return true;
    if (hit != SHOP_HIT_NONE) ShopBuy(state, hit, wallet);
    return false;
}
