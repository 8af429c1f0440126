// The synthesiser, driven offline through the engine block the stream callback runs: block-size
// independence, sanitising of every command field, the voice pools, silence before the first
// state and after the exit fade, stereo through the reverbs, the sound switch, the timbres.
#include "offline_engine.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

constexpr float NaN = std::numeric_limits<float>::quiet_NaN();
constexpr float INF = std::numeric_limits<float>::infinity();

// A busy scene: play context with danger and a boss, rollers, the rocket, cues every 4096
// frames, one music voice of every timbre, and the exit fade near the end.
void BusyScript(OfflineEngine &o, uint32_t frame)
{
    AudioEngine &e = o.e();
    uint32_t k = frame / 4096;
    if (k == 0) {
        AudioState s = AudibleState(AUDIO_CONTEXT_PLAY);
        s.danger = 0.7f;
        s.bossPresence[1] = 1.0f;
        s.rocketLevel = 0.8f;
        s.rocketDrive = 1.0f;
        s.rocketPan = -0.3f;
        AudioEnginePostState(e, s);
        for (int slot = 0; slot < AUDIO_SPATIAL_SLOTS; ++slot)
            AudioEnginePostSpatial(e, slot, -0.9f + 0.6f * (float)slot, 0.7f, 0.5f + 0.4f * (float)slot);
    }
    if (k == 5) {
        AudioState s = AudibleState(AUDIO_CONTEXT_MAIN_MENU);
        s.crowd = 0.5f;
        AudioEnginePostState(e, s);
    }
    for (int i = 0; i < 4; ++i) AudioEnginePostCue(e, (int)(6 + (k * 4 + (uint32_t)i) % 28), 0.5f - 0.3f * (float)i, 0.8f, 1.0f);
    if (k < 3) {
        for (int t = 0; t < SYNTH_TIMBRES; ++t) {
            if ((t % 3) != (int)k) continue;
            SynthNote note{t, 110.0f * (1.0f + 0.25f * (float)t), 0.3f, 0.3f, 0.2f, 0.6f, 1.2f, 0.3f, 0};
            SynthStartVoice(o.synth(), SYNTH_POOL_MUSIC, note, false);
        }
    }
    if (k == 9) AudioEngineRequestExitFade(e, 0.5f);
}

std::vector<float> RenderBusy(uint32_t block, uint32_t ringStart = 0)
{
    OfflineEngine o(20240611u, ringStart);
    return o.Render(12 * 4096, block, [&](uint32_t f) { BusyScript(o, f); });
}

// [SECTION] Determinism

TEST(SynthRender, BlocksOf1And64And4096GiveIdenticalSamples)
{
    std::vector<float> big = RenderBusy(4096);
    std::vector<float> mid = RenderBusy(64);
    std::vector<float> one = RenderBusy(1);
    ASSERT_EQ(big.size(), one.size());
    EXPECT_GT(Energy(big), 1.0) << "the scenario must actually sound";
    EXPECT_EQ(0, std::memcmp(big.data(), mid.data(), big.size() * sizeof(float)));
    EXPECT_EQ(0, std::memcmp(big.data(), one.data(), big.size() * sizeof(float)));
    EXPECT_TRUE(AllFiniteWithin(big));
    std::vector<float> wrapped = RenderBusy(512, 0xFFFFFFFFu - 99u);
    EXPECT_EQ(0, std::memcmp(big.data(), wrapped.data(), big.size() * sizeof(float))) << "ring counters crossing 2^32";
}

// The seed composes the score and humanises the cues; the two never share a random state.
TEST(SynthRender, SeedChangesMusicAndEffectsEachOnItsOwn)
{
    struct Run { std::vector<float> out; uint64_t musicHash; };
    auto render = [](uint32_t seed, bool cues, bool music) {
        OfflineEngine o(seed);
        std::vector<float> out = o.Render(3 * 8192, 512, [&](uint32_t f) {
            if (f == 0) {
                AudioState s = AudibleState();
                s.musicOn = music;
                AudioEnginePostState(o.e(), s);
            }
            if (cues) AudioEnginePostCue(o.e(), 9, 0.0f, 0.8f, 1.0f);
        });
        return Run{out, o.synth().stats.musicHash};
    };
    Run quiet1 = render(1u, false, true), cues1 = render(1u, true, true), quiet2 = render(2u, false, true);
    EXPECT_NE(quiet1.out, quiet2.out) << "the score follows the seed";
    EXPECT_NE(quiet1.musicHash, quiet2.musicHash);
    EXPECT_EQ(quiet1.musicHash, cues1.musicHash) << "cues never change the music schedule";
    EXPECT_NE(render(1u, true, false).out, render(2u, true, false).out) << "cue humanisation follows the seed";
    EXPECT_EQ(render(0u, true, false).out, render(SYNTH_DEFAULT_SEED, true, false).out) << "seed 0 is replaced";
}

