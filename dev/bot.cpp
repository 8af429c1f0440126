// The developer player: its eyes (what the screen shows of a run and of the menus) and its
// decisions (which keys to hold and press, which button to click).
//
// Index
//   [SECTION] Sight
//   [SECTION] Memory
//   [SECTION] Movement
//   [SECTION] Abilities
//   [SECTION] Play
//   [SECTION] Menus
#include "dev/bot.h"

#include "common/maths.h"
#include "frontend/menu_canvas.h"
#include "mud/mud_pool.h"
#include "world/arena.h"

#include <cmath>

// [SECTION] Sight

// States whose pose shows an attack coming or under way.
static bool Lunging(int state)
{
    switch (state) {
    case MUD_DASH_WINDUP:
    case MUD_DASH:
    case MUD_KICK_WINDUP:
    case MUD_KICK_STRIKE:
    case MUD_PUNCH_WINDUP:
    case MUD_PUNCH_STRIKE:
    case MUD_THROW_WINDUP:
    case MUD_THROW_FOLLOW:
    case MUD_THROWN:
    case MUD_BOSS_LEAP:
        return true;
    default:
        return false;
    }
}

// A body the player sees standing, moving or rising: not a free slot, a corpse, a merged donor or
// a bun in a golem's hand (the golem is what is seen).
static bool Visible(const MudSlot &s)
{
    if (!(s.mass > 0.0f)) return false;
    switch (s.state) {
    case MUD_FREE:
    case MUD_CORPSE:
    case MUD_ABSORBED:
    case MUD_HELD:
        return false;
    default:
        return true;
    }
}

void BotSee(const Field &field, float dt, Rectangle letterbox, BotSight &sight)
{
    sight = {};
    const FollowCamera &cam = field.camera;
    float aspect = letterbox.height > 0.0f ? letterbox.width / letterbox.height : BOT_VIEW_ASPECT;
    float halfHeight = cam.viewHeight * 0.5f, halfWidth = halfHeight * aspect;
    auto inView = [&](Vector3 p, float margin) {
        Vector3 d = p - cam.position;
        return std::fabs(Vector3DotProduct(d, cam.right)) < halfWidth + margin &&
               std::fabs(Vector3DotProduct(d, cam.up)) < halfHeight + margin;
    };

    sight.alive = HealthAlive(field.health);
    sight.aboard = ShipPlayerAboard(field.ship);
    sight.victoryScreen = field.ship.enabled && field.ship.phase == SHIP_DEPARTED;
    sight.player = field.player.position;
    sight.yaw = field.player.yaw;
    sight.speed = LengthXZ(field.player.velocity);
    sight.screenRight = CameraMoveDirection(cam, 1.0f, 0.0f);
    sight.screenUp = CameraMoveDirection(cam, 0.0f, 1.0f);
    for (int i = 0; i < BINDINGS_SLOT_COUNT; i++) sight.slotKey[i] = field.bindings.slotKey[i];
    for (int i = 0; i < BINDINGS_ABILITY_SLOTS; i++) sight.cooldown[i] = field.bindings.cooldown[i];
    sight.quarters = field.health.quarters;
    sight.maxQuarters = field.health.maxQuarters;
    sight.campaign = field.loop.campaign;
    sight.level = field.campaign.level;
    sight.phase = field.campaign.phase;

    const MudPool &mud = field.mud;
    for (int i = 0; i < mud.count && i < MUD_CAPACITY; i++) {
        const MudSlot &s = mud.slots[i];
        if (!Visible(s)) continue;
        float r = MudBodyScale(s);
        bool boss = s.boss && s.health > 0.0f;
        if (!boss && !inView(s.position, r)) continue;
        BotCreature &c = sight.creatures[sight.creatureCount++];
        c.position = s.position;
        if (dt > 0.0f) c.velocity = (s.position - s.previousPosition) * (1.0f / dt);
        if (!IsFinite(c.velocity)) c.velocity = {};
        c.velocity.y = 0.0f;
        c.radius = r;
        c.boss = boss ? 1 : 0;
        c.gathering = s.gatherer ? 1 : 0;
        c.lunging = Lunging(s.state) ? 1 : 0;
        c.roller = s.roller ? 1 : 0;
    }

    const EyeCoins &coins = field.coins;
    for (uint64_t i = 0; i < coins.count && sight.eyeCount < BOT_EYE_CAPACITY; i++) {
        const EyeCoin &e = coins.items[i];
        if (inView(e.position, 0.0f)) sight.eyes[sight.eyeCount++] = e.position;
    }

    const Ship &ship = field.ship;
    if (ship.enabled) {
        sight.crystalState = ship.crystalState;
        sight.crystal = ship.crystal;
        sight.shipPhase = ship.phase;
        sight.ship = ship.position;
        sight.hatch = ShipHatchPoint(ship);
        sight.exitButton = ShipExitButtonRect(letterbox.width, letterbox.height);
    }
}

