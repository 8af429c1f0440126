#include "app/field.h"

void FieldReset(Field &field, uint32_t seed, const Profile *profile)
{
    const FieldLoopFlags kept = field.loop;
    const float zoom = field.camera.viewHeight >= CAMERA_ZOOM_MIN && field.camera.viewHeight <= CAMERA_ZOOM_MAX
                           ? field.camera.viewHeight
                           : CAMERA_ZOOM_DEFAULT;

    TrackAtlasReset(field.tracks);
    SoilReset(field.soil);
    MeteorReset(field.meteors);
    SpikeReset(field.spikes);
    BindingsReset(field.bindings, seed);
    MudPoolReset(field.mud, FIELD_AMBIENT_LIMIT);
    // A campaign places every creature itself: its reset empties the pool of ambient ones.
    if (kept.campaign) CampaignReset(field.campaign, field.mud);
    else field.campaign = {};
    if (profile) {
        for (int i = 0; i < SHOP_UPGRADE_COUNT; i++) field.shop.level[i] = profile->shop.level[i];
    }
    HealthReset(field.health);
    HealthSetCapacity(field.health, ShopHealthLevel(&field.shop));
    field.shop.revivesUsed = 0;
    EyeCoinsReset(field.coins);
    if (profile) EyeCoinsRestore(field.coins, profile->coins, profile->coinRemainder);
    SupportReset(field.support);
    PlayerReset(field.player, {0.0f, 0.0f, 0.0f});
    field.player.position = ShipReset(field.ship, field.player.position, PLAYER_RADIUS);
    PlayerPose(field.player, 0.0f, 0.0f);
    field.camera = {};
    field.camera.viewHeight = zoom;
    CameraFollow(field.camera, field.player.position, field.player.velocity, 0.0f, true);
    // The sound of the new run starts from what it is: nothing it holds now sounds as an event.
    AudioSceneReset(field.audio);
    FieldObserveSound(field, 0.0f);

    field.seed = seed;
    field.totalTime = 0.0f;
    field.runTime = 0.0;
    field.deathTime = 0.0;
    field.loop = kept;
    // The reset is what a pending request asked for.
    field.loop.newGameRequested = false;
}

void FieldRelease(Field &field)
{
    EyeCoinsFree(field.coins);
    SoilRelease(field.soil);
}

void FieldSyncProfile(const Field &field, Profile &profile)
{
    profile.coins = field.coins.wallet;
    profile.coinRemainder = field.coins.remainder;
    for (int i = 0; i < SHOP_UPGRADE_COUNT; i++) profile.shop.level[i] = field.shop.level[i];
    profile.shop.revivesUsed = field.shop.revivesUsed;
}

bool FieldVictory(const Field &field) { return field.loop.campaign && field.campaign.phase == CAMPAIGN_VICTORY; }

void FieldObserveSound(Field &field, float dt)
{
    AudioSceneObserve(field.audio, field.mud, field.meteors, field.spikes, field.support, field.health, field.coins,
                      field.bindings, field.campaign, field.player.position, field.camera.right, dt);
    AudioSceneObserveShip(field.audio, field.ship, field.player.position, field.camera.right,
                          HealthAlive(field.health) ? dt : 0.0f);
}
