// Replays: the Field hash, the snapshot stream with its change encoding, playback at the
// recorded rate or another, and the file.
//
// Index
//   [SECTION] Hash
//   [SECTION] Encoding
//   [SECTION] Record
//   [SECTION] Playback
//   [SECTION] Files
#include "dev/replay.h"

#include "common/maths.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <type_traits>

// [SECTION] Hash

namespace {

// A word-at-a-time FNV-1a: fast enough for the soil's grids every 60 frames.
struct Hasher {
    uint64_t h = 0xCBF29CE484222325ull;
    void Bytes(const void *data, size_t n)
    {
        const uint8_t *p = (const uint8_t *)data;
        while (n >= 8) {
            uint64_t w;
            memcpy(&w, p, 8);
            h = (h ^ w) * 0x100000001B3ull;
            p += 8;
            n -= 8;
        }
        while (n > 0) {
            h = (h ^ *p++) * 0x100000001B3ull;
            n--;
        }
    }
    template <typename T> void Value(const T &v)
    {
        static_assert(std::is_trivially_copyable_v<T>, "plain values only");
        Bytes(&v, sizeof(T));
    }
    void Flag(bool b) { Value((uint8_t)(b ? 1 : 0)); }
};

}  // namespace

// Records hashed as raw bytes must have no padding: their sizes are the sums of their members.
static_assert(sizeof(Bindings) == 4 * 8 + 34 * 4, "Bindings hashed as bytes");
static_assert(sizeof(MeteorSystem) == 8 * 80 + 64 * 24 + 24, "MeteorSystem hashed as bytes");
static_assert(sizeof(SpikeSystem) == 8 * 96 + 32 * 24 + 16 * 24 + 24, "SpikeSystem hashed as bytes");
static_assert(sizeof(FollowCamera) == 5 * 12 + 4, "FollowCamera hashed as bytes");
static_assert(sizeof(ShopState) == 40, "ShopState hashed as bytes");
static_assert(sizeof(Campaign) == 296, "Campaign hashed as bytes");
static_assert(sizeof(EyeCoin) == 60, "EyeCoin hashed as bytes");
static_assert(sizeof(Support) == 3 * 12 + 7 * 4 + 4 + 6 * 4 + SUPPORT_BOLT_CAPACITY * 44 + SUPPORT_IMPACT_CAPACITY * 16,
              "Support hashed as bytes");

static void HashPose(Hasher &h, const PlayerPoseState &p)
{
    h.Value(p.armSwing);
    h.Value(p.bodyOffset);
    h.Value(p.bodyAngles);
    h.Value(p.footAngles);
    for (const PlayerFoot &f : p.feet) {
        h.Value(f.position);
        h.Value(f.yaw);
        h.Value(f.pitch);
        h.Flag(f.airborne);
    }
    h.Value(p.gaitPhase);
    h.Flag(p.statsValid);
    h.Value(p.minFootGap);
    h.Value(p.maxLegReach);
    h.Value(p.joints);
}

static void HashPlayer(Hasher &h, const Player &p)
{
    h.Value(p.position);
    h.Value(p.velocity);
    h.Value(p.yaw);
    h.Value(p.walkBlend);
    h.Value(p.yawRate);
    HashPose(h, p.pose);
    h.Flag(p.speedTimesTen);
    h.Value(p.speedMultiplier);
}

static void HashHealth(Hasher &h, const Health &x)
{
    h.Value(x.quarters);
    h.Value(x.maxQuarters);
    h.Flag(x.immortal);
    h.Value(x.invulnerableLeft);
    h.Value(x.invulnerableTotal);
    h.Value(x.hitFlash);
    h.Value(x.healFlash);
    h.Value(x.shownLoss);
    h.Value(x.regenAccumulator);
    h.Value(x.crackTime);
    h.Value(x.heartFill);
}

static void HashShip(Hasher &h, const Ship &s)
{
    h.Value(s.position);
    h.Value(s.crystal);
    h.Value(s.crystalFrom);
    h.Value(s.bossPoint);
    h.Value(s.crystalTarget);
    h.Value(s.playerSeen);
    h.Value(s.clock);
    h.Value(s.phaseTime);
    h.Value(s.crystalTime);
    h.Value(s.altitude);
    h.Value(s.smoke);
    h.Value(s.phase);
    h.Value(s.crystalState);
    h.Flag(s.bossSeen);
    h.Flag(s.enabled);
}