void BotMenuSee(const MenuState &menu, const Profile &profile, bool runActive, float windowWidth,
                float windowHeight, BotMenuSight &sight)
{
    sight = {};
    sight.screen = menu.screen;
    sight.dialog = menu.dialog;
    sight.runActive = runActive;
    sight.wallet = profile.coins;
    for (int i = 0; i < SHOP_UPGRADE_COUNT; i++) {
        sight.level[i] = ShopLevel(&profile.shop, i);
        sight.price[i] = ShopPrice(&profile.shop, i);
    }
    sight.controlCount = MenuFocusList(menu, profile, sight.controls);
    sight.windowWidth = windowWidth;
    sight.windowHeight = windowHeight;
}

// [SECTION] Memory

void BotReset(Bot &bot, uint32_t seed)
{
    bot = {};
    bot.rng = seed ? seed : 1u;
    bot.moveSlot = -1;
    bot.heldKey = -1;
    bot.lastQuarters = -1;
    bot.mouse = {640.0f, 360.0f};
}

static void Remember(BotCast *list, int &count, Vector3 at, Vector3 direction)
{
    if (count == BOT_CAST_MEMORY) {
        for (int i = 1; i < count; i++) list[i - 1] = list[i];
        count--;
    }
    list[count++] = {at, direction, 0.0f};
}

// Ages what the bot remembers and forgets what is over: a meteor 2.74 s after the press, a
// blade once it can be back at its launch point and sunk.
static void Forget(BotCast *list, int &count, float dt, float life)
{
    int kept = 0;
    for (int i = 0; i < count; i++) {
        list[i].age += dt;
        if (list[i].age < life) list[kept++] = list[i];
    }
    count = kept;
}

// [SECTION] Movement

constexpr float BOT_METEOR_LIFE = 2.9f;        // seconds: the press to the burst's end
constexpr float BOT_METEOR_IMPACT = 1.89f;     // seconds: the press to the landing
constexpr float BOT_BLADE_LIFE = 4.6f;         // seconds: a full-range blade's whole run
constexpr float BOT_BLADE_RETURN = 2.2f;       // seconds: the earliest a full blade turns back
constexpr float BOT_BLADE_RANGE = 25.0f;

static Vector3 SlotDirection(const BotSight &s, int slot)
{
    switch (slot) {
    case SLOT_UP: return s.screenUp;
    case SLOT_DOWN: return s.screenUp * -1.0f;
    case SLOT_RIGHT: return s.screenRight;
    case SLOT_LEFT: return s.screenRight * -1.0f;
    default: return {0.0f, 0.0f, 0.0f};
    }
}

static float DistanceXZ(Vector3 a, Vector3 b) { return LengthXZ(a - b); }

