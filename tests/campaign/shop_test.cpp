#include "campaign/shop.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

// The price rule reproduces the published list, level by level.
TEST(Shop, PricesFollowTheRuleAndTotalFiveThousandFiveHundredSixty)
{
    const std::vector<std::vector<uint64_t>> table = {
        {25, 28, 31, 34, 37, 41, 45, 50, 55, 61}, {20, 22, 24, 26, 29, 32, 35, 39, 43, 47},
        {50, 55, 61, 67, 74}, {30, 33, 36, 40, 44, 48, 53, 58, 64}, {1000, 1100},
        {15, 17, 19, 21, 23, 25}, {40, 44, 48, 53, 58, 64, 70}, {150, 165, 182, 200, 220, 242},
        {60, 66, 73, 80, 88},
    };
    ShopState state{};
    uint64_t wallet = 100000;
    for (int id = 0; id < SHOP_UPGRADE_COUNT; id++) {
        ASSERT_EQ((int)table[id].size(), ShopMaxLevel(id));
        for (uint64_t price : table[id]) {
            EXPECT_EQ(ShopPrice(&state, id), price) << id;
            EXPECT_TRUE(ShopBuy(&state, id, &wallet));
        }
        uint64_t before = wallet;
        EXPECT_EQ(ShopPrice(&state, id), 0u);
        EXPECT_FALSE(ShopBuy(&state, id, &wallet));
        EXPECT_EQ(wallet, before);
    }
    EXPECT_EQ(100000u - wallet, 5560u);
}

TEST(Shop, RefusalsChangeNothingAndExactPriceLeavesZero)
{
    ShopState state{};
    uint64_t wallet = 24;
    ShopState before = state;
    EXPECT_FALSE(ShopBuy(&state, SHOP_COINS, &wallet));
    EXPECT_EQ(wallet, 24u);
    EXPECT_EQ(memcmp(&state, &before, sizeof(state)), 0);
    wallet = 25;
    EXPECT_TRUE(ShopBuy(&state, SHOP_COINS, &wallet));
    EXPECT_EQ(wallet, 0u);
    EXPECT_FALSE(ShopBuy(&state, SHOP_COINS, &wallet));
    EXPECT_FALSE(ShopBuy(&state, -1, &wallet));
    EXPECT_FALSE(ShopBuy(&state, 9, &wallet));
    EXPECT_FALSE(ShopBuy(nullptr, 0, &wallet));
    EXPECT_FALSE(ShopBuy(&state, 0, nullptr));
    EXPECT_EQ(ShopPrice(nullptr, 0), 0u);
}

// Stored levels outside the table clamp where they are used: -1 counts as 0, max + 3 as max.
TEST(Shop, EffectsClampStoredLevels)
{
    ShopState state{};
    EXPECT_EQ(ShopRegenSecondsPerHeart(&state), 0.0f);
    EXPECT_EQ(ShopRepelInterval(&state), 0.0f);
    EXPECT_EQ(ShopDroneInterval(&state), 0.0f);
    EXPECT_FLOAT_EQ(ShopSpeedMultiplier(nullptr), 1.0f);
    for (int id = 0; id < SHOP_UPGRADE_COUNT; id++) state.level[id] = ShopMaxLevel(id) + 3;
    EXPECT_FLOAT_EQ(ShopSpeedMultiplier(&state), 3.0f);
    EXPECT_EQ(ShopSwapInterval(&state), 60.0);
    EXPECT_EQ(ShopRegenSecondsPerHeart(&state), 20.0f);
    EXPECT_EQ(ShopRepelInterval(&state), 30.0f);
    EXPECT_EQ(ShopDroneInterval(&state), 15.0f);
    EXPECT_FLOAT_EQ(ShopMagnetFactor(&state), 2.0f);
    EXPECT_EQ(ShopPrice(&state, SHOP_SPEED), 0u);
    for (int id = 0; id < SHOP_UPGRADE_COUNT; id++) state.level[id] = -1;
    EXPECT_EQ(ShopCoinIncomeLevel(&state), 0);
    EXPECT_EQ(ShopPrice(&state, SHOP_COINS), 25u);
    uint64_t wallet = 25;
    EXPECT_TRUE(ShopBuy(&state, SHOP_COINS, &wallet));
    EXPECT_EQ(state.level[SHOP_COINS], 1);
    for (int n = 1; n <= 9; n++) {
        state.level[SHOP_REGEN] = n;
        EXPECT_EQ(ShopRegenSecondsPerHeart(&state), 65.0f - 5.0f * n);
    }
}

TEST(Shop, CardTexts)
{
    ShopState state{};
    char a[96], b[96];
    ShopDescribe(&state, SHOP_REGEN, a, sizeof(a), b, sizeof(b));
    EXPECT_STREQ(a, "Пока не восстанавливается");
    EXPECT_STREQ(b, "Далее: 1 сердце / 60 сек.");
    state.level[SHOP_COINS] = 3;
    ShopDescribe(&state, SHOP_COINS, a, sizeof(a), b, sizeof(b));
    EXPECT_STREQ(a, "Монеты +30%");
    EXPECT_STREQ(b, "Следующий уровень: +40%");
    state.level[SHOP_REVIVE] = 2;
    ShopDescribe(&state, SHOP_REVIVE, a, sizeof(a), b, sizeof(b));
    EXPECT_STREQ(a, "Возрождений за забег: 2");
    EXPECT_STREQ(b, "Все улучшения приобретены");
}