// [SECTION] Sanitising

TEST(AudioStateSanitise, Table)
{
    struct Row { float in; float unit; float pan; } rows[] = {
        {NaN, 0.0f, 0.0f}, {INF, 0.0f, 0.0f}, {-INF, 0.0f, 0.0f}, {0.5f, 0.5f, 0.5f},
        {-0.5f, 0.0f, -0.5f}, {1.5f, 1.0f, 1.0f}, {-3.0f, 0.0f, -1.0f},
    };
    for (const Row &r : rows) {
        AudioState in{};
        in.danger = in.crowd = in.musicVolume = in.soundVolume = in.finale = r.in;
        in.bossPresence[0] = in.bossPresence[1] = in.bossPresence[2] = r.in;
        in.rocketLevel = in.rocketDrive = in.rocketPan = r.in;
        AudioState s = AudioStateSanitise(in);
        for (float v : {s.danger, s.crowd, s.musicVolume, s.soundVolume, s.finale, s.bossPresence[0], s.bossPresence[2],
                        s.rocketLevel, s.rocketDrive})
            EXPECT_EQ(v, r.unit) << r.in;
        EXPECT_EQ(s.rocketPan, r.pan) << r.in;
    }
    struct Context { int32_t in, out; } contexts[] = {{0, 0}, {9, 9}, {10, 1}, {-1, 1}, {INT_MIN, 1}, {INT_MAX, 1}};
    for (const Context &c : contexts) {
        AudioState in{};
        in.context = c.in;
        EXPECT_EQ(AudioStateSanitise(in).context, c.out) << c.in;
    }
    AudioState flags{};
    flags.musicOn = 0xff;
    flags.soundOn = 2;
    flags.focused = 0;
    flags.spare = 7;
    AudioState f = AudioStateSanitise(flags);
    EXPECT_EQ(f.musicOn, 1);
    EXPECT_EQ(f.soundOn, 1);
    EXPECT_EQ(f.focused, 0);
}

void SetField(int field, float &pan, float &gain, float &pitch, float value)
{
    (field == 0 ? pan : field == 1 ? gain : pitch) = value;
}

// One poisoned command after an audible start; every output sample must stay finite and under the
// ceiling, and the last-resort guard of the master chain must never have been needed.
TEST(SynthSanitise, NonFiniteInEveryCommandFieldKeepsTheOutputFiniteAndBounded)
{
    enum Kind { STATE, CUE, SPATIAL, FADE };
    struct Row { Kind kind; int field; const char *what; };
    std::vector<Row> rows;
    const int stateFloats[] = {1, 2, 3, 4, 5, 6, 7, 9, 10, 11, 12};   // word indices of AudioState
    for (int w : stateFloats) rows.push_back({STATE, w, "state"});
    for (int f = 0; f < 3; ++f) rows.push_back({CUE, f, "cue pan/gain/pitch"});
    for (int f = 0; f < 3; ++f) rows.push_back({SPATIAL, f, "spatial pan/gain/pitch"});
    rows.push_back({FADE, 0, "fade seconds"});

    for (const Row &row : rows) {
        for (float bad : {NaN, INF, -INF}) {
            OfflineEngine o(99u);
            std::vector<float> out = o.Render(24 * 512, 512, [&](uint32_t frame) {
                AudioEngine &e = o.e();
                if (frame == 0) {
                    AudioState s = AudibleState(AUDIO_CONTEXT_PLAY);
                    s.rocketLevel = 1.0f;
                    s.rocketDrive = 1.0f;
                    AudioEnginePostState(e, s);
                    AudioEnginePostSpatial(e, 0, 0.0f, 1.0f, 1.0f);
                    return;
                }
                if (frame != 2048) return;
                AudioCommand c{};
                switch (row.kind) {
                case STATE: {
                    c.type = AUDIO_COMMAND_STATE;
                    c.state = AudibleState(AUDIO_CONTEXT_PLAY);
                    std::memcpy(&c.words[row.field], &bad, sizeof bad);
                    break;
                }
                case CUE: {
                    c.type = AUDIO_COMMAND_CUE;
                    c.cue = {7, 0.0f, 1.0f, 1.0f};
                    SetField(row.field, c.cue.pan, c.cue.gain, c.cue.pitch, bad);
                    break;
                }
                case SPATIAL: {
                    c.type = AUDIO_COMMAND_SPATIAL;
                    c.spatial = {1, 0.0f, 1.0f, 1.0f};
                    SetField(row.field, c.spatial.pan, c.spatial.gain, c.spatial.pitch, bad);
                    break;
                }
                case FADE:
                    c.type = AUDIO_COMMAND_EXIT_FADE;
                    c.fadeSeconds = bad;
                    break;
                }
                AudioRingPush(e.ring, c);
                AudioEnginePostCue(e, 14, 0.3f, 1.0f, 1.0f);
                AudioEngineRequestExitFade(e, bad);
            }, 2048);
            EXPECT_TRUE(AllFiniteWithin(out)) << row.what << " field " << row.field << " = " << bad;
            EXPECT_EQ(o.synth().stats.nonFiniteResets, 0u) << row.what << " field " << row.field << " = " << bad;
        }
    }
}

