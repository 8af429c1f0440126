// Soil self-check: the clay ledger of deposits and walks, the height limit, the queries outside
// the arena, the fallback of an unusable pattern, reset, and the upload of one dirty block. The
// checks run on a soil of their own, so the ground the game reads is never touched.
#include "dev/soil_checks.h"

#include "world/soil.h"

#include <cmath>
#include <cstdio>

namespace {

struct Tally {
    int passed, failed;
};

void Check(Tally &tally, const char *name, bool ok)
{
    printf("%s %s\n", ok ? "ok  " : "FAIL", name);
    (ok ? tally.passed : tally.failed) += 1;
}

bool Near(double a, double b, double relative) { return std::fabs(a - b) <= relative * std::fabs(b); }

// A 12 m walk across a body's deposit at 60 Hz and 1.5 m/s; whether the clay in the ground stayed.
bool WalkKeepsMass(Soil &soil, Vector3 blob, Vector3 from, Vector3 to, float radius, float strength)
{
    SoilReset(soil);
    SoilDepositBody(soil, blob, 3.0f, 0.7f, 0.2f);
    double before = SoilMassClods(soil);
    const int steps = 480;
    for (int k = 0; k < steps; ++k) {
        float a = (float)k / steps, b = (float)(k + 1) / steps;
        Vector3 p = {from.x + (to.x - from.x) * a, 0.0f, from.z + (to.z - from.z) * a};
        Vector3 q = {from.x + (to.x - from.x) * b, 0.0f, from.z + (to.z - from.z) * b};
        SoilPress(soil, p, q, radius, strength, 1.0f / 60.0f);
    }
    return Near(SoilMassClods(soil), before, 1e-3);
}

}  // namespace

int DevTestSoil()
{
    static Soil soil{};
    if (!SoilCreate(soil)) {
        printf("FAIL soil grids could not be allocated\n0 passed, 1 failed\n");
        return 1;
    }
    Tally tally = {0, 0};

    SoilDepositBlob(soil, {10.0f, 0.0f, -4.0f}, 2.5f, 1.2f, 0.6f, 0.2f);
    Check(tally, "blob deposit: total and clods in the ground equal its amount",
          SoilTotal(soil) == 2.5 && Near(SoilMassClods(soil), 2.5, 1e-5));

    SoilDepositBlob(soil, {-20.0f, 0.0f, 30.0f}, 1e5f, 0.4f, 1.0f, 0.0f);
    float peak = SoilHeight(soil, -20.0f, 30.0f);
    Check(tally, "height saturates below 0.18 m", peak <= 0.18f && peak > 0.179f && SoilMaxHeight(soil) <= 0.18f);

    Check(tally, "no height outside the arena or for NaN",
          SoilHeight(soil, 128.5f, 0.0f) == 0.0f && SoilHeight(soil, NAN, 0.0f) == 0.0f &&
              SoilMaxHeightIn(soil, 140.0f, -5.0f, 160.0f, 5.0f) == 0.0f);

    Check(tally, "the bound covers the deposit", SoilMaxHeightIn(soil, -21.0f, 29.0f, -19.0f, 31.0f) >= peak);

    Check(tally, "walk at radius 2 keeps the clay in the ground",
          WalkKeepsMass(soil, {0.0f, 0.0f, 0.0f}, {-6.0f, 0.0f, 0.05f}, {6.0f, 0.0f, 0.05f}, 2.0f, 10.0f));
    Check(tally, "walk into the +x wall keeps the clay in the ground",
          WalkKeepsMass(soil, {127.8f, 0.0f, 3.0f}, {116.0f, 0.0f, 3.1f}, {128.0f, 0.0f, 3.1f}, 2.0f, 1.8f));

    SoilReset(soil);
    float zeros[17 * 17] = {};
    bool fallback = SoilDepositPattern(soil, {5.0f, 0.0f, 5.0f}, zeros, 17, 0.2f, 1.5f, 0.5f, 0.5f);
    Check(tally, "an all-zero pattern still puts its clay into the ground",
          fallback && SoilTotal(soil) == 1.5 && Near(SoilMassClods(soil), 1.5, 1e-5));

    SoilReset(soil);
    SoilPress(soil, {-1.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f}, 1.0f, 1.8f, 0.016f);
    Check(tally, "reset leaves no soil and presses change nothing",
          SoilTotal(soil) == 0.0 && SoilMassClods(soil) == 0.0 && SoilMaxHeight(soil) == 0.0f);

    SoilMarkUploaded(soil);
    SoilDepositBlob(soil, {-127.0f, 0.0f, -127.0f}, 0.05f, 0.25f, 0.5f, 0.5f);
    SoilUploadRect rects[SOIL_UPLOAD_RECT_CAPACITY];
    int count = SoilUploadPlan(soil.blockDirty, rects);
    Check(tally, "a corner deposit uploads one 32 x 32 block",
          count == 1 && rects[0].x == 0 && rects[0].y == 0 && rects[0].width == 32 && rects[0].height == 32);

    SoilRelease(soil);
    printf("%d passed, %d failed\n", tally.passed, tally.failed);
    return tally.failed == 0 ? 0 : 1;
}