// The grids by content, block by block, where a block holds clay; the block maxima say where.
static void HashSoil(Hasher &h, const Soil &soil)
{
    h.Value(soil.blockMax);
    h.Value(soil.maxHeight);
    h.Value(soil.total);
    if (!soil.cells || !soil.volume) return;
    for (int b = 0; b < SOIL_BLOCK_COUNT; b++) {
        if (!(soil.blockMax[b] > 0.0f)) continue;
        int bx = b % SOIL_BLOCKS, bz = b / SOIL_BLOCKS;
        for (int row = bz * SOIL_BLOCK; row < (bz + 1) * SOIL_BLOCK; row++) {
            size_t first = (size_t)row * SOIL_SIZE + (size_t)bx * SOIL_BLOCK;
            h.Bytes(soil.cells + first, sizeof(SoilCell) * SOIL_BLOCK);
            h.Bytes(soil.volume + first, sizeof(float) * SOIL_BLOCK);
        }
    }
}

static void HashCoins(Hasher &h, const EyeCoins &c)
{
    h.Value(c.count);
    h.Value(c.wallet);
    h.Value(c.created);
    h.Value(c.levelIncome);
    h.Value(c.level);
    h.Value(c.incomeLevel);
    h.Value(c.remainder);
    h.Value(c.magnet);
    h.Value(c.clock);
    h.Value(c.flash);
    if (c.items && c.count <= c.capacity) h.Bytes(c.items, sizeof(EyeCoin) * (size_t)c.count);
}

uint64_t ReplayHashField(const Field &f)
{
    Hasher h;
    HashPlayer(h, f.player);
    h.Value(f.bindings);
    HashHealth(h, f.health);
    h.Value(f.meteors);
    h.Value(f.spikes);
    h.Value(f.support);
    HashShip(h, f.ship);
    h.Value(f.shop);
    h.Value(f.camera);
    h.Value(f.seed);
    HashSoil(h, f.soil);
    // The atlas's queue is emptied by painting, which only a window does: its counters and clock.
    h.Value(f.tracks.bootCount);
    h.Value(f.tracks.mudCount);
    h.Value(f.tracks.clock);
    h.Value(f.mud);
    h.Value(f.campaign);
    HashCoins(h, f.coins);
    h.Value(f.totalTime);
    h.Value(f.runTime);
    h.Value(f.deathTime);
    const FieldLoopFlags &l = f.loop;
    for (bool b : {l.runActive, l.newGameRequested, l.debugPanelVisible, l.immortal, l.speedTimesTen, l.campaign})
        h.Flag(b);
    return h.h;
}

// [SECTION] Encoding

// What changed between two snapshots, one tagged entry each; bool tables as the indices that
// flipped.
enum ReplayTag : uint8_t {
    TAG_FRAME_TIME = 1,
    TAG_BUTTONS = 2,       // focused, close, mouse pressed and down, as bits
    TAG_WHEEL = 3,
    TAG_MOUSE = 4,
    TAG_MOUSE_DELTA = 5,
    TAG_KEY_PRESSED = 6,
    TAG_KEY_DOWN = 7,
    TAG_KEY_REPEAT = 8,
    TAG_CHARS = 9,
    TAG_PAD_AVAILABLE = 10,
    TAG_PAD_PRESSED = 11,
    TAG_PAD_DOWN = 12,
};

constexpr int REPLAY_PAD_BITS = INPUT_PAD_COUNT * INPUT_PAD_BUTTONS;

static uint32_t Bits(float f)
{
    uint32_t u;
    memcpy(&u, &f, 4);
    return u;
}

static float FromBits(uint32_t u)
{
    float f;
    memcpy(&f, &u, 4);
    return f;
}

static uint8_t Buttons(const FrameInput &in)
{
    return (uint8_t)((in.focused ? 1 : 0) | (in.closeRequested ? 2 : 0) | (in.mousePressed[0] ? 4 : 0) |
                     (in.mousePressed[1] ? 8 : 0) | (in.mouseDown[0] ? 16 : 0) | (in.mouseDown[1] ? 32 : 0));
}

static uint8_t PadAvailable(const FrameInput &in)
{
    uint8_t bits = 0;
    for (int i = 0; i < INPUT_PAD_COUNT; i++) bits |= (uint8_t)((in.padAvailable[i] ? 1 : 0) << i);
    return bits;
}

