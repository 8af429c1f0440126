// The encyclopedia's entries, sightings, list geometry and input.
//
// Index
//   [SECTION] Entries
//   [SECTION] Sightings
//   [SECTION] List
//   [SECTION] Update
#include "frontend/encyclopedia.h"

#include "common/maths.h"

#include <cmath>

// [SECTION] Entries

const EncyclopediaEntry ENCYCLOPEDIA_ENTRIES[ENCYCLOPEDIA_ENTRY_COUNT] = {
    {"Грязевик", "1-3 сгустка грязи. Прыгает к цели, дважды раздувается и бросается в рывок."},
    {"Топтун", "4-6 сгустков. Подходит вплотную, опирается на одну ногу и бьёт другой."},
    {"Глиняный голем", "7-9 сгустков. Тянет тяжёлые руки к цели и швыряет маленьких грязевиков."},
    {"Грязевой валун", "Катится поперёк поля целыми рядами. Рассыпается от метеора или резака."},
    {"Босс: Грязевой исполин", "Первый босс. Собирается из двадцати грязевиков и неуязвим, пока растёт."},
    {"Босс: Большой топтун", "Второй босс. Втрое крупнее обычного топтуна. Берегитесь его удара ногой."},
    {"Босс: Древний голем", "Последний босс. Огромное тело из мокрой глины и сокрушительные длинные руки."},
};

const EncyclopediaEntry ENCYCLOPEDIA_UNKNOWN = {"Неизвестное существо",
                                                "Пока ты не встречал его. Следы появятся после первой встречи."};

// [SECTION] Sightings

// The entry a seen creature stands for, or -1.
static int EntryOf(const MudPool &pool, int i)
{
    const MudSlot &s = pool.slots[i];
    if (!(s.mass > 0.0f) || !(MudBodyScale(s) > 0.0f) || !IsFinite(s.position)) return -1;
    if (s.state == MUD_BURIED || s.state == MUD_ABSORBED || s.state == MUD_FREE || s.state == MUD_CORPSE) return -1;
    // Rollers are launched whole, never born from the ground, so they have no emergence to wait for.
    if (s.roller) return 3;
    if (!(s.emergence >= ENCYCLOPEDIA_MIN_EMERGENCE)) return -1;
    // A boss counts while it is alive, not merely while some boss fight is on.
    if (s.boss) return MudPoolBossAlive(pool, i) && s.bossIndex >= 0 && s.bossIndex <= 2 ? 4 + s.bossIndex : -1;
    return MudFormClass(s.mass);
}

int32_t EncyclopediaSighted(const MudPool &pool, Vector3 player, float radius)
{
    if (!IsFinite(player) || !IsFinite(radius) || radius < 0.0f) return 0;
    int32_t seen = 0;
    int used = ClampInt(pool.count, 0, MUD_CAPACITY);
    for (int i = 0; i < used; i++) {
        const MudSlot &s = pool.slots[i];
        int entry = EntryOf(pool, i);
        if (entry < 0 || entry >= ENCYCLOPEDIA_ENTRY_COUNT) continue;
        float dx = s.position.x - player.x, dz = s.position.z - player.z;
        if (dx * dx + dz * dz > radius * radius) continue;
        seen |= 1 << entry;
    }
    return seen & ENCYCLOPEDIA_KNOWN_BITS;
}

bool EncyclopediaRecordSightings(Profile &profile, const MudPool &pool, Vector3 player, float viewHeight)
{
    if (!IsFinite(viewHeight) || !(viewHeight > 0.0f)) return false;
    int32_t before = profile.discoveries;
    int32_t after = (before | EncyclopediaSighted(pool, player, ENCYCLOPEDIA_SIGHT_FACTOR * viewHeight)) &
                    ENCYCLOPEDIA_KNOWN_BITS;
    profile.discoveries = after;
    return after != before;
}

bool EncyclopediaDiscovered(const Profile &profile, int entry)
{
    return entry >= 0 && entry < ENCYCLOPEDIA_ENTRY_COUNT && (profile.discoveries >> entry & 1) != 0;
}

int EncyclopediaSpecimenFor(int entry, bool discovered)
{
    if (!discovered || entry < 0 || entry >= ENCYCLOPEDIA_ENTRY_COUNT) return SPECIMEN_QUESTION;
    return entry <= SPECIMEN_ROLLER ? entry : entry - 4;
}

// [SECTION] List

static bool Inside(Rectangle r, Vector2 p) { return p.x >= r.x && p.x < r.x + r.width && p.y >= r.y && p.y < r.y + r.height; }

static float SafeScroll(float scroll) { return IsFinite(scroll) ? ClampSafe(scroll, 0.0f, ENCYCLOPEDIA_SCROLL_MAX) : 0.0f; }

Rectangle EncyclopediaRowRect(int row, float scroll)
{
    return {54.0f, 232.0f + 194.0f * (float)row - SafeScroll(scroll), 1144.0f, 176.0f};
}