// Distance in the ground plane from p to the segment a..b.
static float SegmentDistance(Vector3 p, Vector3 a, Vector3 b)
{
    Vector3 ab = {b.x - a.x, 0.0f, b.z - a.z};
    Vector3 ap = {p.x - a.x, 0.0f, p.z - a.z};
    float len2 = ab.x * ab.x + ab.z * ab.z;
    float t = len2 > 1e-6f ? ClampSafe((ap.x * ab.x + ap.z * ab.z) / len2, 0.0f, 1.0f) : 0.0f;
    return LengthXZ(ap - ab * t);
}

// How bad it is to stand at p after t seconds: crowds, the bot's own falling meteors and
// returning blades, the arena's edge.
static float Danger(const Bot &bot, const BotSight &s, Vector3 p, float t)
{
    float danger = 0.0f;
    for (int i = 0; i < s.creatureCount; i++) {
        const BotCreature &c = s.creatures[i];
        // Rollers and lunges keep their line; the rest come towards the astronaut.
        Vector3 at = c.position + c.velocity * t;
        if (!c.roller && !c.lunging) {
            Vector3 toward = {p.x - c.position.x, 0.0f, p.z - c.position.z};
            float d = LengthXZ(toward);
            float step = std::fmin(d, (c.boss ? 3.5f : 2.2f) * t);
            if (d > 1e-4f) at = c.position + toward * (step / d);
        }
        float gap = DistanceXZ(p, at) - c.radius - 0.35f;
        if (gap > 9.0f) continue;
        float weight = (c.boss ? 4.0f : 1.0f) * (c.lunging ? 2.5f : 1.0f) * (c.roller ? 3.0f : 1.0f);
        float g = std::fmax(gap, 0.12f);
        danger += weight / (g * g);
    }
    for (int i = 0; i < bot.meteorCount; i++) {
        const BotCast &m = bot.meteors[i];
        float d = DistanceXZ(p, m.at);
        if (m.age + t < BOT_METEOR_IMPACT + 0.25f && d < 2.0f) danger += 80.0f * (2.0f - d);
    }
    for (int i = 0; i < bot.bladeCount; i++) {
        const BotCast &b = bot.blades[i];
        if (b.age + t < BOT_BLADE_RETURN - 0.6f) continue;
        float d = SegmentDistance(p, b.at, b.at + b.direction * BOT_BLADE_RANGE);
        if (d < 1.4f) danger += 60.0f * (1.4f - d);
    }
    float edge = ArenaSignedDistance(p.x, p.z);
    if (edge > -10.0f) danger += 0.4f * (10.0f + edge) * (10.0f + edge);
    return danger;
}

// The best screen direction (or none, -1) towards `goal` with the least danger on the way.
static int ChooseDirection(const Bot &bot, const BotSight &s, const Vector3 *goal, int preferred, float goalWeight)
{
    const float times[4] = {0.2f, 0.45f, 0.8f, 1.2f};
    float speed = std::fmax(2.7f, s.speed);
    int best = -1;
    float bestScore = -1e30f;
    for (int o = -1; o < 4; o++) {
        Vector3 dir = o < 0 ? Vector3{0.0f, 0.0f, 0.0f} : SlotDirection(s, o);
        float score = 0.0f;
        Vector3 p = s.player;
        for (float t : times) {
            p = ArenaClampCircle(s.player + dir * (speed * t), 0.4f);
            score -= Danger(bot, s, p, t) * (t < 0.5f ? 1.5f : 1.0f);
        }
        // Progress is the closest the walk comes to the goal, so an overshoot still counts.
        if (goal) {
            float now = DistanceXZ(s.player, *goal);
            score += goalWeight * (now - SegmentDistance(*goal, s.player, p));
        }
        if (o == preferred) score += 0.8f;
        if (o == bot.moveSlot) score += 0.4f;
        if (score > bestScore) {
            bestScore = score;
            best = o;
        }
    }
    return best;
}

// [SECTION] Abilities

