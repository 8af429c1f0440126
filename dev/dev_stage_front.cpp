// Staged captures of the front end: the menus driven by clicks at the screens' own button
// rectangles, the profile's wallet and levels read after every click.
//
// Index
//   [SECTION] Shared
//   [SECTION] Shop
//   [SECTION] Interface cues
#include "dev/dev_stage_front.h"

#include "audio/audio_engine.h"
#include "audio/audio_publish.h"
#include "audio/audio_wav.h"
#include "campaign/shop.h"
#include "frontend/menu.h"
#include "frontend/profile.h"
#include "frontend/settings.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

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

// [SECTION] Interface cues

// The mouse's path: hovers over the main menu, "Настройки", the music volume dragged from its
// default to 0.30, the sound box off and on again, Escape, "Магазин", a purchase and a refusal,
// Escape.
constexpr int AUDIO_SETTINGS_FRAME = 40;
constexpr int AUDIO_DRAG_FRAME = 62;
constexpr int AUDIO_DRAG_FRAMES = 36;
constexpr float AUDIO_DRAG_TO = 0.30f;
constexpr int AUDIO_MUTE_FRAME = 112;
constexpr int AUDIO_UNMUTE_FRAME = 126;
constexpr int AUDIO_BACK_FRAME = 140;
constexpr int AUDIO_SHOP_FRAME = 156;
constexpr int AUDIO_BUY_FRAME = 176;
constexpr int AUDIO_DENY_FRAME = 190;
constexpr int AUDIO_LEAVE_FRAME = 204;
constexpr int AUDIO_END_FRAME = 224;
constexpr uint64_t AUDIO_WALLET = 20;     // one key-swap level (15); the drone (150) is refused

enum { AC_SERIAL, AC_TYPES, AC_PAN_WRONG = AC_TYPES + 7, AC_MAP_WRONG, AC_TICK_GAP_LEAST, AC_SCREEN_SETTINGS, AC_SCREEN_SHOP, AC_LAST_TICK };
static_assert(AC_LAST_TICK < DEV_STAGE_COUNTERS, "the cue capture's counters fit the stage record");
enum { AV_MUSIC_AFTER, AV_SOUND_MUTED, AV_SOUND_BACK };

static float TrackX(Rectangle track, float value) { return track.x + value * track.width; }

