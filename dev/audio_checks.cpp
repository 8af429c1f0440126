// Developer self-checks and captures of the sound engine.
//
// Index
//   [SECTION] Scenes
//   [SECTION] Helpers
//   [SECTION] --test-audio
//   [SECTION] --test-audio-ui
//   [SECTION] --capture-audio
#include "dev/audio_checks.h"

#include "audio/audio_scene.h"
#include "dev/audio_scene_checks.h"

#include "audio/audio_publish.h"
#include "audio/audio_wav.h"
#include "audio/exit_fade.h"

#include "raylib.h"

#include <chrono>
#include <cmath>
#include <ctime>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

// [SECTION] Scenes

// The heaviest timbre per sample (the lead guitar: two sub-steps of a saw and three sines).
static constexpr int HEAVIEST_TIMBRE = 14;

static AudioState PlayState()
{
    AudioState s{};
    s.context = AUDIO_CONTEXT_PLAY;
    s.danger = 1.0f;
    s.bossPresence[0] = 1.0f;
    s.bossPresence[1] = 0.6f;
    s.crowd = 1.0f;
    s.musicVolume = 0.75f;
    s.soundVolume = 0.85f;
    s.musicOn = s.soundOn = s.focused = 1;
    s.rocketLevel = 0.6f;
    s.rocketPan = 0.2f;
    s.rocketDrive = 1.0f;
    return s;
}

// The battle with every boss layer up: the score's full fight arrangement and nothing else.
static AudioState BattleBossesState()
{
    AudioState s = PlayState();
    s.bossPresence[1] = 1.0f;
    s.bossPresence[2] = 1.0f;
    s.rocketLevel = 0.0f;
    s.rocketDrive = 0.0f;
    return s;
}

static void SceneFrame(AudioEngine &engine, DevAudioScene scene, uint32_t frameIndex)
{
    Synth &synth = *engine.synth;
    if (scene == DEV_AUDIO_BATTLE_BOSSES) {
        AudioEnginePostState(engine, BattleBossesState());
        return;
    }
    AudioEnginePostState(engine, PlayState());
    for (int slot = 0; slot < AUDIO_SPATIAL_SLOTS; ++slot)
        AudioEnginePostSpatial(engine, slot, -0.6f + 0.4f * (float)slot, 0.35f, 0.6f + 0.25f * (float)slot);
    if (scene == DEV_AUDIO_DENSEST) {
        // The observer's budgets let about nine creature cues a second through; player and boss
        // events come on top: some 24 cues a second in a hard fight.
        static const int CREATURE[] = {27, 28, 29, 30, 31, 28, 30, 27, 9};
        static const int COMBAT[] = {7, 13, 10, 8, 6, 13, 23, 24, 7, 13};
        static const int BOSS[] = {15, 16, 17, 18, 19, 20, 14, 21};
        if (frameIndex % 5 == 0) AudioEnginePostCue(engine, CREATURE[frameIndex / 5 % 9], -0.4f, 0.5f, 1.0f);
        if (frameIndex % 6 == 0) AudioEnginePostCue(engine, COMBAT[frameIndex / 6 % 10], 0.0f, 0.8f, 1.0f);
        if (frameIndex % 30 == 0) AudioEnginePostCue(engine, BOSS[frameIndex / 30 % 8], 0.3f, 0.8f, 0.9f);
        return;
    }
    // Worst case: every free slot of both pools refilled with the heaviest timbre.
    for (int pool = 0; pool < 2; ++pool) {
        for (int i = 0; i < SYNTH_MUSIC_VOICES; ++i) {
            SynthNote note{HEAVIEST_TIMBRE, 55.0f * (1.0f + 0.1f * (float)i), 5.0f, 0.03f, -1.0f + (float)i / 16.0f, 1.0f, 1.0f, 0.3f, 0};
            SynthStartVoice(synth, pool == 0 ? SYNTH_POOL_MUSIC : SYNTH_POOL_EFFECTS, note, true);
        }
    }
}

