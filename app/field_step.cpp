#include "app/field_step.h"

#include "common/maths.h"
#include "frontend/encyclopedia.h"
#include "mud/mud_contact.h"
#include "mud/mud_gait.h"
#include "player/bindings.h"

#include <cmath>

void FieldControlsReset(FieldControls &controls)
{
    InputDevicesReset(controls.devices);
    CheatReset(controls.cheat);
    DevPanelReset(controls.devPanel);
}

bool FieldControlsTyping(const FieldControls &controls) { return DevPanelTextFocused(controls.devPanel); }

FieldControlsEvents FieldControlsObserve(FieldControls &controls, const FrameInput &input)
{
    FieldControlsEvents events{};
    events.modeChanged = InputTrackActivity(controls.devices, input, FrameClampDt(input.frameTime));
    if (input.focused && !FieldControlsTyping(controls)) {
        for (int key = 32; key < INPUT_KEY_LIMIT; key++) {
            if (input.keyPressed[key] && CheatFeed(controls.cheat, key)) events.cheatActivated = true;
        }
    }
    return events;
}

void FieldControlsHeldKeys(const FieldControls &controls, const FrameInput &input, bool held[BINDINGS_KEY_COUNT])
{
    for (int k = 0; k < BINDINGS_KEY_COUNT; k++) {
        int code = BindingsKeyCode(k);
        held[k] = input.focused && (input.keyDown[code] || InputPadDown(controls.devices, code));
    }
}

// The panel's events from the snapshot: mouse in letterbox pixels, typing and editing keys.
static DevPanelEvents PanelEvents(const FrameInput &in, Rectangle letterbox)
{
    DevPanelEvents e{};
    e.mouse = {in.mouse.x - letterbox.x, in.mouse.y - letterbox.y};
    e.press = in.mousePressed[0];
    e.focused = in.focused;
    if (!in.focused) return e;
    for (int i = 0; i < in.charCount && e.charCount < DEV_PANEL_CHAR_CAPACITY; i++) e.chars[e.charCount++] = in.chars[i];
    e.backspace = in.keyPressed[KEY_BACKSPACE] || in.keyRepeat[KEY_BACKSPACE];
    e.enter = in.keyPressed[KEY_ENTER] || in.keyPressed[KEY_KP_ENTER];
    e.escape = in.keyPressed[KEY_ESCAPE];
    return e;
}

void FieldMudSnapshot(const MudPool &mud, MudBefore before[MUD_CAPACITY])
{
    for (int i = 0; i < MUD_CAPACITY; i++) {
        const MudSlot &s = mud.slots[i];
        bool used = i < mud.count && s.mass > 0.0f;
        before[i].position = s.position;
        before[i].steps = s.steps;
        before[i].state = s.state;
        before[i].grounded = used && MudStandsOnGround(s);
    }
}

bool MudStandsOnGround(const MudSlot &s)
{
    return s.state == MUD_RESTING || s.state == MUD_HOP_CROUCH || (s.state >= MUD_DASH_WINDUP && s.state <= MUD_THROW_FOLLOW);
}

// A walker's feet print smaller: a non-boss of 4 up to 7 clods, or the giant walker.
static bool WalkerFeet(const MudSlot &s)
{
    if (s.boss) return s.bossIndex == 1;
    return s.mass >= 4.0f && s.mass < 7.0f;
}