void DevStageFrontAudio(DevStage &stage, Field &, DevStageHook hook)
{
    int *c = stage.count;
    float *v = stage.value;
    switch (hook) {
    case DEV_STAGE_BEGIN: {
        stage.menus = true;
        stage.frameLimit = AUDIO_END_FRAME + 1;
        int f = 6;
        for (int b = 0; b < 4; b++, f += 8) DevStageEvent(stage, {f, DEV_EVENT_MOUSE, 0, 1, 0.0f, Centre(MENU_MAIN_BUTTONS[b].rect)});
        ClickAt(stage, AUDIO_SETTINGS_FRAME, Centre(MENU_MAIN_BUTTONS[3].rect));
        DevStageShot(stage, AUDIO_SETTINGS_FRAME + 16, "audio-ui-1-settings");
        // The music slider taken at its knob and drawn left frame by frame.
        Rectangle track = SETTINGS_FULL.track[SETTINGS_SLIDER_MUSIC];
        float y = track.y + 0.5f * track.height, from = 0.75f;
        DevStageEvent(stage, {AUDIO_DRAG_FRAME - 3, DEV_EVENT_MOUSE, 0, 1, 0.0f, {TrackX(track, from), y}});
        DevStageEvent(stage, {AUDIO_DRAG_FRAME, DEV_EVENT_CLICK, 0, AUDIO_DRAG_FRAMES + 2, 0.0f, {TrackX(track, from), y}});
        for (int k = 1; k <= AUDIO_DRAG_FRAMES; k++) {
            float value = from + (AUDIO_DRAG_TO - from) * (float)k / (float)AUDIO_DRAG_FRAMES;
            DevStageEvent(stage, {AUDIO_DRAG_FRAME + k, DEV_EVENT_MOUSE, 0, 1, 0.0f, {TrackX(track, value), y}});
        }
        DevStageShot(stage, AUDIO_DRAG_FRAME + AUDIO_DRAG_FRAMES + 4, "audio-ui-2-music-dragged");
        ClickAt(stage, AUDIO_MUTE_FRAME, Centre(SETTINGS_FULL.box[SETTINGS_SLIDER_SOUND]));
        DevStageShot(stage, AUDIO_MUTE_FRAME + 6, "audio-ui-3-sound-off");
        ClickAt(stage, AUDIO_UNMUTE_FRAME, Centre(SETTINGS_FULL.box[SETTINGS_SLIDER_SOUND]));
        DevStageEvent(stage, {AUDIO_BACK_FRAME, DEV_EVENT_PRESS, KEY_ESCAPE, 1, 0.0f, {}});
        ClickAt(stage, AUDIO_SHOP_FRAME, Centre(MENU_MAIN_BUTTONS[1].rect));
        ClickAt(stage, AUDIO_BUY_FRAME, Centre(ShopBuyRect(SHOP_BINDINGS)));
        ClickAt(stage, AUDIO_DENY_FRAME, Centre(ShopBuyRect(SHOP_DRONE)));
        DevStageShot(stage, AUDIO_DENY_FRAME + 4, "audio-ui-4-shop-refused");
        DevStageEvent(stage, {AUDIO_LEAVE_FRAME, DEV_EVENT_PRESS, KEY_ESCAPE, 1, 0.0f, {}});
        DevStageShot(stage, AUDIO_END_FRAME, "audio-ui-5-main");
        c[AC_TICK_GAP_LEAST] = 1 << 20;
        c[AC_LAST_TICK] = -1;
        break;
    }
    case DEV_STAGE_ARRANGE:
        if (!stage.profile || !stage.menu) {
            stage.done = true;
            break;
        }
        if (stage.frame == 0) stage.profile->coins = AUDIO_WALLET;
        break;
    case DEV_STAGE_OBSERVE: {
        if (!stage.profile || !stage.menu) break;
        const MenuState &m = *stage.menu;
        const Profile &p = *stage.profile;
        if (stage.frame == AUDIO_SETTINGS_FRAME + 2) c[AC_SCREEN_SETTINGS] = m.screen == MENU_SCREEN_SETTINGS;
        if (stage.frame == AUDIO_SHOP_FRAME + 2) c[AC_SCREEN_SHOP] = m.screen == MENU_SCREEN_SHOP;
        if (stage.frame == AUDIO_DRAG_FRAME + AUDIO_DRAG_FRAMES + 4) v[AV_MUSIC_AFTER] = p.musicVolume;
        if (stage.frame == AUDIO_MUTE_FRAME) v[AV_SOUND_MUTED] = p.soundEnabled ? 1.0f : 0.0f;
        if (stage.frame == AUDIO_UNMUTE_FRAME) v[AV_SOUND_BACK] = p.soundEnabled ? 1.0f : 0.0f;
        AudioPublishInput in = MenuAudioInput(m, p, true, stage.viewWidth);
        int events = in.cueSerial - c[AC_SERIAL];
        c[AC_SERIAL] = in.cueSerial;
        if (events <= 0) break;
        if (stage.cueCount >= DEV_STAGE_CUE_CAPACITY) {
            stage.overflow = true;
            break;
        }
        DevStageCue &cue = stage.cues[stage.cueCount++];
        cue = {stage.frame, m.screen, in.cueType, events, AudioPublishCueId(in.cueType), AudioPublishCuePan(in.pointerX, in.windowWidth),
               in.musicContext, in.musicVolume, in.soundVolume, in.musicEnabled, in.soundEnabled};
        if (in.cueType <= MENU_CUE_PURCHASE) c[AC_TYPES + in.cueType]++;
        // Interface events 1..6 are the cues 0..5; the pan follows the pointer, within 0.15.
        if (cue.id != (int)in.cueType - 1) c[AC_MAP_WRONG]++;
        float side = in.pointerX - 0.5f * in.windowWidth;
        if (!(std::fabs(cue.pan) <= 0.15f + 1e-6f) || side * cue.pan < 0.0f) c[AC_PAN_WRONG]++;
        if (in.cueType == MENU_CUE_SLIDER_TICK) {
            if (c[AC_LAST_TICK] >= 0) c[AC_TICK_GAP_LEAST] = std::min(c[AC_TICK_GAP_LEAST], stage.frame - c[AC_LAST_TICK]);
            c[AC_LAST_TICK] = stage.frame;
        }
        DevStageNote(stage, "frame %d screen %d: event %u (%d raised) -> cue %d, pan %+.3f, music %.2f%s sound %.2f%s", stage.frame,
                     m.screen, in.cueType, events, cue.id, cue.pan, in.musicVolume, in.musicEnabled ? "" : " off", in.soundVolume,
                     in.soundEnabled ? "" : " off");
        break;
    }
    case DEV_STAGE_FINISH: {
        const int *t = c + AC_TYPES;
        float dt = 1.0f / stage.hz;
        DevStageNote(stage, "events: %d hover, %d accept, %d back, %d denial, %d slider tick, %d purchase; ticks at least %d frames apart",
                     t[MENU_CUE_HOVER], t[MENU_CUE_ACCEPT], t[MENU_CUE_BACK], t[MENU_CUE_DENIAL], t[MENU_CUE_SLIDER_TICK],
                     t[MENU_CUE_PURCHASE], c[AC_TICK_GAP_LEAST]);
        DevStagePromise(stage, c[AC_SCREEN_SETTINGS] == 1 && c[AC_SCREEN_SHOP] == 1, "the clicks opened the settings and the shop");
        DevStagePromise(stage, t[MENU_CUE_HOVER] >= 4 && t[MENU_CUE_ACCEPT] >= 4 && t[MENU_CUE_BACK] >= 2 && t[MENU_CUE_DENIAL] >= 1 &&
                                   t[MENU_CUE_PURCHASE] == 1 && t[MENU_CUE_SLIDER_TICK] >= 3,
                        "every kind of interface event sounded: hovers, accepts, backs, ticks, the purchase, the refusal");
        DevStagePromise(stage, c[AC_MAP_WRONG] == 0 && c[AC_PAN_WRONG] == 0,
                        "events 1..6 post cues 0..5, panned towards the pointer within 0.15");
        DevStagePromise(stage, c[AC_TICK_GAP_LEAST] * dt >= SETTINGS_TICK_THROTTLE - 1e-4f, "slider ticks at least %.1f s apart",
                        SETTINGS_TICK_THROTTLE);
        DevStagePromise(stage, std::fabs(v[AV_MUSIC_AFTER] - AUDIO_DRAG_TO) <= 0.026f, "the dragged music volume reads %.2f",
                        v[AV_MUSIC_AFTER]);
        DevStagePromise(stage, v[AV_SOUND_MUTED] == 0.0f && v[AV_SOUND_BACK] == 1.0f, "the sound box switches the sound off and on");
        break;
    }
    }
}