TEST(SynthSanitise, OutOfRangeIdsAndSlotsAreIgnored)
{
    OfflineEngine o(5u);
    std::vector<float> out = o.Render(4096, 4096, [&](uint32_t) {
        AudioEnginePostState(o.e(), AudibleState());
        for (int id : {-1, 34, INT_MIN, INT_MAX}) AudioEnginePostCue(o.e(), id, 0.0f, 1.0f, 1.0f);
        for (int slot : {-1, 4, INT_MIN, INT_MAX}) AudioEnginePostSpatial(o.e(), slot, 0.0f, 1.0f, 1.0f);
    });
    EXPECT_EQ(SynthActiveVoices(o.synth(), SYNTH_POOL_EFFECTS), 0);
    EXPECT_EQ(o.synth().stats.cuesIgnored, 4u);
    for (const SynthRoller &r : o.synth().rollers) EXPECT_EQ(r.targetGain, 0.0f);
    EXPECT_TRUE(AllFiniteWithin(out));
}

// [SECTION] Voice pools

TEST(SynthCues, ThreeHundredCuesInOneFrameStayWithinTheEffectPool)
{
    struct Case { bool priorityOnly; int expectedMax; } cases[] = {{false, SYNTH_EFFECT_ORDINARY_VOICES}, {true, 32}};
    // Ids without priority (7, 9, 13, 14, 20..24, 27..31) and with priority (1..3, 5, 6, 8, 10..12, 15..19, 25, 26, 32, 33).
    const int ordinary[] = {7, 9, 14, 20, 21, 22, 23, 24, 27, 28, 29, 30, 31};
    const int priority[] = {5, 6, 8, 10, 11, 12, 15, 16, 17, 18, 19, 25, 26, 32, 33};
    for (const Case &c : cases) {
        OfflineEngine o(3u);
        AudioEngine &e = o.e();
        AudioEnginePostState(e, AudibleState(AUDIO_CONTEXT_PLAY));
        int accepted = 0;
        for (int i = 0; i < 300; ++i) {
            int id = c.priorityOnly ? priority[i % 15] : ordinary[i % 13];
            accepted += AudioEnginePostCue(e, id, 0.0f, 0.9f, 1.0f);
        }
        EXPECT_EQ(accepted, (int)AUDIO_RING_CUE_LIMIT - 1) << "one slot went to the state";
        EXPECT_TRUE(AudioEnginePostSpatial(e, 0, 0.0f, 0.5f, 1.0f)) << "state and spatial commands still fit";

        std::vector<float> out(2 * 512);
        int most = 0;
        for (int block = 0; block < 40; ++block) {
            AudioEngineProcess(e, out.data(), 512);
            int active = SynthActiveVoices(o.synth(), SYNTH_POOL_EFFECTS);
            most = active > most ? active : most;
            if (!c.priorityOnly) {
                for (int slot = SYNTH_EFFECT_ORDINARY_VOICES; slot < SYNTH_EFFECT_VOICES; ++slot)
                    EXPECT_FALSE(o.synth().effects[slot].active) << "ordinary cues stay in the first 24 slots";
            }
            EXPECT_TRUE(AllFiniteWithin(out));
        }
        EXPECT_EQ(most, c.expectedMax);
        const SynthStats &st = o.synth().stats;
        EXPECT_GT(st.voicesDropped, 0u) << "a full pool drops new voices";
        EXPECT_EQ(st.effectsStarted, (uint32_t)c.expectedMax) << "no voice was stolen and none started twice";
    }
}