void FieldGroundMarks(Field &field, const FrameSteps &steps, Vector3 playerBefore, const bool lifted[2],
                      const MudBefore before[MUD_CAPACITY])
{
    const Player &p = field.player;
    if (steps.player > 0.0f) {
        SoilPress(field.soil, playerBefore, p.position, PLAYER_RADIUS, 1.8f, steps.player);
        // A boot print where a lifted foot comes down while the astronaut walks.
        for (int f = 0; f < 2; f++) {
            const PlayerFoot &foot = p.pose.feet[f];
            if (!lifted[f] || foot.airborne || !(LengthXZ(p.velocity) > 0.15f)) continue;
            Vector3 at = {foot.position.x + 0.045f * std::sin(foot.yaw), foot.position.y,
                          foot.position.z + 0.045f * std::cos(foot.yaw)};
            TrackStampPrint(field.tracks, at, foot.yaw, 1.0f, TRACK_STAMP_BOOT);
        }
    }
    if (steps.world > 0.0f) {
        for (int k = 0; k < field.spikes.segmentCount; k++)
            TrackStampStrip(field.tracks, field.spikes.segments[k].from, field.spikes.segments[k].to, SPIKE_STRIP_WIDTH);
        const MudPool &mud = field.mud;
        for (int i = 0; i < mud.count && i < MUD_CAPACITY; i++) {
            const MudSlot &s = mud.slots[i];
            if (!(s.mass > 0.0f)) continue;
            float c = MudBodyRadius(s);
            if (before[i].grounded && MudStandsOnGround(s))
                SoilPress(field.soil, before[i].position, s.position, c * (s.mass >= 4.0f ? 0.48f : 0.76f), 1.1f, steps.world);
            if (s.dashActive) TrackStampStrip(field.tracks, s.previousPosition, s.position, 0.77f * c);
            bool stepped = s.steps > before[i].steps || (before[i].state == MUD_EMERGING && s.state != MUD_EMERGING);
            if (!stepped) continue;
            bool valid = false;
            MudLegPose legs = MudGaitLegPose(s, &valid);
            if (valid) {
                float size = legs.radius * (WalkerFeet(s) ? 0.6f : 1.2f);
                for (int f = 0; f < 2; f++) {
                    Vector3 foot = legs.foot[f];
                    if (foot.y - MudGroundHeight(mud, foot.x, foot.z) < legs.radius + 0.06f)
                        TrackStampPrint(field.tracks, foot, s.yaw, size, TRACK_STAMP_MUD);
                }
            } else {
                TrackStampPrint(field.tracks, s.position, s.yaw, c, TRACK_STAMP_MUD);
            }
        }
    }
    TrackAtlasUpdate(field.tracks, steps.frame);
}