// The screen direction closest to the bearing towards `target`, and how far off it is.
static int CardinalToward(const BotSight &s, Vector3 target, float *offAngle)
{
    Vector3 d = {target.x - s.player.x, 0.0f, target.z - s.player.z};
    float len = LengthXZ(d);
    int best = -1;
    float bestCos = -2.0f;
    if (len < 1e-4f) {
        *offAngle = 3.14159265f;
        return -1;
    }
    for (int o = 0; o < 4; o++) {
        Vector3 dir = SlotDirection(s, o);
        float c = (d.x * dir.x + d.z * dir.z) / len;
        if (c > bestCos) {
            bestCos = c;
            best = o;
        }
    }
    *offAngle = std::acos(ClampSafe(bestCos, -1.0f, 1.0f));
    return best;
}

// A creature the blade would cut if thrown now: ahead of the astronaut, close to the facing line.
static bool BladeLine(const BotSight &s, const BotCreature &c)
{
    Vector3 facing = {std::sin(s.yaw), 0.0f, std::cos(s.yaw)};
    Vector3 d = {c.position.x - s.player.x, 0.0f, c.position.z - s.player.z};
    float ahead = d.x * facing.x + d.z * facing.z;
    if (ahead < 1.0f || ahead > 22.0f) return false;
    float side = std::fabs(d.x * facing.z - d.z * facing.x);
    return side < c.radius + 0.25f;
}

static void Press(FrameInput &in, int keyIndex)
{
    int code = BindingsKeyCode(keyIndex);
    if (code <= 0) return;
    in.keyPressed[code] = true;
    in.keyDown[code] = true;
}

// [SECTION] Play

// Where the bot wants to be: the finale's crystal, shuttle and hatch, else the nearest eye that
// is not under its own meteor or in a crowd, else its wandering point.
static bool ChooseGoal(Bot &bot, const BotSight &s, float dt, Vector3 &goal, float &weight)
{
    weight = 1.2f;
    bool finale = s.crystalState != SHIP_CRYSTAL_NONE || (s.campaign && s.phase == CAMPAIGN_VICTORY);
    if (finale) {
        weight = 4.0f;
        switch (s.crystalState) {
        case SHIP_CRYSTAL_DROPPED:
        case SHIP_CRYSTAL_ATTRACTED: goal = s.crystal; return true;
        case SHIP_CRYSTAL_CARRIED: goal = s.ship; return true;
        case SHIP_CRYSTAL_INSTALLING:
        case SHIP_CRYSTAL_INSTALLED: {
            // Around the hull to the hatch's side first: the hull stops a straight walk.
            Vector3 out = {s.hatch.x - s.ship.x, 0.0f, s.hatch.z - s.ship.z};
            float len = LengthXZ(out);
            out = len > 1e-4f ? out * (1.0f / len) : Vector3{0.0f, 0.0f, 1.0f};
            Vector3 rel = {s.player.x - s.ship.x, 0.0f, s.player.z - s.ship.z};
            if (rel.x * out.x + rel.z * out.z > 0.6f) {
                goal = s.hatch;
                return true;
            }
            Vector3 side = {out.z, 0.0f, -out.x};
            float sign = rel.x * side.x + rel.z * side.z >= 0.0f ? 1.0f : -1.0f;
            goal = s.ship + side * (2.3f * sign) + out * 1.2f;
            return true;
        }
        default: break;
        }
    }
    float best = 18.0f;
    bool found = false;
    for (int i = 0; i < s.eyeCount; i++) {
        Vector3 e = s.eyes[i];
        float d = DistanceXZ(s.player, e);
        if (d >= best) continue;
        bool safe = true;
        for (int k = 0; k < bot.meteorCount && safe; k++)
            safe = !(bot.meteors[k].age < BOT_METEOR_IMPACT + 0.3f && DistanceXZ(e, bot.meteors[k].at) < 2.2f);
        for (int k = 0; k < s.creatureCount && safe; k++) {
            const BotCreature &c = s.creatures[k];
            safe = DistanceXZ(e, c.position) > c.radius + (c.boss ? 4.0f : 1.8f);
        }
        if (!safe) continue;
        best = d;
        goal = e;
        found = true;
    }
    if (found) {
        weight = 2.0f;
        return true;
    }
    // Wander: a new point now and then, away from the edge, and a fresh one once reached.
    bot.roamTimer -= dt;
    if (bot.roamTimer <= 0.0f || DistanceXZ(s.player, bot.roam) < 4.0f) {
        float a = 6.2831853f * (float)(Xorshift32(bot.rng) & 0xFFFF) / 65536.0f;
        float r = 20.0f + 50.0f * (float)(Xorshift32(bot.rng) & 0xFFFF) / 65536.0f;
        bot.roam = {r * std::cos(a), 0.0f, r * std::sin(a)};
        bot.roamTimer = 8.0f;
    }
    goal = bot.roam;
    weight = 0.6f;
    return true;
}