DevAudioTiming DevAudioRenderScene(AudioEngine &engine, DevAudioScene scene, float *out, uint32_t frames, uint32_t block)
{
    DevAudioTiming timing{0.0, 0.0, 0.0, 0.0};
    if (!engine.synth || block == 0) return timing;
    std::vector<float> scratch(2 * (size_t)block);
    uint32_t pos = 0;
    for (uint32_t frameIndex = 0; pos < frames; ++frameIndex) {
        SceneFrame(engine, scene, frameIndex);
        uint32_t end = pos + DEV_AUDIO_FRAME < frames ? pos + DEV_AUDIO_FRAME : frames;
        while (pos < end) {
            uint32_t n = end - pos < block ? end - pos : block;
            float *target = out ? out + 2 * (size_t)pos : scratch.data();
            auto start = std::chrono::steady_clock::now();
            std::clock_t cpuStart = std::clock();
            AudioEngineProcess(engine, target, n);
            double cpu = (double)(std::clock() - cpuStart) / CLOCKS_PER_SEC;
            double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            timing.cpuSeconds += cpu;
            timing.wallSeconds += wall;
            if (cpu * 1000.0 > timing.worstBlockCpuMs) timing.worstBlockCpuMs = cpu * 1000.0;
            if (wall * 1000.0 > timing.worstBlockWallMs) timing.worstBlockWallMs = wall * 1000.0;
            pos += n;
        }
    }
    return timing;
}

void DevAudioSettleScene(AudioEngine &engine, DevAudioScene scene, float seconds)
{
    if (!(seconds > 0.0f)) return;
    DevAudioRenderScene(engine, scene, nullptr, (uint32_t)(seconds * AUDIO_SAMPLE_RATE), 512);
}

// [SECTION] Helpers

namespace {

struct Checks {
    int passed = 0, failed = 0;
    void Check(bool ok, const char *name, const char *detail = "")
    {
        std::printf("%s %s%s%s\n", ok ? "ok  " : "FAIL", name, detail[0] ? ": " : "", detail);
        (ok ? passed : failed)++;
    }
    int Finish() const
    {
        std::printf("%d passed, %d failed\n", passed, failed);
        return failed == 0 ? 0 : 1;
    }
};

// An engine of its own, created and released with the scope.
struct Engine {
    std::unique_ptr<AudioEngine> e = std::make_unique<AudioEngine>();
    bool ok;
    explicit Engine(uint32_t seed, uint32_t ringStart = 0) { ok = AudioEngineCreate(*e, seed, ringStart); }
    ~Engine() { AudioEngineRelease(*e); }
};

AudioState Audible(int32_t context)
{
    AudioState s{};
    s.context = context;
    s.musicVolume = s.soundVolume = 1.0f;
    s.musicOn = s.soundOn = s.focused = 1;
    return s;
}

uint64_t HashSamples(const std::vector<float> &v)
{
    uint64_t h = 14695981039346656037ull;
    const unsigned char *p = (const unsigned char *)v.data();
    for (size_t i = 0; i < v.size() * sizeof(float); ++i) {
        h ^= p[i];
        h *= 1099511628211ull;
    }
    return h;
}

bool FiniteWithin(const std::vector<float> &v)
{
    for (float x : v)
        if (!std::isfinite(x) || std::fabs(x) > 0.94f) return false;
    return true;
}

double Rms(const float *v, size_t samples)
{
    double e = 0.0;
    for (size_t i = 0; i < samples; ++i) e += (double)v[i] * v[i];
    return samples ? std::sqrt(e / (double)samples) : 0.0;
}

// A fixed mix of cues, rollers and music voices over 12 x 4096 frames, in blocks of `block`.
std::vector<float> RenderReference(uint32_t seed, uint32_t block)
{
    Engine engine(seed);
    AudioEngine &e = *engine.e;
    const uint32_t frames = 12 * 4096;
    std::vector<float> out(2 * (size_t)frames);
    for (uint32_t pos = 0; pos < frames; pos += block) {
        if (pos % 4096 == 0) {
            uint32_t k = pos / 4096;
            if (k == 0) {
                AudioState s = Audible(AUDIO_CONTEXT_PLAY);
                s.danger = 0.5f;
                s.rocketLevel = 0.7f;
                s.rocketDrive = 0.9f;
                AudioEnginePostState(e, s);
                for (int slot = 0; slot < 4; ++slot) AudioEnginePostSpatial(e, slot, 0.3f * (float)slot - 0.5f, 0.6f, 1.0f);
            }
            AudioEnginePostCue(e, (int)(6 + k * 5 % 28), 0.2f, 0.8f, 1.0f);
            SynthNote note{(int)(k * 7 % SYNTH_TIMBRES), 150.0f + 30.0f * (float)k, 0.4f, 0.3f, 0.0f, 0.7f, 1.1f, 0.3f, 0};
            SynthStartVoice(*e.synth, SYNTH_POOL_MUSIC, note, false);
            if (k == 9) AudioEngineRequestExitFade(e, 0.4f);
        }
        uint32_t n = frames - pos < block ? frames - pos : block;
        AudioEngineProcess(e, out.data() + 2 * (size_t)pos, n);
    }
    return out;
}

}  // namespace

