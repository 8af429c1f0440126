#include "app/assets.h"
#include <gtest/gtest.h>
TEST(Assets, Placeholder) { EXPECT_EQ(ASSET_COUNT, 14); }