static bool SameChars(const FrameInput &a, const FrameInput &b)
{
    if (a.charCount != b.charCount) return false;
    for (int i = 0; i < a.charCount && i < INPUT_CHAR_CAPACITY; i++)
        if (a.chars[i] != b.chars[i]) return false;
    return true;
}

// Bit-for-bit equality of what the encoding carries.
static bool SameInput(const FrameInput &a, const FrameInput &b)
{
    if (Bits(a.frameTime) != Bits(b.frameTime) || Buttons(a) != Buttons(b) || Bits(a.wheel) != Bits(b.wheel)) return false;
    if (Bits(a.mouse.x) != Bits(b.mouse.x) || Bits(a.mouse.y) != Bits(b.mouse.y)) return false;
    if (Bits(a.mouseDelta.x) != Bits(b.mouseDelta.x) || Bits(a.mouseDelta.y) != Bits(b.mouseDelta.y)) return false;
    if (memcmp(a.keyPressed, b.keyPressed, sizeof(a.keyPressed)) != 0 || memcmp(a.keyDown, b.keyDown, sizeof(a.keyDown)) != 0 ||
        memcmp(a.keyRepeat, b.keyRepeat, sizeof(a.keyRepeat)) != 0)
        return false;
    if (!SameChars(a, b) || PadAvailable(a) != PadAvailable(b)) return false;
    return memcmp(a.padPressed, b.padPressed, sizeof(a.padPressed)) == 0 && memcmp(a.padDown, b.padDown, sizeof(a.padDown)) == 0;
}

// A scratch buffer for one snapshot's changes, so a full stream never holds half a frame.
struct Writer {
    uint8_t bytes[4096];
    size_t size;
    int entries;
    void Byte(uint8_t b)
    {
        if (size < sizeof(bytes)) bytes[size++] = b;
    }
    void Varint(uint64_t v)
    {
        while (v >= 0x80) {
            Byte((uint8_t)(v | 0x80));
            v >>= 7;
        }
        Byte((uint8_t)v);
    }
    void U32(uint32_t v)
    {
        for (int i = 0; i < 4; i++) Byte((uint8_t)(v >> (8 * i)));
    }
};

static void Flips(Writer &w, uint8_t tag, const bool *a, const bool *b, int n)
{
    for (int i = 0; i < n; i++) {
        if (a[i] == b[i]) continue;
        w.Byte(tag);
        w.Varint((uint64_t)i);
        w.entries++;
    }
}

// The entries that turn `from` into `to`.
static void Encode(Writer &w, const FrameInput &from, const FrameInput &to)
{
    if (Bits(from.frameTime) != Bits(to.frameTime)) {
        w.Byte(TAG_FRAME_TIME);
        w.U32(Bits(to.frameTime));
        w.entries++;
    }
    if (Buttons(from) != Buttons(to)) {
        w.Byte(TAG_BUTTONS);
        w.Byte(Buttons(to));
        w.entries++;
    }
    if (Bits(from.wheel) != Bits(to.wheel)) {
        w.Byte(TAG_WHEEL);
        w.U32(Bits(to.wheel));
        w.entries++;
    }
    if (Bits(from.mouse.x) != Bits(to.mouse.x) || Bits(from.mouse.y) != Bits(to.mouse.y)) {
        w.Byte(TAG_MOUSE);
        w.U32(Bits(to.mouse.x));
        w.U32(Bits(to.mouse.y));
        w.entries++;
    }
    if (Bits(from.mouseDelta.x) != Bits(to.mouseDelta.x) || Bits(from.mouseDelta.y) != Bits(to.mouseDelta.y)) {
        w.Byte(TAG_MOUSE_DELTA);
        w.U32(Bits(to.mouseDelta.x));
        w.U32(Bits(to.mouseDelta.y));
        w.entries++;
    }
    Flips(w, TAG_KEY_PRESSED, from.keyPressed, to.keyPressed, INPUT_KEY_LIMIT);
    Flips(w, TAG_KEY_DOWN, from.keyDown, to.keyDown, INPUT_KEY_LIMIT);
    Flips(w, TAG_KEY_REPEAT, from.keyRepeat, to.keyRepeat, INPUT_KEY_LIMIT);
    if (!SameChars(from, to)) {
        int n = ClampInt(to.charCount, 0, INPUT_CHAR_CAPACITY);
        w.Byte(TAG_CHARS);
        w.Varint((uint64_t)n);
        for (int i = 0; i < n; i++) w.U32((uint32_t)to.chars[i]);
        w.entries++;
    }
    if (PadAvailable(from) != PadAvailable(to)) {
        w.Byte(TAG_PAD_AVAILABLE);
        w.Byte(PadAvailable(to));
        w.entries++;
    }
    Flips(w, TAG_PAD_PRESSED, &from.padPressed[0][0], &to.padPressed[0][0], REPLAY_PAD_BITS);
    Flips(w, TAG_PAD_DOWN, &from.padDown[0][0], &to.padDown[0][0], REPLAY_PAD_BITS);
}