// [SECTION] --test-audio

int DevTestAudio()
{
    Checks c;
    char detail[256];

    std::vector<float> b4096 = RenderReference(7u, 4096), b64 = RenderReference(7u, 64), b1 = RenderReference(7u, 1);
    uint64_t h4096 = HashSamples(b4096), h64 = HashSamples(b64), h1 = HashSamples(b1);
    std::snprintf(detail, sizeof detail, "hashes %016llx %016llx %016llx", (unsigned long long)h1, (unsigned long long)h64,
                  (unsigned long long)h4096);
    c.Check(h1 == h64 && h64 == h4096, "blocks of 1, 64 and 4096 frames render identical samples", detail);
    c.Check(HashSamples(RenderReference(7u, 512)) == h4096, "the same seed renders the same samples again");
    c.Check(HashSamples(RenderReference(8u, 512)) != h4096, "another seed renders different effects");
    c.Check(FiniteWithin(b4096), "reference output finite and within +-0.94");

    {
        Engine engine(3u);
        std::vector<float> out(2 * 48000);
        for (uint32_t pos = 0; pos < 48000; pos += 480) {
            AudioEnginePostCue(*engine.e, (int)(pos / 480) % 34, 0.0f, 1.0f, 1.0f);
            AudioEngineProcess(*engine.e, out.data() + 2 * pos, 480);
        }
        bool silent = true;
        for (float x : out) silent = silent && x == 0.0f;
        c.Check(silent, "exactly silent before the first state, cues or not");
    }

    {
        Engine engine(4u);
        AudioEnginePostState(*engine.e, Audible(AUDIO_CONTEXT_MAIN_MENU));
        AudioEnginePostSpatial(*engine.e, 0, 0.0f, 1.0f, 1.0f);
        std::vector<float> out(2 * (57600 + 9600));
        AudioEngineProcess(*engine.e, out.data(), 9600);
        AudioEngineRequestExitFade(*engine.e, 1.2f);
        for (uint32_t pos = 0; pos < 57600 + 9600; pos += 700) {
            uint32_t n = 57600 + 9600 - pos < 700 ? 57600 + 9600 - pos : 700;
            AudioEngineProcess(*engine.e, out.data() + 2 * pos, n);
        }
        bool zero = true;
        for (size_t i = 2 * 57600; i < out.size(); ++i) zero = zero && out[i] == 0.0f;
        double start = Rms(out.data(), 2 * 4800);
        std::snprintf(detail, sizeof detail, "rms of its first 0.1 s %.4f", start);
        c.Check(zero && start > 0.0, "exit fade ends in exact zero after 57 600 samples", detail);
    }

    {
        const float bad[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                             -std::numeric_limits<float>::infinity()};
        bool ok = true;
        for (float x : bad) {
            Engine engine(5u);
            AudioEngine &e = *engine.e;
            AudioState s = Audible(AUDIO_CONTEXT_PLAY);
            AudioEnginePostState(e, s);
            s.danger = s.crowd = s.finale = s.rocketLevel = s.rocketPan = s.rocketDrive = x;
            s.musicVolume = s.bossPresence[0] = x;
            AudioEnginePostState(e, s);
            AudioEnginePostCue(e, 7, x, x, x);
            AudioEnginePostCue(e, 9, 0.0f, 1.0f, x);
            AudioEnginePostSpatial(e, 1, x, x, x);
            AudioEnginePostSpatial(e, 2, 0.0f, 1.0f, x);
            AudioEngineRequestExitFade(e, x);
            std::vector<float> out(2 * 24000);
            for (uint32_t pos = 0; pos < 24000; pos += 512)
                AudioEngineProcess(e, out.data() + 2 * pos, 24000 - pos < 512 ? 24000 - pos : 512);
            ok = ok && FiniteWithin(out) && e.synth->stats.nonFiniteResets == 0;
        }
        c.Check(ok, "NaN and infinities in every command field give finite output within +-0.94");
    }

    {
        Engine engine(6u);
        AudioEngine &e = *engine.e;
        AudioEnginePostState(e, Audible(AUDIO_CONTEXT_PLAY));
        int accepted = 0;
        for (int i = 0; i < 300; ++i) accepted += AudioEnginePostCue(e, 6 + i % 28, 0.0f, 0.9f, 1.0f);
        std::vector<float> out(2 * 512);
        int most = 0;
        bool bounded = true;
        for (int b = 0; b < 40; ++b) {
            AudioEngineProcess(e, out.data(), 512);
            int active = SynthActiveVoices(*e.synth, SYNTH_POOL_EFFECTS);
            most = active > most ? active : most;
            bounded = bounded && FiniteWithin(out);
        }
        std::snprintf(detail, sizeof detail, "%d cues queued, at most %d effect voices, %u voices dropped", accepted, most,
                      e.synth->stats.voicesDropped);
        c.Check(accepted == 231 && most <= SYNTH_EFFECT_VOICES && bounded, "300 cues in one frame stay within the pools", detail);
    }

    {
        auto ring = std::make_unique<AudioRing>();
        const uint32_t start = 0xFFFFFFFFu - 99u;
        AudioRingReset(*ring, start);
        uint32_t pushed = 0, popped = 0;
        bool ordered = true;
        for (int step = 0; step < 500; ++step) {
            for (int k = 0; k < (step * 5 + 3) % 7; ++k) {
                AudioCommand cmd{};
                cmd.type = AUDIO_COMMAND_STATE;
                cmd.words[0] = pushed;
                ordered = ordered && AudioRingPush(*ring, cmd);
                pushed++;
            }
            uint32_t first = 0, n = AudioRingAcquire(*ring, first);
            uint32_t take = step % 3 == 0 ? n : n / 2;
            for (uint32_t i = 0; i < take; ++i) ordered = ordered && AudioRingAt(*ring, first + i).words[0] == popped++;
            AudioRingRelease(*ring, first, take);
        }
        uint32_t first = 0, n = AudioRingAcquire(*ring, first);
        for (uint32_t i = 0; i < n; ++i) ordered = ordered && AudioRingAt(*ring, first + i).words[0] == popped++;
        AudioRingRelease(*ring, first, n);
        std::snprintf(detail, sizeof detail, "counters %08x -> %08x, %u commands", start, ring->write.load(), pushed);
        c.Check(ordered && popped == pushed && ring->write.load() < start, "ring wraps at 2^32 without losing or repeating", detail);
    }

    for (DevAudioScene scene : {DEV_AUDIO_DENSEST, DEV_AUDIO_WORST_CASE}) {
        Engine engine(9u);
        const uint32_t frames = 8 * AUDIO_SAMPLE_RATE;
        DevAudioTiming t = DevAudioRenderScene(*engine.e, scene, nullptr, frames, 512);
        double ratio = t.cpuSeconds > 0.0 ? 8.0 / t.cpuSeconds : 0.0;
        std::snprintf(detail, sizeof detail,
                      "%.1fx real time (cpu), worst 512-frame block %.3f ms cpu / %.3f ms wall of 10.667, %d+%d voices",
                      ratio, t.worstBlockCpuMs, t.worstBlockWallMs, SynthActiveVoices(*engine.e->synth, SYNTH_POOL_MUSIC),
                      SynthActiveVoices(*engine.e->synth, SYNTH_POOL_EFFECTS));
        c.Check(ratio >= 1.0, scene == DEV_AUDIO_DENSEST ? "densest mix renders faster than real time"
                                                         : "64-voice worst case renders faster than real time", detail);
    }
    return c.Finish();
}

