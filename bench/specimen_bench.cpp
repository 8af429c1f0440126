// The encyclopedia's specimens built on the CPU: posing the creature, sampling the 49 x 57 x 37
// grid and marching tetrahedra, per specimen. A build that runs inside a menu frame must stay well
// under a 33 ms frame; the triangle count is a counter.
#include "frontend/specimen.h"

#include <benchmark/benchmark.h>

namespace {

void BuildSpecimen(benchmark::State &state)
{
    int kind = (int)state.range(0);
    int vertices = 0;
    for (auto _ : state) {
        SpecimenMesh mesh{};
        SpecimenResult result = SpecimenBuild(kind, mesh);
        if (result != SPECIMEN_OK) state.SkipWithError("specimen did not build");
        vertices = mesh.vertexCount;
        SpecimenMeshFree(mesh);
    }
    state.counters["triangles"] = (double)(vertices / 3);
}

// Sampling and polygonising alone, the creature already posed.
void PolygoniseSpecimen(benchmark::State &state)
{
    SpecimenSource source;
    if (!SpecimenPrepare((int)state.range(0), source)) state.SkipWithError("specimen could not be posed");
    for (auto _ : state) {
        SpecimenMesh mesh{};
        benchmark::DoNotOptimize(SpecimenPolygonise(source, mesh));
        SpecimenMeshFree(mesh);
    }
}

} // namespace

BENCHMARK(BuildSpecimen)->DenseRange(0, SPECIMEN_COUNT - 1)->Unit(benchmark::kMillisecond);
BENCHMARK(PolygoniseSpecimen)->DenseRange(0, SPECIMEN_COUNT - 1)->Unit(benchmark::kMillisecond);