TEST(SynthCues, MinimumIntervalsPerId)
{
    struct Case { int id; uint32_t gapFrames; uint32_t sounded; } cases[] = {
        {AUDIO_CUE_HOVER, 3584, 1}, {AUDIO_CUE_HOVER, 3648, 2},   // 0.075 s = 3600 samples
        {AUDIO_CUE_TICK, 2816, 1}, {AUDIO_CUE_TICK, 2880, 2},     // 0.06 s
        {13, 1152, 1}, {13, 1216, 2},                             // 0.025 s
        {9, 64, 2}, {9, 0, 1},                                    // any later sample; never twice at once
    };
    for (const Case &c : cases) {
        OfflineEngine o(8u);
        AudioEnginePostState(o.e(), AudibleState());
        AudioEnginePostCue(o.e(), c.id, 0.0f, 0.5f, 1.0f);
        std::vector<float> out(2 * 64);
        if (c.gapFrames == 0) AudioEnginePostCue(o.e(), c.id, 0.0f, 0.5f, 1.0f);
        for (uint32_t f = 0; f < c.gapFrames; f += 64) AudioEngineProcess(o.e(), out.data(), 64);
        if (c.gapFrames != 0) AudioEnginePostCue(o.e(), c.id, 0.0f, 0.5f, 1.0f);
        AudioEngineProcess(o.e(), out.data(), 64);
        EXPECT_EQ(o.synth().stats.cuesSounded, c.sounded) << "id " << c.id << " gap " << c.gapFrames;
    }
}

// [SECTION] Silence and the exit fade

TEST(SynthSilence, ExactlySilentBeforeTheFirstState)
{
    OfflineEngine o(11u);
    std::vector<float> before = o.Render(48000, 480, [&](uint32_t frame) {
        AudioEnginePostCue(o.e(), (int)(frame / 960) % 34, 0.0f, 1.0f, 1.0f);
        AudioEnginePostSpatial(o.e(), 1, 0.0f, 1.0f, 1.0f);
    }, 960);
    for (size_t i = 0; i < before.size(); ++i) ASSERT_EQ(before[i], 0.0f) << "sample " << i;
    AudioEnginePostState(o.e(), AudibleState());
    std::vector<float> after = o.Render(24000, 480);
    EXPECT_GT(Energy(after), 1e-3) << "the first state brings the sound in";
}

TEST(SynthExitFade, ReachesExactZeroAfter57600SamplesWhateverTheBlocks)
{
    for (uint32_t block : {1u, 333u, 512u}) {
        OfflineEngine o(12u);
        AudioEnginePostState(o.e(), AudibleState(AUDIO_CONTEXT_PLAY));
        AudioEnginePostSpatial(o.e(), 0, 0.0f, 1.0f, 1.0f);
        for (int t : {18, 19, 20, 23}) {
            SynthNote note{t, 220.0f, 5.0f, 0.5f, 0.0f, 0.5f, 1.0f, 0.4f, 0};
            SynthStartVoice(o.synth(), SYNTH_POOL_MUSIC, note, false);
        }
        o.Render(block * (24000 / block + 1), block);
        AudioEngineRequestExitFade(o.e(), 1.2f);
        std::vector<float> fade = o.Render(57600 + 24000, block);
        EXPECT_GT(Energy(fade, 0, 2 * 4800), 1e-3) << "the fade starts from full sound";
        EXPECT_GT(Energy(fade, 2 * 48000, 2 * 57600), 0.0) << "and is still fading at 1.0 s";
        for (size_t i = 2 * 57600; i < fade.size(); ++i) ASSERT_EQ(fade[i], 0.0f) << "block " << block << " sample " << i / 2;
        SynthNote late{5, 440.0f, 0.5f, 0.5f, 0.0f, 0.5f, 1.0f, 0.2f, 0};
        EXPECT_FALSE(SynthStartVoice(o.synth(), SYNTH_POOL_MUSIC, late, false)) << "no new music during the fade";
    }
}