// [SECTION] --test-audio-ui

int DevTestAudioUi()
{
    Checks c;
    char detail[256];

    bool mapped = AudioPublishCueId(0) == -1 && AudioPublishCueId(7) == -1;
    for (uint32_t type = 1; type <= 6; ++type) mapped = mapped && AudioPublishCueId(type) == (int)type - 1;
    c.Check(mapped, "menu cue types 1..6 sound cues 0..5, others nothing");

    float right = AudioPublishCuePan(1280.0f, 1280.0f), left = AudioPublishCuePan(0.0f, 1280.0f);
    std::snprintf(detail, sizeof detail, "left %.3f right %.3f", left, right);
    c.Check(std::fabs(right - 0.15f) < 1e-5f && std::fabs(left + 0.15f) < 1e-5f && AudioPublishCuePan(5.0f, 0.0f) == 0.0f,
            "interface pan follows the pointer within +-0.15", detail);

    {
        bool ok = AudioInitOffline(1906723731u);
        AudioPublisher publisher{};
        AudioPublishInput in{};
        in.musicContext = AUDIO_CONTEXT_MAIN_MENU;
        in.musicVolume = 0.75f;
        in.soundVolume = 0.85f;
        in.musicEnabled = in.soundEnabled = in.focused = true;
        in.windowWidth = 1280.0f;
        in.pointerX = 640.0f;
        ok = ok && AudioPublishFrame(publisher, in, nullptr) == -1;
        in.cueType = AUDIO_EVENT_ACCEPT;
        in.cueSerial = 1;
        ok = ok && AudioPublishFrame(publisher, in, nullptr) == AUDIO_CUE_ACCEPT;
        ok = ok && AudioPublishFrame(publisher, in, nullptr) == -1;
        in.cueSerial = 2;
        in.focused = false;
        ok = ok && AudioPublishFrame(publisher, in, nullptr) == -1;
        in.focused = true;
        ok = ok && AudioPublishFrame(publisher, in, nullptr) == -1;
        c.Check(ok, "each menu event sounds once; unfocused events are consumed silently");

        // Each interface cue through the game's own engine, with the music switched off so that
        // what is heard is the cue alone.
        in.musicEnabled = false;
        AudioPublishFrame(publisher, in, nullptr);
        std::vector<float> block(2 * 48000);
        for (int k = 0; k < 4; ++k) AudioRenderOffline(block.data(), 48000);   // the music master falls silent
        AudioRenderOffline(block.data(), 24000);
        double bed = Rms(block.data(), 2 * 24000);
        bool heard = bed == 0.0;
        std::string levels;
        for (uint32_t type = 1; type <= 6; ++type) {
            in.cueType = type;
            in.cueSerial++;
            AudioPublishFrame(publisher, in, nullptr);
            AudioRenderOffline(block.data(), 48000);
            double rms = Rms(block.data(), block.size());
            heard = heard && rms > 1e-3;
            char one[32];
            std::snprintf(one, sizeof one, " %.4f", rms);
            levels += one;
        }
        std::snprintf(detail, sizeof detail, "silence rms %.4f, cues 0..5 rms%s", bed, levels.c_str());
        c.Check(heard, "each interface cue is heard, and nothing else with the music off", detail);

        ExitFadeStart(publisher, 100.0);
        in.cueType = AUDIO_EVENT_BACK;
        in.cueSerial++;
        bool muted = AudioPublishFrame(publisher, in, nullptr) == -1;
        std::vector<float> fade(2 * (57600 + 4800));
        AudioRenderOffline(fade.data(), 57600 + 4800);
        bool zero = true;
        for (size_t i = 2 * 57600; i < fade.size(); ++i) zero = zero && fade[i] == 0.0f;
        c.Check(muted && zero, "after the exit fade begins no cue sounds and the engine reaches exact silence");
        AudioShutdown();
    }

    {
        const int rates[] = {30, 60, 144}, expected[] = {36, 72, 173};
        bool ok = true;
        for (int r = 0; r < 3; ++r) {
            AudioPublisher p{};
            double now = 17.25;
            ExitFadeStart(p, now);
            int frames = 0;
            float last = 0.0f;
            while (ExitFadeAmount(p, now) < 1.0f && frames < 1000) {
                ok = ok && ExitFadeAmount(p, now) >= last;
                last = ExitFadeAmount(p, now);
                now += 1.0 / rates[r];
                frames++;
            }
            ok = ok && frames == expected[r] && ExitFadeAmount(p, now + 1.0) == 1.0f;
        }
        c.Check(ok, "exit fade amount reaches exactly 1 at 1.2 s at 30, 60 and 144 Hz");
    }
    return c.Finish();
}

