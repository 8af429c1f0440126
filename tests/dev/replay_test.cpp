#include "dev/bot_run.h"
#include "dev/dev_loop.h"
#include "dev/replay.h"
#include "tests/support/log_capture.h"
#include "common/maths.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr float DT = 1.0f / 60.0f;

// Three minutes of the bot from the main menu: the comic skipped, the first level, its gate.
struct Recorded {
    Replay replay{};
    std::vector<uint64_t> liveHashes;   // ReplayHashField before every 60th frame, as played
    Recorded()
    {
        auto run = std::make_unique<BotRun>();
        BotRunStart(*run, 4, DT);
        ReplayBegin(replay, 4, DT, REPLAY_CAMPAIGN | REPLAY_MENUS | REPLAY_SOIL);
        for (int i = 0; i < 60 * 180; i++) BotRunIterate(*run, &replay);
        BotRunRelease(*run);
    }
    ~Recorded() { ReplayFree(replay); }
};

const Recorded &Shared()
{
    static Recorded r;
    return r;
}

// Plays `replay` through a fresh headless loop; `poke` may disturb the run before a frame.
ReplayCursor PlayBack(const Replay &replay, void (*poke)(Field &, int) = nullptr)
{
    auto loop = std::make_unique<DevLoop>();
    DevLoopOptions o{replay.seed, true, true, true, false};
    DevLoopStart(*loop, o);
    ReplayCursor c;
    ReplayCursorStart(c, replay);
    FrameInput in;
    for (int frame = 0;; frame++) {
        if (poke) poke(loop->field, frame);
        ReplayCheck(c, frame, loop->field);
        if (!ReplayNext(c, in)) break;
        DevLoopIterate(*loop, in);
    }
    DevLoopRelease(*loop);
    return c;
}

std::string TempPath(const char *name) { return std::string(testing::TempDir()) + name; }

}  // namespace

// A bot session recorded at 1/60 s and played back from its snapshots alone: every hash of
// Field matches, and the recording costs about a byte per frame.
TEST(Replay, BotSessionPlaysBackBitForBit)
{
    const Replay &r = Shared().replay;
    ASSERT_EQ(r.frameCount, 60 * 180);
    ASSERT_EQ(r.hashCount, 179);
    ReplayCursor c = PlayBack(r);
    EXPECT_FALSE(c.broken);
    EXPECT_EQ(c.frame, r.frameCount);
    EXPECT_EQ(c.hashesChecked, r.hashCount);
    EXPECT_EQ(c.mismatchFrame, -1);
    EXPECT_LT(r.size, (size_t)r.frameCount) << "the stream should hold only what changes";
}

// A run that drifts by a millimetre is caught at the first hash after the drift, and only the
// first differing frame is reported.
TEST(Replay, ReportsTheFirstFrameThatDiffers)
{
    LogCapture log;
    ReplayCursor c = PlayBack(Shared().replay, [](Field &f, int frame) {
        if (frame == 1000) f.player.position.x += 0.001f;
    });
    EXPECT_EQ(c.mismatchFrame, 1020);
    int lines = 0;
    for (const LogLine &l : log.lines()) lines += l.text.find("REPLAY: Field differs") != std::string::npos;
    EXPECT_EQ(lines, 1);
}

// What the hash covers: a change to a creature, an eye, a soil cell, the campaign or health
// changes it, and undone gives it back; the drawing's own bookkeeping (the soil's upload marks,
// the track window's corner) does not touch it.
TEST(Replay, HashCoversTheRunNotTheDrawing)
{
    auto run = std::make_unique<BotRun>();
    ASSERT_TRUE(BotRunStart(*run, 4, DT));
    for (int i = 0; i < 60 * 60; i++) BotRunIterate(*run, nullptr);
    Field &f = run->loop.field;
    ASSERT_GT(f.coins.count, 0u);
    ASSERT_GT(f.soil.total, 0.0);
    uint64_t base = ReplayHashField(f);

    f.soil.blockDirty[3] = !f.soil.blockDirty[3];
    f.soil.textureStale = !f.soil.textureStale;
    f.tracks.origin.x += 16.0f;
    EXPECT_EQ(ReplayHashField(f), base);

    // Each place is changed, hashed and put back bit for bit.
    struct Poke {
        const char *name;
        float *(*at)(Field &);
    };
    const Poke pokes[] = {
        {"creature", [](Field &x) { return &x.mud.slots[0].phase; }},
        {"eye", [](Field &x) { return &x.coins.items[x.coins.count - 1].age; }},
        {"soil cell", [](Field &x) {
             // A cell of a block that holds clay.
             int b = 0;
             while (b < SOIL_BLOCK_COUNT - 1 && !(x.soil.blockMax[b] > 0.0f)) b++;
             return &x.soil.volume[(b / SOIL_BLOCKS) * SOIL_BLOCK * SOIL_SIZE + (b % SOIL_BLOCKS) * SOIL_BLOCK];
         }},
        {"health", [](Field &x) { return &x.health.hitFlash; }},
        {"drone", [](Field &x) { return &x.support.droneClock; }},
    };
    for (const Poke &p : pokes) {
        float *v = p.at(f);
        float was = *v;
        *v = was + 0.25f;
        EXPECT_NE(ReplayHashField(f), base) << p.name;
        *v = was;
        EXPECT_EQ(ReplayHashField(f), base) << p.name;
    }
    double clock = f.campaign.clock;
    f.campaign.clock = std::nextafter(clock, 1e9);
    EXPECT_NE(ReplayHashField(f), base);
    f.campaign.clock = clock;
    BotRunRelease(*run);
}