// The cue log's iterations rendered into `buffer`, 800 frames each, the states always and the
// cues only `withCues`; false if the engine cannot be made.
static bool RenderLog(const DevStage &stage, int iterations, bool withCues, float *buffer)
{
    AudioEngine *engine = new AudioEngine();
    bool ok = AudioEngineCreate(*engine, 1);
    int next = 0;
    AudioPublishInput in{};
    in.musicVolume = 0.75f;
    in.soundVolume = 0.85f;
    in.musicEnabled = in.soundEnabled = in.focused = true;
    for (int i = 0; ok && i < iterations; i++) {
        const DevStageCue *cue = next < stage.cueCount && stage.cues[next].frame == i ? &stage.cues[next++] : nullptr;
        if (cue) {
            in.musicContext = cue->musicContext;
            in.musicVolume = cue->musicVolume;
            in.soundVolume = cue->soundVolume;
            in.musicEnabled = cue->musicEnabled;
            in.soundEnabled = cue->soundEnabled;
        }
        AudioEnginePostState(*engine, AudioPublishState(in, nullptr));
        // The gain and pitch the publisher gives every interface cue.
        if (withCues && cue && cue->id >= 0) AudioEnginePostCue(*engine, cue->id, cue->pan, 0.68f, 1.0f);
        AudioEngineProcess(*engine, buffer + (size_t)i * 800u * 2u, 800u);
    }
    AudioEngineRelease(*engine);
    delete engine;
    return ok;
}