// [SECTION] --capture-audio

// A stretch of music under one mood, posted every 60 Hz game frame as the game would.
struct MusicPart {
    AudioState state;
    float seconds;
};

// Renders the parts one after the other; the first `settle` seconds are played into nothing so
// that the context weights and mood values have arrived.
static std::vector<float> RenderMusic(const MusicPart *parts, int count, float settle)
{
    Engine engine(1906723731u);
    AudioEngine &e = *engine.e;
    std::vector<float> scratch(2 * DEV_AUDIO_FRAME);
    for (uint32_t pos = 0; pos < (uint32_t)(settle * AUDIO_SAMPLE_RATE); pos += DEV_AUDIO_FRAME) {
        AudioEnginePostState(e, parts[0].state);
        AudioEngineProcess(e, scratch.data(), DEV_AUDIO_FRAME);
    }
    std::vector<float> out;
    for (int p = 0; p < count; ++p) {
        uint32_t frames = (uint32_t)(parts[p].seconds * AUDIO_SAMPLE_RATE);
        size_t start = out.size() / 2;
        out.resize(out.size() + 2 * (size_t)frames);
        for (uint32_t pos = 0; pos < frames; pos += DEV_AUDIO_FRAME) {
            AudioEnginePostState(e, parts[p].state);
            uint32_t n = frames - pos < DEV_AUDIO_FRAME ? frames - pos : DEV_AUDIO_FRAME;
            AudioEngineProcess(e, out.data() + 2 * (start + pos), n);
        }
    }
    std::printf("     %u music notes, %u dropped\n", e.synth->stats.notesStarted, e.synth->stats.voicesDropped);
    return out;
}

