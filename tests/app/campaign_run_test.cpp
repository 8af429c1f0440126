#include "app/field_step.h"
#include "dev/dev_run.h"
#include "mud/mud_wounds.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

// The whole campaign through the real game step: an immortal player standing still while every
// boss that appears is struck down by spheres from above, as meteors would.
struct CampaignRun {
    std::vector<int> gateFrames;    // frames from each level's start to its gate
    int victoryFrame = -1;
    int victories = 0;
    int boltsAfterVictory = -1;     // drone bolts still in flight once the victory has begun
    bool consistent = true;
};

CampaignRun PlayCampaign(float hz, int levels)
{
    CampaignRun out;
    auto field = std::make_unique<Field>();
    auto run = std::make_unique<DevHeadless>();
    field->loop.campaign = true;
    DevHeadlessReset(*run, *field, FIELD_DEVELOPER_SEED);
    field->loop.immortal = true;
    DevScript none{nullptr, 0};
    int level = field->campaign.level, levelStart = 0, phase = field->campaign.phase;
    uint64_t masks[MUD_CAPACITY] = {};
    for (int frame = 1; frame < (int)(600.0f * hz); frame++) {
        // Through the last gate a drone bolt is always in flight, as a bought drone's would be.
        if (field->campaign.level == CAMPAIGN_FINAL_LEVEL && field->campaign.phase == CAMPAIGN_GATE) {
            Vector3 p = field->player.position;
            p.y += 1.5f;
            field->support.bolts[0] = {p, p, {0.0f, 0.0f, 12.0f}, 0.0f, 1, {0, 0, 0}};
        }
        DevHeadlessFrame(*run, *field, none, 1.0f / hz);
        const Campaign &c = field->campaign;
        if (c.phase == CAMPAIGN_GATE && phase != CAMPAIGN_GATE) out.gateFrames.push_back(frame - levelStart);
        if (c.level != level) {
            level = c.level;
            levelStart = frame;
            if ((int)out.gateFrames.size() >= levels) break;
        }
        if (c.phase == CAMPAIGN_VICTORY && phase != CAMPAIGN_VICTORY) {
            out.victoryFrame = frame;
            out.victories++;
            out.boltsAfterVictory = 0;
            for (const PlasmaBolt &b : field->support.bolts) out.boltsAfterVictory += b.active ? 1 : 0;
        }
        phase = c.phase;
        if (c.phase == CAMPAIGN_VICTORY && frame > out.victoryFrame + (int)hz) break;
        // Every living boss takes a strike a second once it is out of the ground.
        if (c.phase == CAMPAIGN_GATE && frame % (int)hz == 0) {
            for (int b = 0; b < c.bossCount; b++) {
                int slot = c.bossSlot[b];
                if (!CampaignBossAlive(c, field->mud, b)) continue;
                Vector3 p = field->mud.slots[slot].position;
                masks[slot] = 0;
                MudHitSphere(field->mud, field->soil, {p.x, p.y + 3.0f, p.z}, p, 0.9f, &masks[slot]);
            }
        }
    }
    out.consistent = run->consistent;
    FieldRelease(*field);
    return out;
}

}  // namespace

// At 60 Hz the whole campaign: each gate on the frame its level's length has passed, victory
// once, consistent throughout.
TEST(CampaignRun, WholeCampaignThroughTheGameStep)
{
    CampaignRun r = PlayCampaign(60.0f, 4);
    ASSERT_EQ(r.gateFrames.size(), 4u);
    for (int level = 1; level <= 4; level++)
        EXPECT_EQ(r.gateFrames[level - 1], (int)(CampaignLevelLength(level) * 60)) << "level " << level;
    EXPECT_EQ(r.victories, 1);
    EXPECT_GT(r.victoryFrame, 0);
    EXPECT_EQ(r.boltsAfterVictory, 0) << "nothing may hang in the air through the finale";
    EXPECT_TRUE(r.consistent);
}

// The first gate at 30 and 144 Hz opens on the frame 90 s of steps have passed.
TEST(CampaignRun, FirstGateOnItsFrameAtEveryRate)
{
    for (float hz : {30.0f, 144.0f}) {
        CampaignRun r = PlayCampaign(hz, 1);
        ASSERT_GE(r.gateFrames.size(), 1u) << hz;
        EXPECT_EQ(r.gateFrames[0], (int)(CampaignLevelLength(1) * hz)) << hz;
        EXPECT_TRUE(r.consistent) << hz;
    }
}