// Reads from a stream with bounds checks; any overrun marks it broken.
struct Reader {
    const uint8_t *bytes;
    size_t size, offset;
    bool broken;
    uint8_t Byte()
    {
        if (offset >= size) {
            broken = true;
            return 0;
        }
        return bytes[offset++];
    }
    uint64_t Varint()
    {
        uint64_t v = 0;
        for (int shift = 0; shift < 64; shift += 7) {
            uint8_t b = Byte();
            v |= (uint64_t)(b & 0x7F) << shift;
            if (!(b & 0x80)) return v;
        }
        broken = true;
        return 0;
    }
    uint32_t U32()
    {
        uint32_t v = 0;
        for (int i = 0; i < 4; i++) v |= (uint32_t)Byte() << (8 * i);
        return v;
    }
};

static bool Flip(bool *table, uint64_t index, int n)
{
    if (index >= (uint64_t)n) return false;
    table[index] = !table[index];
    return true;
}

// Applies one snapshot's entries to `in`; false for anything out of range.
static bool Decode(Reader &r, FrameInput &in)
{
    uint64_t entries = r.Varint();
    if (entries > (uint64_t)(3 * INPUT_KEY_LIMIT + 2 * REPLAY_PAD_BITS + 16)) return false;
    for (uint64_t e = 0; e < entries && !r.broken; e++) {
        uint8_t tag = r.Byte();
        switch (tag) {
        case TAG_FRAME_TIME: in.frameTime = FromBits(r.U32()); break;
        case TAG_BUTTONS: {
            uint8_t b = r.Byte();
            if (b & ~0x3F) return false;
            in.focused = b & 1;
            in.closeRequested = b & 2;
            in.mousePressed[0] = b & 4;
            in.mousePressed[1] = b & 8;
            in.mouseDown[0] = b & 16;
            in.mouseDown[1] = b & 32;
            break;
        }
        case TAG_WHEEL: in.wheel = FromBits(r.U32()); break;
        case TAG_MOUSE:
            in.mouse.x = FromBits(r.U32());
            in.mouse.y = FromBits(r.U32());
            break;
        case TAG_MOUSE_DELTA:
            in.mouseDelta.x = FromBits(r.U32());
            in.mouseDelta.y = FromBits(r.U32());
            break;
        case TAG_KEY_PRESSED:
            if (!Flip(in.keyPressed, r.Varint(), INPUT_KEY_LIMIT)) return false;
            break;
        case TAG_KEY_DOWN:
            if (!Flip(in.keyDown, r.Varint(), INPUT_KEY_LIMIT)) return false;
            break;
        case TAG_KEY_REPEAT:
            if (!Flip(in.keyRepeat, r.Varint(), INPUT_KEY_LIMIT)) return false;
            break;
        case TAG_CHARS: {
            uint64_t n = r.Varint();
            if (n > (uint64_t)INPUT_CHAR_CAPACITY) return false;
            in.charCount = (int)n;
            for (int i = 0; i < INPUT_CHAR_CAPACITY; i++) in.chars[i] = i < (int)n ? (int)r.U32() : 0;
            break;
        }
        case TAG_PAD_AVAILABLE: {
            uint8_t b = r.Byte();
            if (b >> INPUT_PAD_COUNT) return false;
            for (int i = 0; i < INPUT_PAD_COUNT; i++) in.padAvailable[i] = (b >> i) & 1;
            break;
        }
        case TAG_PAD_PRESSED:
            if (!Flip(&in.padPressed[0][0], r.Varint(), REPLAY_PAD_BITS)) return false;
            break;
        case TAG_PAD_DOWN:
            if (!Flip(&in.padDown[0][0], r.Varint(), REPLAY_PAD_BITS)) return false;
            break;
        default:
            return false;
        }
    }
    return !r.broken;
}