void BotPlay(Bot &bot, const BotSight &s, float frameTime, Vector2 viewOrigin, FrameInput &in)
{
    in = {};
    in.frameTime = frameTime;
    // The bot's own clocks take no time from a frame that has none.
    float dt = IsFinite(frameTime) && frameTime > 0.0f ? frameTime : 0.0f;
    in.focused = true;
    in.mouse = bot.mouse;

    // The victory screen: a moment to look at it, then Enter.
    if (s.victoryScreen) {
        bot.victoryWait += dt;
        bot.moveSlot = bot.heldKey = -1;
        if (bot.victoryWait >= 1.0f && bot.victoryWait - dt < 1.0f) {
            bot.mouse = {viewOrigin.x + s.exitButton.x + s.exitButton.width * 0.5f,
                         viewOrigin.y + s.exitButton.y + s.exitButton.height * 0.5f};
            in.mouse = bot.mouse;
            in.keyPressed[KEY_ENTER] = in.keyDown[KEY_ENTER] = true;
        }
        return;
    }
    bot.victoryWait = 0.0f;
    if (!s.alive || s.aboard) {
        bot.moveSlot = bot.heldKey = -1;
        bot.meteorCount = bot.bladeCount = 0;
        return;
    }
    bot.clock += dt;
    Forget(bot.meteors, bot.meteorCount, dt, BOT_METEOR_LIFE);
    Forget(bot.blades, bot.bladeCount, dt, BOT_BLADE_LIFE);
    if (bot.lastQuarters >= 0 && s.quarters < bot.lastQuarters) bot.hurtTimer = 3.0f;
    bot.lastQuarters = s.quarters;
    bot.hurtTimer = std::fmax(0.0f, bot.hurtTimer - dt);

    // The target the blade is for: the nearest creature it can hurt.
    int target = -1;
    float nearest = 1e30f, nearestThreat = 1e30f;
    bool bossNear = false;
    for (int i = 0; i < s.creatureCount; i++) {
        const BotCreature &c = s.creatures[i];
        float d = DistanceXZ(s.player, c.position) - c.radius;
        nearestThreat = std::fmin(nearestThreat, d);
        if (c.boss && !c.gathering && d < 9.0f) bossNear = true;
        if (c.gathering) continue;
        float rank = c.boss ? d - 6.0f : d;
        if (rank < nearest) {
            nearest = rank;
            target = i;
        }
    }

    Vector3 goal{};
    float weight = 1.0f;
    bool hasGoal = ChooseGoal(bot, s, dt, goal, weight);
    bool finale = s.campaign && s.phase == CAMPAIGN_VICTORY;

    // Turning to face a target: only when the blade is ready, the target lies close to a screen
    // direction and nothing is on top of the astronaut.
    int preferred = -1;
    if (target >= 0 && !finale && s.cooldown[1] <= 0.0f) {
        const BotCreature &c = s.creatures[target];
        float off = 0.0f;
        int toward = CardinalToward(s, c.position, &off);
        float d = DistanceXZ(s.player, c.position) - c.radius;
        float reach = c.boss ? 14.0f : 9.0f;
        bool calm = nearestThreat > (c.boss ? 3.0f : 2.2f) && bot.hurtTimer <= 0.0f;
        if (toward >= 0 && off < 0.45f && d > 1.5f && d < reach && calm) {
            preferred = toward;
            bot.aimTime += dt;
        } else {
            bot.aimTime = 0.0f;
        }
        if (bot.aimTime > 0.7f) preferred = -1;
    } else {
        bot.aimTime = 0.0f;
    }

    int slot = ChooseDirection(bot, s, hasGoal ? &goal : nullptr, preferred, weight);
    // A direction is held for a few frames at least, as fingers do.
    if (slot != bot.moveSlot && bot.moveSlot >= 0 && bot.moveHold < 0.08f) slot = bot.moveSlot;
    if (slot != bot.moveSlot) bot.moveHold = 0.0f;
    bot.moveHold += dt;
    bot.moveSlot = slot;

    // Hold the key the HUD shows for that direction; a changed key is pressed anew.
    int key = slot >= 0 ? s.slotKey[slot] : -1;
    if (key >= 0) {
        int code = BindingsKeyCode(key);
        in.keyDown[code] = true;
        if (key != bot.heldKey) in.keyPressed[code] = true;
    }
    bot.heldKey = key;

    if (finale) return;

    // The meteor falls where the astronaut stands: called while walking away from something close.
    bool moving = s.speed > 1.6f && slot >= 0;
    bool close = nearestThreat < 4.5f || bossNear;
    if (s.cooldown[0] <= 0.0f && moving && close) {
        Press(in, s.slotKey[SLOT_ABILITY1]);
        Remember(bot.meteors, bot.meteorCount, s.player, {0.0f, 0.0f, 0.0f});
        bot.stats.meteors++;
    }
    // The blade, at whatever it would cut.
    if (s.cooldown[1] <= 0.0f) {
        for (int i = 0; i < s.creatureCount; i++) {
            const BotCreature &c = s.creatures[i];
            if (c.gathering || !BladeLine(s, c)) continue;
            Press(in, s.slotKey[SLOT_ABILITY2]);
            Remember(bot.blades, bot.bladeCount, s.player, {std::sin(s.yaw), 0.0f, std::cos(s.yaw)});
            bot.stats.blades++;
            bot.aimTime = 0.0f;
            break;
        }
    }
}