FieldStepResult FieldStep(Field &field, FieldControls &controls, const FieldStepInput &step)
{
    FieldStepResult result{};
    const FrameInput &in = *step.input;

    // Time steps from the frame's conditions.
    FrameConditions conditions{};
    conditions.frameTime = in.frameTime;
    conditions.focused = in.focused;
    conditions.menuTransition = step.menuTransition;
    conditions.dead = !HealthAlive(field.health);
    conditions.aboardShip = ShipPlayerAboard(field.ship);
    conditions.victory = FieldVictory(field);
    FrameSteps steps = FrameComputeSteps(conditions);
    field.totalTime += steps.frame;

    // Health timers, then death and revive.
    HealthUpdate(field.health, steps.frame);
    if (!HealthAlive(field.health) && field.shop.revivesUsed < ShopRevives(&field.shop) && HealthRevive(field.health)) {
        field.shop.revivesUsed++;
        field.deathTime = 0.0;
    }
    if (!HealthAlive(field.health)) field.deathTime += steps.frame;

    // Developer controls, only after the cheat code.
    bool typing = FieldControlsTyping(controls);
    bool cheat = controls.cheat.activated;
    bool devKeys = cheat && in.focused && !typing;
    if (cheat && in.focused && in.keyPressed[KEY_F3]) field.loop.debugPanelVisible = !field.loop.debugPanelVisible;
    if (cheat) {
        // The coin button pays out once the wallet exists.
        result.coinsButton = DevPanelStep(controls.devPanel, field.loop.debugPanelVisible, false,
                                          PanelEvents(in, step.letterbox), field.loop.immortal,
                                          field.loop.speedTimesTen, field.camera.viewHeight);
        typing = FieldControlsTyping(controls);
        devKeys = devKeys && !typing;
        if (result.coinsButton) EyeCoinsAddToWallet(field.coins, 1000);
    }

    // F4 skips to the next minute or boss; the key schedule moves by the same campaign time.
    if (devKeys && in.keyPressed[KEY_F4] && steps.frame > 0.0f && field.loop.campaign)
        BindingsUpdate(field.bindings, std::fmax(0.0f, CampaignSkipMinute(field.campaign)));
    // Ten more creatures on the slash key.
    if (devKeys && (in.keyPressed[KEY_SLASH] || in.keyPressed[KEY_KP_DIVIDE]) && !FieldVictory(field))
        MudPoolQueueExtra(field.mud);

    // New run: asked for by the menu, the developer R key, or a death that has lasted long enough.
    bool deathOver = field.deathTime >= (double)FIELD_DEATH_RESET_SECONDS;
    if (field.loop.newGameRequested || (devKeys && in.keyPressed[KEY_R]) || deathOver) {
        if (step.profile) FieldSyncProfile(field, *step.profile);
        FieldReset(field, step.newRunSeed, step.profile);
        field.loop.runActive = !deathOver;
        result.runReset = true;
        result.deathReset = deathOver;
    }
    field.loop.newGameRequested = false;

    // What the run takes from the shop and the developer toggles.
    HealthSetCapacity(field.health, ShopHealthLevel(&field.shop));
    BindingsSetInterval(field.bindings, ShopSwapInterval(&field.shop));
    PlayerSetSpeedLevel(field.player, ShopLevel(&field.shop, SHOP_SPEED));
    EyeCoinsSetIncomeLevel(field.coins, ShopCoinIncomeLevel(&field.shop));
    EyeCoinsSetMagnet(field.coins, ShopMagnetFactor(&field.shop));
    field.health.immortal = field.loop.immortal;
    field.player.speedTimesTen = field.loop.speedTimesTen;

    // Camera zoom from the wheel; an unfocused window is frozen, the camera with it.
    if (!typing && in.focused && IsFinite(in.wheel))
        field.camera.viewHeight = ClampSafe(field.camera.viewHeight - 0.6f * in.wheel, CAMERA_ZOOM_MIN, CAMERA_ZOOM_MAX);

    // The bindings' exchange clock.
    BindingsUpdate(field.bindings, steps.campaign);

    // Movement input: the six keys, or the gamepad buttons that mirror them.
    bool held[BINDINGS_KEY_COUNT] = {};
    FieldControlsHeldKeys(controls, in, held);
    Vector2 axes = typing ? Vector2{0.0f, 0.0f} : BindingsCardinalAxes(field.bindings, held);

    // Ability keys: the meteor falls where the astronaut stands, the blade flies ahead.
    if (in.focused && !typing) {
        for (int k = 0; k < BINDINGS_KEY_COUNT; k++) {
            int code = BindingsKeyCode(k);
            if (!InputActionPressed(controls.devices, in, code)) continue;
            int action = BindingsPressAbility(field.bindings, k, steps.campaign);
            const FollowCamera &cam = field.camera;
            if (action == ABILITY_METEOR) MeteorCast(field.meteors, field.player.position, cam.position, cam.up, cam.viewHeight);
            if (action == ABILITY_SPIKE)
                SpikeLaunch(field.spikes, field.player.position, {std::sin(field.player.yaw), 0.0f, std::cos(field.player.yaw)});
        }
    }

    // What each creature was before its update: the ground marks compare against it.
    MudBefore before[MUD_CAPACITY];
    FieldMudSnapshot(field.mud, before);

    // The shuttle stands in the creatures' way while it is on the ground.
    MudPoolSetObstacle(field.mud, field.ship.position, SHIP_CREATURE_RADIUS, SHIP_CREATURE_HEIGHT,
                       ShipObstacleActive(field.ship));

    // The campaign: clock, population, rolling rows, the boss gate. The shuttle watches the last
    // boss before and after, so a death that ends the campaign in this update is seen too.
    bool alive = HealthAlive(field.health);
    bool wasVictory = FieldVictory(field);
    if (field.loop.campaign) {
        bool watch = field.ship.enabled && steps.frame > 0.0f && alive;
        if (watch) ShipWatchFinalBoss(field.ship, CampaignShipView(field.campaign, field.mud));
        float aspect = step.letterbox.height > 0.0f ? step.letterbox.width / step.letterbox.height : 16.0f / 9.0f;
        CampaignTakeSnapshot(field.campaign, CameraToRaylib(field.camera), aspect);
        CampaignUpdate(field.campaign, field.mud, field.camera, field.player.position, steps.campaign);
        if (watch) ShipWatchFinalBoss(field.ship, CampaignShipView(field.campaign, field.mud));
    }

    // Time alive in this run, not counting the flight home.
    if (alive && !ShipPlayerAboard(field.ship)) field.runTime += steps.frame;

    // Records: the level reached and the time spent in it.
    if (field.loop.runActive && field.loop.campaign && step.profile)
        ProfileRecord(*step.profile, field.campaign.level, (float)field.campaign.clock, field.runTime, false);
    // Entering the victory: nothing of the fight stays in the air.
    result.victoryEntered = !wasVictory && FieldVictory(field);
    if (result.victoryEntered) {
        MeteorReset(field.meteors);
        SpikeReset(field.spikes);
        SupportClearShots(field.support);
    }

    // The creatures.
    MudPoolUpdate(field.mud, field.player.position, steps.mud, &field.soil);

    // Sightings: every form seen near the player joins the encyclopedia.
    if (field.loop.runActive && step.profile)
        EncyclopediaRecordSightings(*step.profile, field.mud, field.player.position, field.camera.viewHeight);

    // The player moves along the camera's ground axes; the atlas of marks follows.
    Vector3 playerBefore = field.player.position;
    bool lifted[2] = {field.player.pose.feet[0].airborne, field.player.pose.feet[1].airborne};
    Vector3 direction = CameraMoveDirection(field.camera, axes.x, axes.y);
    PlayerStep(field.player, direction, steps.player, field.totalTime, &field.ship);
    if (steps.player > 0.0f) TrackAtlasFollow(field.tracks, field.player.position);

    // The bought aids, then regeneration, before this frame's blows.
    SupportUpdate(field.support, field.mud, field.player.position, steps.world, ShopDroneInterval(&field.shop),
                  ShopRepelInterval(&field.shop));
    HealthRegenerate(field.health, ShopRegenSecondsPerHeart(&field.shop), steps.world);

    // Meteors and blades, which can strike their caster too; then the creatures' bodies and attacks
    // against the player's step: one blow at most. Every query runs, so each attack sets its latch
    // this frame whatever the others found.
    if (steps.world > 0.0f) {
        Vector3 from = playerBefore, to = field.player.position;
        if (MeteorUpdate(field.meteors, field.mud, field.soil, from, to, steps.world)) HealthDamage(field.health, HEALTH_OWN_BLOW);
        if (SpikeUpdate(field.spikes, field.mud, field.soil, from, to, steps.world)) HealthDamage(field.health, HEALTH_OWN_BLOW);
        bool hit = MudContactDash(field.mud, from, to, FIELD_PLAYER_CONTACT_RADIUS);
        hit = MudContactKick(field.mud, from, to, FIELD_PLAYER_CONTACT_RADIUS) || hit;
        hit = MudContactPunch(field.mud, from, to, FIELD_PLAYER_CONTACT_RADIUS) || hit;
        hit = MudContactProjectile(field.mud, from, to, FIELD_PLAYER_CONTACT_RADIUS) || hit;
        if (!(field.health.invulnerableLeft > 0.0f))
            hit = MudContactTouch(field.mud, from, to, FIELD_PLAYER_CONTACT_RADIUS) || hit;
        if (hit) HealthHit(field.health);
    }

    // Eye coins: the dead turn into eyes, the eyes fly, land and come to the player.
    if (steps.frame > 0.0f && HealthAlive(field.health)) {
        EyeCoinsSetLevel(field.coins, field.loop.campaign ? field.campaign.level : 1);
        EyeCoinsConsumeDeaths(field.coins, field.mud);
        EyeCoinsUpdate(field.coins, field.mud, playerBefore, field.player.position, steps.frame);
    }

    // The shuttle: crystal, repair, boarding, launch. Aboard, the astronaut stands still.
    result.departed = ShipUpdate(field.ship, playerBefore, field.player.position, alive ? steps.frame : 0.0f);
    if (result.departed && field.loop.runActive && step.profile)
        ProfileRecord(*step.profile, field.campaign.level, (float)field.campaign.clock, field.runTime, true);
    if (ShipPlayerAboard(field.ship)) PlayerStandAboard(field.player, steps.frame, field.totalTime);

    // What the run earned and spent goes into the profile.
    if (step.profile) FieldSyncProfile(field, *step.profile);

    FieldGroundMarks(field, steps, playerBefore, lifted, before);

    // Camera follow, then what the frame sounded like.
    CameraFollow(field.camera, field.player.position, field.player.velocity, steps.frame, false);
    FieldObserveSound(field, steps.frame);

    result.steps = steps;
    return result;
}