static bool WriteCapture(const char *name, const std::vector<float> &samples, int &failures)
{
    char path[256];
    std::snprintf(path, sizeof path, "artifacts/audio/%s.wav", name);
    uint32_t frames = (uint32_t)(samples.size() / 2);
    bool ok = AudioWavWrite(path, samples.data(), frames);
    float peak = 0.0f;
    for (float x : samples) peak = std::fabs(x) > peak ? std::fabs(x) : peak;
    std::printf("%s %s: %.2f s, peak %.3f, rms %.4f\n", ok ? "ok  " : "FAIL", path, (double)frames / AUDIO_SAMPLE_RATE,
                (double)peak, Rms(samples.data(), samples.size()));
    failures += ok ? 0 : 1;
    return ok;
}

// One line of what a scripted scene posted: cues per id, and the ordinary creature cues.
static void PrintSceneCues(const DevAudioRender &r, float seconds)
{
    std::printf("     %d frames, at most %d creature cues in one frame; cues:", r.frames, r.worstCreatureFrame);
    int creature = 0;
    for (int id = 0; id < AUDIO_CUE_COUNT; ++id) {
        if (r.cues[id]) std::printf(" %d x%d", id, r.cues[id]);
        if (id >= AUDIO_CUE_HOP && id <= AUDIO_CUE_CREATURE_HURT) creature += r.cues[id];
    }
    std::printf("; %.2f creature cues per second\n", (double)creature / (double)seconds);
}