// Every field of a snapshot survives the encoding exactly, in a file and back.
TEST(Replay, SnapshotsSurviveTheFileExactly)
{
    std::vector<FrameInput> frames(120);
    uint32_t rng = 99;
    auto next = [&rng]() { return Xorshift32(rng); };
    for (size_t i = 0; i < frames.size(); i++) {
        FrameInput &in = frames[i];
        in = i ? frames[i - 1] : FrameInput{};
        memset(in.keyPressed, 0, sizeof(in.keyPressed));
        in.frameTime = (next() & 1) ? 1.0f / 60.0f : 0.0371f;
        in.focused = next() & 1;
        in.closeRequested = (next() & 31) == 0;
        in.wheel = (next() & 3) ? 0.0f : -1.5f;
        in.mouse = {(float)(next() % 1280), (float)(next() % 720)};
        in.mouseDelta = {0.25f, -3.0f};
        in.mousePressed[next() & 1] = next() & 1;
        in.mouseDown[1] = next() & 1;
        int key = (int)(next() % INPUT_KEY_LIMIT);
        in.keyPressed[key] = in.keyDown[key] = true;
        in.keyDown[(int)(next() % INPUT_KEY_LIMIT)] = false;
        in.keyRepeat[(int)(next() % INPUT_KEY_LIMIT)] = next() & 1;
        in.charCount = (int)(next() % 4);
        for (int c = 0; c < in.charCount; c++) in.chars[c] = 0x430 + (int)(next() % 32);
        in.padAvailable[next() % INPUT_PAD_COUNT] = next() & 1;
        in.padPressed[next() % INPUT_PAD_COUNT][next() % INPUT_PAD_BUTTONS] = next() & 1;
        in.padDown[next() % INPUT_PAD_COUNT][next() % INPUT_PAD_BUTTONS] = next() & 1;
        if (i % 7 == 3) in = frames[i - 1];   // unchanged stretches too
    }
    auto field = std::make_unique<Field>();
    Replay r{};
    ReplayBegin(r, 1234, DT, REPLAY_MENUS);
    for (const FrameInput &in : frames) ASSERT_TRUE(ReplayRecord(r, in, *field));
    std::string path = TempPath("snapshots.replay");
    ASSERT_TRUE(ReplayWriteFile(r, path.c_str()));
    Replay back{};
    ASSERT_TRUE(ReplayReadFile(back, path.c_str()));
    EXPECT_EQ(back.seed, 1234u);
    EXPECT_EQ(back.flags, (uint32_t)REPLAY_MENUS);
    EXPECT_EQ(back.hashCount, 1);
    ReplayCursor c;
    ReplayCursorStart(c, back);
    FrameInput out;
    for (size_t i = 0; i < frames.size(); i++) {
        ASSERT_TRUE(ReplayNext(c, out)) << i;
        const FrameInput &in = frames[i];
        EXPECT_EQ(memcmp(&out.frameTime, &in.frameTime, 4), 0) << i;
        EXPECT_EQ(out.focused, in.focused) << i;
        EXPECT_EQ(out.closeRequested, in.closeRequested) << i;
        EXPECT_EQ(out.wheel, in.wheel) << i;
        EXPECT_EQ(out.mouse.x, in.mouse.x) << i;
        EXPECT_EQ(out.mouse.y, in.mouse.y) << i;
        EXPECT_EQ(out.mouseDelta.y, in.mouseDelta.y) << i;
        EXPECT_EQ(memcmp(out.mousePressed, in.mousePressed, 2), 0) << i;
        EXPECT_EQ(memcmp(out.mouseDown, in.mouseDown, 2), 0) << i;
        EXPECT_EQ(memcmp(out.keyPressed, in.keyPressed, sizeof(in.keyPressed)), 0) << i;
        EXPECT_EQ(memcmp(out.keyDown, in.keyDown, sizeof(in.keyDown)), 0) << i;
        EXPECT_EQ(memcmp(out.keyRepeat, in.keyRepeat, sizeof(in.keyRepeat)), 0) << i;
        ASSERT_EQ(out.charCount, in.charCount) << i;
        EXPECT_EQ(memcmp(out.chars, in.chars, sizeof(int) * (size_t)in.charCount), 0) << i;
        EXPECT_EQ(memcmp(out.padAvailable, in.padAvailable, sizeof(in.padAvailable)), 0) << i;
        EXPECT_EQ(memcmp(out.padPressed, in.padPressed, sizeof(in.padPressed)), 0) << i;
        EXPECT_EQ(memcmp(out.padDown, in.padDown, sizeof(in.padDown)), 0) << i;
    }
    EXPECT_FALSE(ReplayNext(c, out));
    ReplayFree(r);
    ReplayFree(back);
}