FieldMenuResult FieldMenuStep(Field &field, MenuState &menu, Profile &profile, bool &pausedThisFrame,
                              bool &menuVisible, const MenuInput &input, float frameTime, uint32_t newRunSeed)
{
    FieldMenuResult r{};
    bool introBefore = profile.introSeen;
    Profile before = profile;
    r.action = MenuFrameUpdate(menu, profile, pausedThisFrame, field.loop.runActive, FrameClampDt(frameTime), input,
                               nullptr);
    r.changed = SettingsCompare(before, profile);
    r.introJustSeen = !introBefore && profile.introSeen;

    // Purchases in the shop take effect in the run at once.
    for (int i = 0; i < SHOP_UPGRADE_COUNT; i++) field.shop.level[i] = profile.shop.level[i];
    EyeCoinsRestore(field.coins, profile.coins, profile.coinRemainder);

    switch (r.action) {
    case MENU_ACTION_NEW_GAME:
        field.loop.newGameRequested = true;
        field.loop.runActive = true;
        menuVisible = false;
        break;
    case MENU_ACTION_CONTINUE:
        menuVisible = false;
        break;
    case MENU_ACTION_ERASE:
        ProfileResetProgress(profile);
        FieldReset(field, newRunSeed, &profile);
        field.loop.runActive = false;
        r.erased = true;
        break;
    case MENU_ACTION_MAIN_MENU:
        field.loop.runActive = false;
        break;
    default:
        break;
    }
    r.closed = !menuVisible;
    return r;
}