TEST(SynthExitFade, RequestedLengthIsKeptInRange)
{
    struct Row { float seconds; uint32_t ms; } rows[] = {
        {NaN, 1200}, {1.2f, 1200}, {0.1f, 200}, {-1.0f, 200}, {9.0f, 5000}, {INF, 5000}, {-INF, 200},
    };
    for (const Row &r : rows) {
        OfflineEngine o(1u);
        AudioEngineRequestExitFade(o.e(), r.seconds);
        EXPECT_EQ(o.e().fadeRequestMs.load(), r.ms) << r.seconds;
        std::vector<float> out(2 * 16);
        AudioEngineProcess(o.e(), out.data(), 16);
        EXPECT_EQ(o.synth().fadeLength, (int32_t)(r.ms * 48)) << r.seconds;
        EXPECT_EQ(o.e().fadeRequestMs.load(), 0u) << "the request is taken up once";
    }
}

// [SECTION] Mix

TEST(SynthMix, PannedCueStaysOnItsSideThroughTheReverbs)
{
    for (float pan : {-1.0f, 1.0f}) {
        OfflineEngine o(21u);
        std::vector<float> out = o.Render(72000, 512, [&](uint32_t frame) {
            if (frame == 0) AudioEnginePostState(o.e(), AudibleState());
            if (frame == 4096) AudioEnginePostCue(o.e(), 14, pan, 1.0f, 1.0f);
        });
        OfflineEngine quiet(21u);
        std::vector<float> bed = quiet.Render(72000, 512, [&](uint32_t frame) {
            if (frame == 0) AudioEnginePostState(quiet.e(), AudibleState());
        });
        // The cue's own contribution, tail included.
        for (size_t i = 0; i < out.size(); ++i) out[i] -= bed[i];
        double left = Energy(out, 0, SIZE_MAX, 0), right = Energy(out, 0, SIZE_MAX, 1);
        double tailLeft = Energy(out, 2 * 48000, SIZE_MAX, 0), tailRight = Energy(out, 2 * 48000, SIZE_MAX, 1);
        if (pan < 0.0f) {
            EXPECT_GT(left, 2.0 * right);
            EXPECT_GT(tailLeft, tailRight);
        } else {
            EXPECT_GT(right, 2.0 * left);
            EXPECT_GT(tailRight, tailLeft);
        }
    }
}

// With sound off, cues, rollers and the rocket change nothing at all: the music is bit for bit
// what it is without them. With music off the effects are still heard.
TEST(SynthMix, SoundSwitchSilencesEffectsAndLeavesTheMusic)
{
    auto render = [](bool musicOn, bool soundOn, bool effects) {
        OfflineEngine o(31u);
        return o.Render(48000, 512, [&](uint32_t frame) {
            AudioState s = AudibleState(AUDIO_CONTEXT_PLAY);
            s.musicOn = musicOn;
            s.soundOn = soundOn;
            if (effects) {
                s.rocketLevel = 1.0f;
                s.rocketDrive = 0.8f;
                AudioEnginePostCue(o.e(), (int)(6 + frame / 4096), 0.2f, 1.0f, 1.0f);
                AudioEnginePostCue(o.e(), 16, 0.0f, 1.0f, 1.0f);   // a ducking cue
                AudioEnginePostSpatial(o.e(), 2, 0.5f, 1.0f, 1.0f);
            }
            AudioEnginePostState(o.e(), s);
        });
    };
    std::vector<float> musicOnly = render(true, false, false);
    EXPECT_GT(Energy(musicOnly), 1e-3);
    EXPECT_EQ(render(true, false, true), musicOnly);
    EXPECT_GT(Energy(render(false, true, true)), 1e-2) << "effects with music off";
    EXPECT_EQ(Energy(render(false, false, true)), 0.0);
}