// A damaged file is refused whole, with one line saying why, and leaves the record empty.
TEST(Replay, RefusesDamagedFiles)
{
    const Replay &good = Shared().replay;
    std::string path = TempPath("good.replay");
    ASSERT_TRUE(ReplayWriteFile(good, path.c_str()));
    std::vector<unsigned char> bytes;
    {
        FILE *f = fopen(path.c_str(), "rb");
        ASSERT_NE(f, nullptr);
        int ch;
        while ((ch = fgetc(f)) != EOF) bytes.push_back((unsigned char)ch);
        fclose(f);
    }
    struct Damage {
        const char *name;
        void (*apply)(std::vector<unsigned char> &);
    };
    const Damage damages[] = {
        {"empty", [](std::vector<unsigned char> &b) { b.clear(); }},
        {"magic", [](std::vector<unsigned char> &b) { b[0] = 'X'; }},
        {"newer version", [](std::vector<unsigned char> &b) { b[8] = 2; }},
        {"frame time NaN", [](std::vector<unsigned char> &b) { b[16] = b[17] = 0xFF, b[18] = 0xC0, b[19] = 0x7F; }},
        {"truncated stream", [](std::vector<unsigned char> &b) { b.erase(b.end() - 9, b.end()); }},
        {"trailing bytes", [](std::vector<unsigned char> &b) { b.push_back(0); }},
        {"impossible tag", [](std::vector<unsigned char> &b) { b[42] = 0x7F; }},
        {"frames beyond the stream", [](std::vector<unsigned char> &b) { b[27] = 0x7F; }},
    };
    for (const Damage &d : damages) {
        std::vector<unsigned char> copy = bytes;
        d.apply(copy);
        std::string bad = TempPath("bad.replay");
        FILE *f = fopen(bad.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        if (!copy.empty()) fwrite(copy.data(), 1, copy.size(), f);
        fclose(f);
        LogCapture log;
        Replay r{};
        EXPECT_FALSE(ReplayReadFile(r, bad.c_str())) << d.name;
        EXPECT_EQ(r.stream, nullptr) << d.name;
        EXPECT_EQ(r.frameCount, 0) << d.name;
        EXPECT_EQ(log.count(LOG_WARNING), 1) << d.name;
    }
    LogCapture log;
    Replay missing{};
    EXPECT_FALSE(ReplayReadFile(missing, TempPath("no-such.replay").c_str()));
}

// At another rate a press lands once, in the frame whose interval holds its moment, and a held
// key stays down as long in time.
TEST(Replay, ResamplingKeepsPressesOnceAndHoldsInTime)
{
    auto field = std::make_unique<Field>();
    Replay r{};
    ReplayBegin(r, 1, DT, 0);
    for (int i = 0; i < 120; i++) {
        FrameInput in{};
        in.frameTime = DT;
        in.focused = true;
        in.keyPressed[KEY_J] = i == 10;
        in.keyDown[KEY_J] = i == 10;
        in.keyPressed[KEY_W] = i == 30;
        in.keyDown[KEY_W] = i >= 30 && i < 90;   // one second
        ReplayRecord(r, in, *field);
    }
    for (float hz : {30.0f, 144.0f}) {
        ReplayResampler rs;
        ReplayResampleStart(rs, r, 1.0f / hz);
        FrameInput in;
        int presses = 0, pressFrame = -1, wPresses = 0, held = 0, frames = 0;
        while (ReplayResampleNext(rs, in)) {
            EXPECT_EQ(in.frameTime, 1.0f / hz);
            if (in.keyPressed[KEY_J]) presses++, pressFrame = frames;
            wPresses += in.keyPressed[KEY_W] ? 1 : 0;
            held += in.keyDown[KEY_W] ? 1 : 0;
            frames++;
        }
        EXPECT_EQ(frames, (int)(2.0f * hz + 0.5f)) << hz;
        EXPECT_EQ(presses, 1) << hz;
        EXPECT_EQ(pressFrame, (int)(10.0f / 60.0f * hz)) << hz;
        EXPECT_EQ(wPresses, 1) << hz;
        EXPECT_NEAR((float)held / hz, 1.0f, 1.0f / hz + 1e-4f) << hz;
    }
    ReplayFree(r);
}