// The scripted level's music over time: the context weights and the layers they open.
static bool WriteLevelReport(const DevAudioRender &r, const char *path)
{
    FILE *f = std::fopen(path, "w");
    if (!f) return false;
    const char *head = "time  context  play   battle boss   danger crowd  bossLayer finale | scene danger boss0 boss1 boss2 crowd\n";
    std::fputs(head, f);
    std::fputs(head, stdout);
    for (size_t k = 0; k < r.moments.size(); k += 2) {  // one line a second
        const DevAudioMoment &m = r.moments[k];
        char line[192];
        std::snprintf(line, sizeof line, "%5.1f %5d   %.3f  %.3f  %.3f  %.3f  %.3f  %.3f     %.3f  |       %.3f  %.3f %.3f %.3f %.3f\n",
                      (double)m.time, m.context, (double)m.play, (double)m.battle, (double)m.boss, (double)m.danger,
                      (double)m.crowd, (double)m.bossLayer, (double)m.finale, (double)m.sceneDanger, (double)m.sceneBoss[0],
                      (double)m.sceneBoss[1], (double)m.sceneBoss[2], (double)m.sceneCrowd);
        std::fputs(line, f);
        std::fputs(line, stdout);
    }
    std::fprintf(f, "boss died at %.2f s\n", r.bossDied);
    std::printf("     boss died at %.2f s\n", r.bossDied);
    return std::fclose(f) == 0;
}

// The observer's scripted scenes, heard through the synthesiser as the game would post them.
static void CaptureScenes(int &failures, int &files)
{
    struct SceneCapture {
        const char *name;
        DevAudioScript script;
        float hz, seconds;
    };
    static const SceneCapture SCENES[] = {
        {"scene_crowd_30hz", DEV_AUDIO_SCRIPT_CROWD, 30.0f, 12.0f},
        {"scene_crowd_60hz", DEV_AUDIO_SCRIPT_CROWD, 60.0f, 12.0f},
        {"scene_crowd_144hz", DEV_AUDIO_SCRIPT_CROWD, 144.0f, 12.0f},
        {"scene_boss_fight", DEV_AUDIO_SCRIPT_BOSS_FIGHT, 60.0f, 24.0f},
        {"scene_meteor_blade", DEV_AUDIO_SCRIPT_WEAPONS, 60.0f, 6.0f},
        {"scene_coins", DEV_AUDIO_SCRIPT_COINS, 60.0f, 7.0f},
        {"scene_rolling_row", DEV_AUDIO_SCRIPT_ROLLING_ROW, 60.0f, 18.0f},
        {"scene_finale", DEV_AUDIO_SCRIPT_FINALE, 60.0f, 16.0f},
        {"scene_level", DEV_AUDIO_SCRIPT_LEVEL, 60.0f, 44.0f},
    };
    for (const SceneCapture &c : SCENES) {
        DevAudioRender r;
        files++;
        if (!DevAudioSceneRender(c.script, c.hz, c.seconds, r)) {
            std::printf("FAIL %s: the scripted world could not be made\n", c.name);
            failures++;
            continue;
        }
        WriteCapture(c.name, r.samples, failures);
        PrintSceneCues(r, c.seconds);
        if (c.script == DEV_AUDIO_SCRIPT_LEVEL) {
            files++;
            bool ok = WriteLevelReport(r, "artifacts/audio/scene_level.txt");
            std::printf("%s artifacts/audio/scene_level.txt\n", ok ? "ok  " : "FAIL");
            failures += ok ? 0 : 1;
        }
    }
}