void FieldOpenMenu(Field &field, FieldFlow &flow, int screen)
{
    if (flow.profile) FieldSyncProfile(field, *flow.profile);
    MenuShow(*flow.menu, screen);
    flow.menuVisible = true;
    flow.pausedThisFrame = true;
}

FieldFlowChoice FieldFlowChoose(Field &field, const FieldControls &controls, FieldFlow &flow, const FrameInput &f,
                                Rectangle letterbox)
{
    FieldFlowChoice choice{};
    // The victory screen: the way back to the menu once the shuttle has gone.
    if (!flow.menuVisible && f.focused && field.ship.enabled && field.ship.phase == SHIP_DEPARTED) {
        Rectangle exit = ShipExitButtonRect(letterbox.width, letterbox.height);
        Vector2 mouse = {f.mouse.x - letterbox.x, f.mouse.y - letterbox.y};
        bool click = f.mousePressed[0] && mouse.x >= exit.x && mouse.x < exit.x + exit.width && mouse.y >= exit.y &&
                     mouse.y < exit.y + exit.height;
        bool key = f.keyPressed[KEY_ENTER] || f.keyPressed[KEY_SPACE] || f.keyPressed[KEY_F] || f.keyPressed[KEY_J] ||
                   f.keyPressed[KEY_ESCAPE] || InputPadPressed(controls.devices, KEY_J) || InputPadStart(controls.devices);
        if (click || key) {
            field.loop.runActive = false;
            FieldOpenMenu(field, flow, MENU_SCREEN_MAIN);
            choice.cueGain = 0.6f;
        }
    }
    if (flow.menuVisible) {
        choice.menuFrame = true;
        return choice;
    }
    bool pause = f.keyPressed[KEY_ESCAPE] || InputPadStart(controls.devices);
    if (flow.menusOn && f.focused && !FieldControlsTyping(controls) && pause) {
        FieldOpenMenu(field, flow, MENU_SCREEN_PAUSE);
        choice.menuFrame = true;
        choice.cueGain = 0.5f;
    }
    return choice;
}

void FieldFlowAfterStep(Field &, FieldFlow &flow, const FieldStepResult &result)
{
    if (result.deathReset && flow.menusOn) {
        MenuShow(*flow.menu, MENU_SCREEN_MAIN);
        flow.menuVisible = true;
    }
}