// [SECTION] Menus

// What the bot buys, in order, one level per entry; an entry at its maximum is passed over, one
// it cannot pay for yet waits for the next visit. The revives come first, the hearts later.
static const int BOT_SHOPPING[] = {
    SHOP_REVIVE, SHOP_SPEED,  SHOP_COINS, SHOP_MAGNET, SHOP_REVIVE, SHOP_HEALTH, SHOP_REGEN,  SHOP_SPEED,
    SHOP_HEALTH, SHOP_COINS,  SHOP_REGEN, SHOP_HEALTH, SHOP_REPEL,  SHOP_DRONE,  SHOP_SPEED,  SHOP_HEALTH,
    SHOP_REGEN,  SHOP_COINS,  SHOP_MAGNET, SHOP_BINDINGS, SHOP_DRONE, SHOP_HEALTH, SHOP_REGEN, SHOP_SPEED,
};
constexpr int BOT_SHOPPING_COUNT = (int)(sizeof(BOT_SHOPPING) / sizeof(BOT_SHOPPING[0]));

// The next upgrade of the list the bot still wants, or -1; `affordable` if the wallet pays it.
static int NextPurchase(const Bot &bot, const BotMenuSight &s, bool *affordable)
{
    for (int i = bot.shopPlan; i < BOT_SHOPPING_COUNT; i++) {
        int id = BOT_SHOPPING[i];
        if (s.price[id] == 0) continue;
        *affordable = s.wallet >= s.price[id];
        return id;
    }
    // The list done: whatever is cheapest.
    int cheapest = -1;
    for (int id = 0; id < SHOP_UPGRADE_COUNT; id++)
        if (s.price[id] > 0 && (cheapest < 0 || s.price[id] < s.price[cheapest])) cheapest = id;
    *affordable = cheapest >= 0 && s.wallet >= s.price[cheapest];
    return cheapest;
}