// The room reverb and the DC blocker decay into exact zeros, never into subnormal numbers.
TEST(SynthMix, ReverbTailEndsInExactZeroWithoutSubnormals)
{
    OfflineEngine o(51u);
    AudioState s = AudibleState();
    s.musicOn = 0;
    AudioEnginePostState(o.e(), s);
    AudioEnginePostCue(o.e(), 21, -0.5f, 1.0f, 1.0f);
    int subnormal = 0;
    float hallPeak = 0.0f;
    auto scan = [&](uint32_t) {
        const Synth &y = o.synth();
        for (int i = 0; i < SYNTH_ROOM_LENGTH; ++i)
            subnormal += std::fpclassify(y.roomL[i]) == FP_SUBNORMAL || std::fpclassify(y.roomR[i]) == FP_SUBNORMAL;
        for (int i = 0; i < SYNTH_HALL_LENGTH; ++i) {
            subnormal += std::fpclassify(y.hallL[i]) == FP_SUBNORMAL || std::fpclassify(y.hallR[i]) == FP_SUBNORMAL;
            hallPeak = std::fmax(hallPeak, std::fmax(std::fabs(y.hallL[i]), std::fabs(y.hallR[i])));
        }
        subnormal += std::fpclassify(y.dcOut[0]) == FP_SUBNORMAL || std::fpclassify(y.roomLp[0]) == FP_SUBNORMAL;
        subnormal += std::fpclassify(y.hallLp[0]) == FP_SUBNORMAL || std::fpclassify(y.hallLp[1]) == FP_SUBNORMAL;
    };
    std::vector<float> out = o.Render(6 * 48000, 512, scan, 2048);
    EXPECT_GT(Energy(out, 0, 2 * 48000), 1e-2);
    for (size_t i = 2 * 5 * 48000; i < out.size(); ++i) ASSERT_EQ(out[i], 0.0f) << "sample " << i / 2;
    EXPECT_EQ(subnormal, 0);
    EXPECT_GT(hallPeak, 1e-3f) << "the hall carried the cue's tail";
}

// A non-finite value that got past every sanitiser (here written straight into a roller) costs one
// moment of silence, not the rest of the game.
TEST(SynthMix, NonFiniteStateInsideTheEngineRecovers)
{
    OfflineEngine o(52u);
    AudioEnginePostState(o.e(), AudibleState());
    o.Render(24000, 512);
    o.synth().rollers[0].gain = NaN;
    o.synth().rollers[0].targetGain = 0.0f;
    std::vector<float> hit = o.Render(4096, 512);
    o.synth().rollers[0].gain = 0.0f;
    o.synth().rollers[0].slow = o.synth().rollers[0].fast = 0.0f;
    std::vector<float> after = o.Render(24000, 512);
    EXPECT_TRUE(AllFiniteWithin(hit));
    EXPECT_GT(o.synth().stats.nonFiniteResets, 0u);
    EXPECT_TRUE(AllFiniteWithin(after));
    EXPECT_GT(Energy(after, 24000), 1e-3) << "the bed plays on";
}

// [SECTION] Timbres

TEST(SynthTimbres, EveryTimbreSoundsFiniteAtTheExtremes)
{
    struct Extreme { float frequency, tone, glide; } extremes[] = {
        {24.0f, 0.0f, 1.0f}, {10000.0f, 8.0f, 8.0f}, {440.0f, 1.0f, 0.025f}, {3000.0f, 0.9f, 8.0f},
    };
    for (int t = 0; t < SYNTH_TIMBRES; ++t) {
        for (const Extreme &x : extremes) {
            OfflineEngine o(41u);
            AudioEnginePostState(o.e(), AudibleState());
            o.Render(4096, 4096);   // masters up
            SynthNote note{t, x.frequency, 0.3f, 1.0f, 0.0f, x.tone, x.glide, 0.5f, 0};
            ASSERT_TRUE(SynthStartVoice(o.synth(), SYNTH_POOL_EFFECTS, note, true));
            std::vector<float> out = o.Render(16384, 4096);
            EXPECT_TRUE(AllFiniteWithin(out)) << "timbre " << t << " at " << x.frequency << " Hz";
            EXPECT_GT(Energy(out), 1e-4) << "timbre " << t << " at " << x.frequency << " Hz";
            EXPECT_EQ(SynthActiveVoices(o.synth(), SYNTH_POOL_EFFECTS), 0) << "the voice frees itself";
        }
    }
}

TEST(SynthTimbres, TableSineWrapsEveryPhase)
{
    OfflineEngine o(1u);
    const Synth &s = o.synth();
    struct Row { float phase, expected; } rows[] = {
        {0.25f, 1.0f}, {3.25f, 1.0f}, {-0.25f, -1.0f}, {-2.75f, 1.0f}, {7.0f * 0.75f, 1.0f},
        {0.9999999f, 0.0f}, {-1e-7f, 0.0f}, {1.0f, 0.0f},
    };
    for (const Row &r : rows) EXPECT_NEAR(SynthSine(s, r.phase), r.expected, 1e-4f) << r.phase;
}

}  // namespace
