// Campaign: microseconds per row plan, for a fair row found at once and for the full search that
// finds none (the player in a corner), and per CampaignUpdate across a level-1 minute.
#include "campaign/campaign.h"
#include "campaign/rows.h"
#include "world/camera.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

struct Scene {
    Campaign campaign;
    MudPool pool;
    FollowCamera camera;
};

std::unique_ptr<Scene> SceneAt(Vector3 player)
{
    auto s = std::make_unique<Scene>();
    CampaignReset(s->campaign, s->pool);
    CampaignStartLevel(s->campaign, s->pool, 3);
    s->camera.viewHeight = CAMERA_ZOOM_DEFAULT;
    CameraFollow(s->camera, player, {0.0f, 0.0f, 0.0f}, 0.0f, true);
    CampaignTakeSnapshot(s->campaign, CameraToRaylib(s->camera), 16.0f / 9.0f);
    return s;
}

void RowsPlanAt(benchmark::State &state, Vector3 player)
{
    auto s = SceneAt(player);
    RowsView view = RowsViewFor(s->campaign, player, s->camera.viewHeight);
    for (auto _ : state) {
        s->campaign.rowWarning = 0;
        benchmark::DoNotOptimize(RowsPlan(s->campaign, view));
    }
}

void BM_RowsPlanOpenField(benchmark::State &state) { RowsPlanAt(state, {0.0f, 0.0f, 0.0f}); }
void BM_RowsPlanCornerNoRow(benchmark::State &state) { RowsPlanAt(state, {-120.0f, 0.0f, -120.0f}); }

void BM_CampaignUpdateLevelOne(benchmark::State &state)
{
    auto s = SceneAt({0.0f, 0.0f, 0.0f});
    CampaignStartLevel(s->campaign, s->pool, 1);
    for (auto _ : state) {
        if (s->campaign.clock > 80.0) s->campaign.clock = 0.0;
        CampaignUpdate(s->campaign, s->pool, s->camera, {0.0f, 0.0f, 0.0f}, 1.0f / 60.0f);
        benchmark::ClobberMemory();
    }
}

}  // namespace

BENCHMARK(BM_RowsPlanOpenField);
BENCHMARK(BM_RowsPlanCornerNoRow);
BENCHMARK(BM_CampaignUpdateLevelOne);