float EncyclopediaScrollIntoView(float scroll, int row)
{
    scroll = SafeScroll(scroll);
    float top = 232.0f + 194.0f * (float)ClampInt(row, 0, ENCYCLOPEDIA_ENTRY_COUNT - 1) - scroll;
    constexpr float VIEW_TOP = ENCYCLOPEDIA_VIEWPORT.y, VIEW_BOTTOM = ENCYCLOPEDIA_VIEWPORT.y + ENCYCLOPEDIA_VIEWPORT.height;
    if (top < VIEW_TOP) scroll -= VIEW_TOP - top;
    if (top + 176.0f > VIEW_BOTTOM) scroll += top + 176.0f - VIEW_BOTTOM;
    return SafeScroll(scroll);
}

float EncyclopediaThumbY(float scroll)
{
    return ENCYCLOPEDIA_BAR_RECT.y + (ENCYCLOPEDIA_BAR_RECT.height - ENCYCLOPEDIA_THUMB) * SafeScroll(scroll) / ENCYCLOPEDIA_SCROLL_MAX;
}

static Rectangle BarHitRect()
{
    Rectangle r = ENCYCLOPEDIA_BAR_RECT;
    return {r.x - ENCYCLOPEDIA_BAR_GROW, r.y - ENCYCLOPEDIA_BAR_GROW, r.width + 2.0f * ENCYCLOPEDIA_BAR_GROW,
            r.height + 2.0f * ENCYCLOPEDIA_BAR_GROW};
}

int EncyclopediaFocusItems(const MenuState &menu, MenuFocusItem *list, int n, int capacity)
{
    static const char *const ROW_LABELS[ENCYCLOPEDIA_ENTRY_COUNT] = {"01", "02", "03", "04", "05", "06", "07"};
    if (n < capacity) list[n++] = {ENCYCLOPEDIA_ID_COMIC, ENCYCLOPEDIA_COMIC_RECT, "Вступительный комикс", -1, -1};
    for (int row = 0; row < ENCYCLOPEDIA_ENTRY_COUNT && n < capacity; row++)
        list[n++] = {ENCYCLOPEDIA_ID_ROW + row, EncyclopediaRowRect(row, menu.scroll), ROW_LABELS[row], -1, row};
    if (n < capacity) list[n++] = {MENU_ID_BACK, MENU_BACK_RECT, "Назад", -1, -1};
    return n;
}

int EncyclopediaControlAt(Vector2 p)
{
    if (Inside(MENU_BACK_RECT, p)) return MENU_ID_BACK;
    if (Inside(ENCYCLOPEDIA_COMIC_RECT, p)) return ENCYCLOPEDIA_ID_COMIC;
    if (Inside(BarHitRect(), p)) return ENCYCLOPEDIA_ID_BAR;
    return 0;
}

int EncyclopediaRowAt(const MenuState &menu, Vector2 p)
{
    if (!Inside(ENCYCLOPEDIA_VIEWPORT, p)) return -1;
    for (int row = 0; row < ENCYCLOPEDIA_ENTRY_COUNT; row++)
        if (Inside(EncyclopediaRowRect(row, menu.scroll), p)) return row;
    return -1;
}

// [SECTION] Update

int EncyclopediaUpdate(MenuState &menu)
{
    const MenuInput &io = menu.io;
    Vector2 p = MenuToCanvas(MenuCanvasFor(io.windowWidth, io.windowHeight), io.pointer);
    menu.scroll = SafeScroll(menu.scroll);
    if (!IsFinite(p)) return ENCYCLOPEDIA_EVENT_NONE;
    if (io.wheel != 0.0f && IsFinite(io.wheel) && Inside(ENCYCLOPEDIA_VIEWPORT, p))
        menu.scroll = SafeScroll(menu.scroll - ENCYCLOPEDIA_WHEEL_STEP * io.wheel);

    if (menu.scrollDrag && !io.held && !io.pressed) menu.scrollDrag = false;
    if (!menu.scrollDrag && io.pressed && Inside(BarHitRect(), p)) menu.scrollDrag = true;
    if (menu.scrollDrag) {
        float travel = ENCYCLOPEDIA_BAR_RECT.height - ENCYCLOPEDIA_THUMB;
        float f = ClampSafe((p.y - ENCYCLOPEDIA_BAR_RECT.y - 0.5f * ENCYCLOPEDIA_THUMB) / travel, 0.0f, 1.0f);
        menu.scroll = ENCYCLOPEDIA_SCROLL_MAX * f;
        return ENCYCLOPEDIA_EVENT_NONE;
    }
    if (MenuButton(menu, ENCYCLOPEDIA_ID_COMIC, ENCYCLOPEDIA_COMIC_RECT)) return ENCYCLOPEDIA_EVENT_COMIC;
    if (MenuButton(menu, MENU_ID_BACK, MENU_BACK_RECT)) return ENCYCLOPEDIA_EVENT_BACK;
    return ENCYCLOPEDIA_EVENT_NONE;
}