// [SECTION] Record

void ReplayBegin(Replay &replay, uint32_t seed, float dt, uint32_t flags)
{
    ReplayFree(replay);
    replay.seed = seed;
    replay.dt = dt;
    replay.flags = flags;
    // The first snapshot is encoded against an empty one.
    replay.last = {};
}

void ReplayFree(Replay &replay)
{
    free(replay.stream);
    free(replay.hashes);
    replay = {};
}

static bool Reserve(Replay &r, size_t more)
{
    if (r.size + more <= r.capacity) return true;
    size_t want = r.capacity ? r.capacity * 2 : 4096;
    while (want < r.size + more) want *= 2;
    if (want > REPLAY_BYTE_LIMIT) return false;
    uint8_t *grown = (uint8_t *)realloc(r.stream, want);
    if (!grown) return false;
    r.stream = grown;
    r.capacity = want;
    return true;
}

static bool Append(Replay &r, const uint8_t *bytes, size_t n)
{
    if (!Reserve(r, n)) return false;
    memcpy(r.stream + r.size, bytes, n);
    r.size += n;
    return true;
}

// Writes the pending run of unchanged snapshots and then the changed one.
static bool WriteChange(Replay &r, const FrameInput &input)
{
    Writer w{};
    w.Varint((uint64_t)r.unchanged);
    size_t head = w.size;
    Writer body{};
    Encode(body, r.last, input);
    w.Varint((uint64_t)body.entries);
    if (body.size >= sizeof(body.bytes) - 16 || head + body.size + 8 > sizeof(w.bytes)) return false;
    memcpy(w.bytes + w.size, body.bytes, body.size);
    w.size += body.size;
    if (!Append(r, w.bytes, w.size)) return false;
    r.unchanged = 0;
    r.last = input;
    return true;
}

static bool Stop(Replay &r, const char *why)
{
    if (!r.full) TraceLog(LOG_WARNING, "REPLAY: recording stopped at frame %d: %s", r.frameCount, why);
    r.full = true;
    return false;
}

bool ReplayRecord(Replay &r, const FrameInput &input, const Field &field)
{
    if (r.full) return false;
    if (r.frameCount >= REPLAY_FRAME_LIMIT) return Stop(r, "too many frames");
    if (r.frameCount > 0 && r.frameCount % REPLAY_HASH_INTERVAL == 0) {
        if (r.hashCount == r.hashCapacity) {
            int want = r.hashCapacity ? r.hashCapacity * 2 : 256;
            uint64_t *grown = (uint64_t *)realloc(r.hashes, sizeof(uint64_t) * (size_t)want);
            if (!grown) return Stop(r, "out of memory for the hashes");
            r.hashes = grown;
            r.hashCapacity = want;
        }
        r.hashes[r.hashCount++] = ReplayHashField(field);
    }
    if (r.frameCount > 0 && SameInput(r.last, input)) {
        r.unchanged++;
    } else if (!WriteChange(r, input)) {
        return Stop(r, "out of memory for the snapshots");
    }
    r.frameCount++;
    return true;
}

// [SECTION] Playback

void ReplayCursorStart(ReplayCursor &c, const Replay &replay)
{
    c = {};
    c.replay = &replay;
    c.mismatchFrame = -1;
}

// The next snapshot; a corrupt stream is logged only when `log` (a file check reports it itself).
static bool Advance(ReplayCursor &c, FrameInput &input, bool log)
{
    const Replay &r = *c.replay;
    if (c.broken || c.frame >= r.frameCount) return false;
    // Each record is a count of repeats of the snapshot before, then one changed snapshot.
    if (!c.pending && c.offset < r.size) {
        Reader rd{r.stream, r.size, c.offset, false};
        uint64_t same = rd.Varint();
        if (rd.broken || same > (uint64_t)r.frameCount) {
            c.broken = true;
            if (log) TraceLog(LOG_WARNING, "REPLAY: the stream is corrupt at frame %d", c.frame);
            return false;
        }
        c.offset = rd.offset;
        c.repeat = (int)same;
        c.pending = true;
    }
    if (c.pending && c.repeat > 0) {
        c.repeat--;
    } else if (c.pending) {
        Reader rd{r.stream, r.size, c.offset, false};
        if (!Decode(rd, c.current)) {
            c.broken = true;
            if (log) TraceLog(LOG_WARNING, "REPLAY: the stream is corrupt at frame %d", c.frame);
            return false;
        }
        c.offset = rd.offset;
        c.pending = false;
    }
    // Past the last record every snapshot repeats the last one.
    input = c.current;
    c.frame++;
    return true;
}