int DevCaptureAudio()
{
    if (!DirectoryExists("artifacts/audio") && MakeDirectory("artifacts/audio") != 0) {
        TraceLog(LOG_WARNING, "AUDIO: could not create artifacts/audio");
        return 1;
    }
    int failures = 0, files = 0;

    // Each cue alone: music off, sound on, centred, followed by its reverb tail.
    for (int id = 0; id < AUDIO_CUE_COUNT; ++id) {
        Engine engine(1906723731u);
        AudioState s = Audible(id < 6 ? AUDIO_CONTEXT_MAIN_MENU : AUDIO_CONTEXT_PLAY);
        s.musicOn = 0;
        AudioEnginePostState(*engine.e, s);
        std::vector<float> out(2 * (size_t)(AUDIO_SAMPLE_RATE * 5 / 2));
        AudioEngineProcess(*engine.e, out.data(), 4800);   // the effects master comes up first
        AudioEnginePostCue(*engine.e, id, 0.0f, 0.8f, 1.0f);
        for (uint32_t pos = 4800; pos < out.size() / 2; pos += 512) {
            uint32_t n = (uint32_t)(out.size() / 2) - pos < 512 ? (uint32_t)(out.size() / 2) - pos : 512;
            AudioEngineProcess(*engine.e, out.data() + 2 * (size_t)pos, n);
        }
        char name[32];
        std::snprintf(name, sizeof name, "cue_%02d", id);
        WriteCapture(name, out, failures);
        files++;
    }

    {
        Engine engine(1906723731u);
        std::vector<float> out(2 * (size_t)(8 * AUDIO_SAMPLE_RATE));
        DevAudioRenderScene(*engine.e, DEV_AUDIO_DENSEST, out.data(), 8 * AUDIO_SAMPLE_RATE, 512);
        WriteCapture("densest_mix", out, failures);
        files++;
    }

    {
        // One second of the main menu bed with an accept cue, then the 1.2 s exit fade and silence.
        Engine engine(1906723731u);
        AudioEngine &e = *engine.e;
        AudioState s = Audible(AUDIO_CONTEXT_MAIN_MENU);
        s.musicVolume = 0.75f;
        s.soundVolume = 0.85f;
        AudioEnginePostState(e, s);
        std::vector<float> out(2 * (size_t)(AUDIO_SAMPLE_RATE * 5 / 2));
        uint32_t total = (uint32_t)(out.size() / 2);
        for (uint32_t pos = 0; pos < total; pos += 512) {
            if (pos == 512 * 40) AudioEnginePostCue(e, AUDIO_CUE_ACCEPT, 0.0f, 0.68f, 1.0f);
            if (pos == 512 * 94) AudioEngineRequestExitFade(e, 1.2f);
            AudioEngineProcess(e, out.data() + 2 * (size_t)pos, total - pos < 512 ? total - pos : 512);
        }
        WriteCapture("exit_fade", out, failures);
        files++;
    }

    // Each music context on its own, from a settled start; the shop, dialogs and pause included.
    for (int context = 0; context < AUDIO_CONTEXT_COUNT; ++context) {
        AudioState s = Audible(context);
        s.musicVolume = 0.75f;
        MusicPart part{s, 12.0f};
        char name[32];
        std::snprintf(name, sizeof name, "context_%d", context);
        WriteCapture(name, RenderMusic(&part, 1, 5.0f), failures);
        files++;
    }

    // The battle under each boss alone and under all three, with danger and a crowd.
    for (int boss = 0; boss <= 3; ++boss) {
        AudioState s = Audible(AUDIO_CONTEXT_PLAY);
        s.musicVolume = 0.75f;
        s.danger = 0.8f;
        s.crowd = 0.5f;
        for (int b = 0; b < 3; ++b) s.bossPresence[b] = boss == 3 || boss == b ? 1.0f : 0.0f;
        MusicPart part{s, 12.0f};
        char name[32];
        std::snprintf(name, sizeof name, boss == 3 ? "bosses_all" : "boss_%d", boss + 1);
        WriteCapture(name, RenderMusic(&part, 1, 5.0f), failures);
        files++;
    }

    {
        // The fight at the last boss, then the shuttle launches: the finale rises over the rock.
        AudioState fight = Audible(AUDIO_CONTEXT_PLAY);
        fight.musicVolume = 0.75f;
        fight.danger = 0.6f;
        fight.bossPresence[2] = 1.0f;
        AudioState launch = fight;
        launch.danger = 0.0f;
        launch.bossPresence[2] = 0.0f;
        launch.finale = 1.0f;
        const MusicPart parts[2] = {{fight, 3.0f}, {launch, 15.0f}};
        WriteCapture("finale", RenderMusic(parts, 2, 5.0f), failures);
        files++;
    }

    CaptureScenes(failures, files);
    std::printf("%d passed, %d failed\n", files - failures, failures);
    return failures == 0 ? 0 : 1;
}
