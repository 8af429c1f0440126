// Profile: decode and encode of one record, a save and a load on the real file system of
// the machine (dominated by the commits to disk), and the long fuzzing run of the loader
// (ten million mutated files; its counters report the runs, acceptances and failures).
#include "dev/profile_checks.h"
#include "frontend/profile.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <string>

namespace {

Profile Sample()
{
    Profile p;
    ProfileDefaults(p);
    p.coins = 123456;
    p.shop.level[3] = 4;
    p.bestLevel = 3;
    p.bestLevelSeconds = 42.0f;
    return p;
}

void BM_ProfileDecode(benchmark::State &state)
{
    unsigned char bytes[PROFILE_BYTES];
    ProfileEncode(Sample(), bytes);
    Profile p;
    for (auto _ : state) {
        bool ok = ProfileDecode(p, bytes, sizeof(bytes));
        benchmark::DoNotOptimize(ok);
        benchmark::DoNotOptimize(p);
    }
}
BENCHMARK(BM_ProfileDecode);

void BM_ProfileEncode(benchmark::State &state)
{
    Profile p = Sample();
    unsigned char bytes[PROFILE_BYTES];
    for (auto _ : state) {
        ProfileEncode(p, bytes);
        benchmark::DoNotOptimize(bytes);
    }
}
BENCHMARK(BM_ProfileEncode);

// One autosave (backup and main file, each committed) and one start-up load.
void BM_ProfileSaveAndLoad(benchmark::State &state)
{
    namespace fs = std::filesystem;
    long long stamp = (long long)std::chrono::steady_clock::now().time_since_epoch().count();
    fs::path dir = fs::temp_directory_path() / ("glorvent-bench-profile-" + std::to_string(stamp));
    std::string P = (dir / "Glorvent" / "profile.dat").string();
    Profile p = Sample();
    for (auto _ : state) {
        p.coins++;
        bool saved = ProfileSave(p, P.c_str());
        Profile loaded;
        ProfileDefaults(loaded);
        bool ok = ProfileLoad(loaded, P.c_str(), nullptr);
        benchmark::DoNotOptimize(saved && ok);
    }
    std::error_code ignored;
    fs::remove_all(dir, ignored);
}
BENCHMARK(BM_ProfileSaveAndLoad)->Unit(benchmark::kMillisecond);

void BM_ProfileFuzz(benchmark::State &state)
{
    DevFuzzReport report = {};
    for (auto _ : state) report = DevFuzzProfile(state.range(0), 20260101u);
    state.counters["runs"] = (double)report.runs;
    state.counters["accepted"] = (double)report.accepted;
    state.counters["failures"] = (double)report.failures;
}
BENCHMARK(BM_ProfileFuzz)->Arg(10000000)->Iterations(1)->Unit(benchmark::kSecond);

}   // namespace