bool ReplayNext(ReplayCursor &c, FrameInput &input) { return Advance(c, input, true); }

bool ReplayCheck(ReplayCursor &c, int frame, const Field &field)
{
    if (frame <= 0 || frame % REPLAY_HASH_INTERVAL != 0) return true;
    int k = frame / REPLAY_HASH_INTERVAL - 1;
    if (k >= c.replay->hashCount) return true;
    c.hashesChecked++;
    if (ReplayHashField(field) == c.replay->hashes[k]) return true;
    if (c.mismatchFrame < 0) {
        c.mismatchFrame = frame;
        TraceLog(LOG_WARNING, "REPLAY: Field differs from the recording at frame %d", frame);
    }
    return false;
}

void ReplayResampleStart(ReplayResampler &rs, const Replay &replay, float dt)
{
    rs = {};
    ReplayCursorStart(rs.cursor, replay);
    rs.dt = dt;
}

// Presses happen once: whatever went down in any recorded frame that began within this one.
static void MergePresses(FrameInput &into, const FrameInput &from)
{
    for (int k = 0; k < INPUT_KEY_LIMIT; k++) {
        into.keyPressed[k] = into.keyPressed[k] || from.keyPressed[k];
        into.keyRepeat[k] = into.keyRepeat[k] || from.keyRepeat[k];
    }
    for (int b = 0; b < 2; b++) into.mousePressed[b] = into.mousePressed[b] || from.mousePressed[b];
    for (int p = 0; p < INPUT_PAD_COUNT; p++)
        for (int b = 0; b < INPUT_PAD_BUTTONS; b++) into.padPressed[p][b] = into.padPressed[p][b] || from.padPressed[p][b];
    for (int i = 0; i < from.charCount && into.charCount < INPUT_CHAR_CAPACITY; i++) into.chars[into.charCount++] = from.chars[i];
    into.wheel += from.wheel;
}

static void ClearPresses(FrameInput &in)
{
    memset(in.keyPressed, 0, sizeof(in.keyPressed));
    memset(in.keyRepeat, 0, sizeof(in.keyRepeat));
    memset(in.padPressed, 0, sizeof(in.padPressed));
    in.mousePressed[0] = in.mousePressed[1] = false;
    in.charCount = 0;
    in.wheel = 0.0f;
}

bool ReplayResampleNext(ReplayResampler &rs, FrameInput &input)
{
    const Replay &r = *rs.cursor.replay;
    double recorded = (double)r.dt;
    double start = (double)rs.frame * (double)rs.dt, end = start + (double)rs.dt;
    // A frame starting within a microsecond of the recording's end would hold nothing of it.
    if (rs.ended || !(recorded > 0.0) || start >= (double)r.frameCount * recorded - 1e-6) return false;
    FrameInput presses{};
    bool any = false;
    // Every recorded frame that begins before this one ends.
    while (rs.cursor.frame < r.frameCount && (double)rs.cursor.frame * recorded < end - 1e-9) {
        FrameInput next;
        if (!ReplayNext(rs.cursor, next)) {
            rs.ended = true;
            break;
        }
        if (!any) presses = next;
        else MergePresses(presses, next);
        rs.held = next;
        rs.heldValid = true;
        any = true;
    }
    if (!rs.heldValid) return false;
    input = rs.held;
    ClearPresses(input);
    if (any) MergePresses(input, presses);
    input.frameTime = rs.dt;
    rs.frame++;
    return true;
}

// [SECTION] Files

static const char REPLAY_MAGIC[8] = {'G', 'L', 'V', 'R', 'P', 'L', 'A', 'Y'};
constexpr size_t REPLAY_HEADER_BYTES = 40;

static void PutU32(uint8_t *p, uint32_t v)
{
    for (int i = 0; i < 4; i++) p[i] = (uint8_t)(v >> (8 * i));
}