bool DevStageFrontRenderCues(DevStage &stage, const char *path, DevCueRender &out)
{
    out = {};
    out.finite = true;
    int last = stage.cueCount > 0 ? stage.cues[stage.cueCount - 1].frame : 0;
    int iterations = last + (int)(0.6f * 60.0f);
    out.frames = (uint32_t)iterations * 800u;
    size_t samples = (size_t)out.frames * 2;
    float *heard = (float *)calloc(samples, sizeof(float));
    float *bed = (float *)calloc(samples, sizeof(float));
    out.rendered = heard && bed && RenderLog(stage, iterations, true, heard) && RenderLog(stage, iterations, false, bed);
    // What each cue adds: the render against the same states without cues, over its first 0.15 s.
    float quietest = 1e9f, mutedLoudest = 0.0f;
    if (out.rendered) {
        for (size_t k = 0; k < samples; k++) {
            if (!std::isfinite(heard[k])) out.finite = false;
            else out.peak = std::fmax(out.peak, std::fabs(heard[k]));
        }
        for (int n = 0; n < stage.cueCount; n++) {
            const DevStageCue &cue = stage.cues[n];
            if (cue.id < 0) continue;
            auto added = [&](uint32_t start, uint32_t length) {
                double sum = 0.0;
                size_t from = ((size_t)cue.frame * 800u + start) * 2u, to = std::min(samples, from + (size_t)length * 2u);
                for (size_t k = from; k < to; k++) sum += (double)(heard[k] - bed[k]) * (heard[k] - bed[k]);
                return to > from ? (float)std::sqrt(sum / (double)(to - from)) : 0.0f;
            };
            // The effects fade out over their 25 ms glide when the sound goes off: the cue of that
            // very click is heard at first, then fades to nothing.
            if (!cue.soundEnabled) {
                mutedLoudest = std::fmax(mutedLoudest, added(4800u, 4800u));
                continue;
            }
            float rms = added(0u, 7200u);
            out.sounding++;
            out.heard += rms > 1e-3f;
            quietest = std::fmin(quietest, rms);
        }
    }
    bool written = true;
    if (out.rendered && path) {
        written = AudioWavWrite(path, heard, out.frames);
        if (!written) TraceLog(LOG_ERROR, "DEV: could not write %s", path);
    }
    DevStageNote(stage, "offline render: %u frames (%.2f s), peak %.3f; %d of %d cues add sound of their own (the quietest %.4f rms)",
                 out.frames, out.frames / 48000.0, out.peak, out.heard, out.sounding, quietest);
    DevStagePromise(stage, out.rendered && out.finite && out.peak > 0.0f && out.peak <= 0.94f + 1e-6f,
                    "the render is finite and within 0.94");
    DevStagePromise(stage, out.rendered && out.sounding > 0 && out.heard == out.sounding,
                    "every cue with the sound on is heard over the music in its first 0.15 s");
    DevStagePromise(stage, out.rendered && mutedLoudest < 1e-3f, "a cue raised as the sound goes off is below -60 dBFS from 0.1 s on (%.2g rms)", mutedLoudest);
    free(heard);
    free(bed);
    return written;
}