// The window centre of the control `id` on this screen, false if it is not shown.
static bool ControlCentre(const BotMenuSight &s, int id, Vector2 &out)
{
    MenuCanvas canvas = MenuCanvasFor(s.windowWidth, s.windowHeight);
    for (int i = 0; i < s.controlCount; i++) {
        if (s.controls[i].id != id) continue;
        Rectangle r = MenuRectToWindow(canvas, s.controls[i].rect);
        out = {r.x + r.width * 0.5f, r.y + r.height * 0.5f};
        return true;
    }
    return false;
}

void BotMenu(Bot &bot, const BotMenuSight &s, float dt, FrameInput &in)
{
    in = {};
    in.frameTime = dt;
    in.focused = true;
    bot.moveSlot = bot.heldKey = -1;
    bot.lastQuarters = -1;
    if (bot.menuAimed) {
        // The mouse is on the button since last frame: click.
        in.mouse = bot.mouse;
        in.mousePressed[0] = in.mouseDown[0] = true;
        bot.menuAimed = false;
        bot.menuWait = 8;
        return;
    }
    in.mouse = bot.mouse;
    if (bot.menuWait > 0) {
        bot.menuWait--;
        return;
    }
    bot.menuWait = 8;
    // Dialogs, the settings and the encyclopedia: back out. The comic: skip it.
    if (s.dialog != MENU_DIALOG_NONE || s.screen == MENU_SCREEN_COMIC || s.screen == MENU_SCREEN_SETTINGS ||
        s.screen == MENU_SCREEN_ENCYCLOPEDIA) {
        in.keyPressed[KEY_ESCAPE] = in.keyDown[KEY_ESCAPE] = true;
        return;
    }
    int id = 0;
    if (s.screen == MENU_SCREEN_MAIN) {
        bool affordable = false;
        bool wants = NextPurchase(bot, s, &affordable) >= 0 && affordable;
        if (wants && !bot.shopDone) {
            id = MENU_ID_SHOP;
        } else {
            id = MENU_ID_PLAY;
            bot.shopDone = false;
            bot.stats.runsStarted++;
        }
    } else if (s.screen == MENU_SCREEN_SHOP) {
        bool affordable = false;
        int next = NextPurchase(bot, s, &affordable);
        if (next >= 0 && affordable) {
            id = MENU_ID_SHOP_BUY + next;
            bot.stats.purchases++;
            // Past the list's entry once its level is bought (the cheapest fallback keeps none).
            for (int i = bot.shopPlan; i < BOT_SHOPPING_COUNT; i++) {
                if (s.price[BOT_SHOPPING[i]] == 0) continue;
                if (BOT_SHOPPING[i] == next) bot.shopPlan = i + 1;
                break;
            }
        } else {
            id = MENU_ID_BACK;
            bot.shopDone = true;
        }
    } else if (s.screen == MENU_SCREEN_PAUSE) {
        id = s.runActive ? MENU_ID_PAUSE_PLAY : MENU_ID_PAUSE_MENU;
    }
    Vector2 centre{};
    if (id == 0 || !ControlCentre(s, id, centre)) return;
    bot.mouse = centre;
    in.mouse = centre;
    bot.menuAimed = true;
}