static uint32_t GetU32(const uint8_t *p)
{
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

bool ReplayWriteFile(const Replay &r, const char *path)
{
    uint8_t head[REPLAY_HEADER_BYTES] = {};
    memcpy(head, REPLAY_MAGIC, 8);
    PutU32(head + 8, REPLAY_VERSION);
    PutU32(head + 12, r.seed);
    PutU32(head + 16, Bits(r.dt));
    PutU32(head + 20, r.flags);
    PutU32(head + 24, (uint32_t)r.frameCount);
    PutU32(head + 28, (uint32_t)r.hashCount);
    PutU32(head + 32, (uint32_t)r.size);
    PutU32(head + 36, (uint32_t)((uint64_t)r.size >> 32));
    FILE *f = path ? fopen(path, "wb") : nullptr;
    if (!f) {
        TraceLog(LOG_ERROR, "REPLAY: could not write %s", path ? path : "(no path)");
        return false;
    }
    bool ok = fwrite(head, 1, sizeof(head), f) == sizeof(head);
    if (ok && r.size > 0) ok = fwrite(r.stream, 1, r.size, f) == r.size;
    for (int k = 0; ok && k < r.hashCount; k++) {
        uint8_t h[8];
        PutU32(h, (uint32_t)r.hashes[k]);
        PutU32(h + 4, (uint32_t)(r.hashes[k] >> 32));
        ok = fwrite(h, 1, 8, f) == 8;
    }
    ok = fclose(f) == 0 && ok;
    if (!ok) TraceLog(LOG_ERROR, "REPLAY: could not write %s", path);
    return ok;
}

static bool Refuse(Replay &r, FILE *f, const char *path, const char *why)
{
    if (f) fclose(f);
    ReplayFree(r);
    TraceLog(LOG_WARNING, "REPLAY: %s: %s", path ? path : "(no path)", why);
    return false;
}

bool ReplayReadFile(Replay &r, const char *path)
{
    ReplayFree(r);
    FILE *f = path ? fopen(path, "rb") : nullptr;
    if (!f) return Refuse(r, nullptr, path, "cannot be opened");
    uint8_t head[REPLAY_HEADER_BYTES];
    if (fread(head, 1, sizeof(head), f) != sizeof(head)) return Refuse(r, f, path, "shorter than its header");
    if (memcmp(head, REPLAY_MAGIC, 8) != 0) return Refuse(r, f, path, "not a replay");
    if (GetU32(head + 8) != REPLAY_VERSION) return Refuse(r, f, path, "a version this build does not read");
    uint32_t frames = GetU32(head + 24), hashes = GetU32(head + 28);
    uint64_t size = (uint64_t)GetU32(head + 32) | (uint64_t)GetU32(head + 36) << 32;
    float dt = FromBits(GetU32(head + 16));
    if (!IsFinite(dt) || !(dt > 0.0f) || dt > 1.0f) return Refuse(r, f, path, "a frame time that is not a time");
    if (frames > (uint32_t)REPLAY_FRAME_LIMIT || size > REPLAY_BYTE_LIMIT ||
        hashes > frames / (uint32_t)REPLAY_HASH_INTERVAL + 1u)
        return Refuse(r, f, path, "counts beyond the limits");
    r.seed = GetU32(head + 12);
    r.dt = dt;
    r.flags = GetU32(head + 20);
    r.frameCount = (int)frames;
    r.stream = size ? (uint8_t *)malloc((size_t)size) : nullptr;
    r.hashes = hashes ? (uint64_t *)malloc(sizeof(uint64_t) * hashes) : nullptr;
    if ((size && !r.stream) || (hashes && !r.hashes)) return Refuse(r, f, path, "out of memory");
    r.size = r.capacity = (size_t)size;
    r.hashCount = r.hashCapacity = (int)hashes;
    if (size && fread(r.stream, 1, (size_t)size, f) != (size_t)size) return Refuse(r, f, path, "truncated");
    for (uint32_t k = 0; k < hashes; k++) {
        uint8_t h[8];
        if (fread(h, 1, 8, f) != 8) return Refuse(r, f, path, "truncated");
        r.hashes[k] = (uint64_t)GetU32(h) | (uint64_t)GetU32(h + 4) << 32;
    }
    if (fgetc(f) != EOF) return Refuse(r, f, path, "longer than its header says");
    fclose(f);
    // Every snapshot must decode before the replay is trusted.
    ReplayCursor c;
    ReplayCursorStart(c, r);
    FrameInput scratch;
    while (Advance(c, scratch, false)) {
    }
    if (c.broken || c.frame != r.frameCount || c.offset != r.size) return Refuse(r, nullptr, path, "corrupt");
    return true;
}
