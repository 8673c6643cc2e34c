// Speed of the draw manager's pixel work on a tip-sized area (480 x 200): the soft shadow at two
// depths (its cost should not depend on the depth), beside a plain per-pixel copy of the same area
// as the memory floor; gradient and pattern fills.

#include "tooltip/draw/CDrawManager.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

namespace {

constexpr int kWidth = 480;
constexpr int kHeight = 200;

gfx::CBitmap ShadowMask() {
    gfx::CBitmap mask = gfx::CBitmap::Create(kWidth, kHeight);
    gfx::CDc dc(mask);
    dc.FillSolidRect({0, 0, kWidth, kHeight}, gfx::Rgb(255, 255, 255));
    dc.FillRegion(gfx::CRegion::RoundRect(0, 0, kWidth - 6, kHeight - 6, 16, 16),
                  gfx::CBrush(gfx::Rgb(128, 128, 128)));
    return mask;
}

void SetPixelRate(benchmark::State& state) {
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
    state.counters["MP/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * kWidth * kHeight / 1e6,
                           benchmark::Counter::kIsRate);
}

void BM_CastShadowSoft(benchmark::State& state) {
    tooltip::CDrawManager manager;
    const gfx::CBitmap mask = ShadowMask();
    gfx::CBitmap target = gfx::CBitmap::Create(kWidth, kHeight);
    gfx::CDc dc(target);
    dc.FillSolidRect({0, 0, kWidth, kHeight}, gfx::Rgb(200, 180, 160));
    const int depth = static_cast<int>(state.range(0));
    for (auto _ : state) {
        manager.CastShadow(dc, 0, 0, kWidth, kHeight, mask, true, depth, depth);
        benchmark::DoNotOptimize(target.Bits());
    }
    SetPixelRate(state);
}
BENCHMARK(BM_CastShadowSoft)->Arg(7)->Arg(31)->Unit(benchmark::kMicrosecond);

// The same shadow over uneven ground (every pixel different), where no result can be reused.
void BM_CastShadowSoftUnevenGround(benchmark::State& state) {
    tooltip::CDrawManager manager;
    const gfx::CBitmap mask = ShadowMask();
    gfx::CBitmap target = gfx::CBitmap::Create(kWidth, kHeight);
    gfx::CDc dc(target);
    std::uint32_t seed = 1;
    for (int i = 0; i < kWidth * kHeight; ++i) {
        target.Bits()[i] = (seed = seed * 1664525u + 1013904223u) | 0xFF000000u;
    }
    const int depth = static_cast<int>(state.range(0));
    for (auto _ : state) {
        manager.CastShadow(dc, 0, 0, kWidth, kHeight, mask, true, depth, depth);
        benchmark::DoNotOptimize(target.Bits());
    }
    SetPixelRate(state);
}
BENCHMARK(BM_CastShadowSoftUnevenGround)->Arg(7)->Arg(31)->Unit(benchmark::kMicrosecond);

// The floor: reading and writing every pixel of the area once.
void BM_PlainPixelCopy(benchmark::State& state) {
    std::vector<gfx::Pixel> source(kWidth * kHeight, 0x00C8B4A0u);
    std::vector<gfx::Pixel> target(kWidth * kHeight);
    for (auto _ : state) {
        for (std::size_t i = 0; i < source.size(); ++i) {
            target[i] = source[i];
        }
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
    SetPixelRate(state);
}
BENCHMARK(BM_PlainPixelCopy)->Unit(benchmark::kMicrosecond);

void BM_FillBackground(benchmark::State& state) {
    tooltip::CDrawManager manager;
    manager.SetRandomSource([n = 0]() mutable { return (n += 7919) & 0x7FFF; });
    gfx::CBitmap target = gfx::CBitmap::Create(kWidth, kHeight);
    gfx::CDc dc(target);
    const int effect = static_cast<int>(state.range(0));
    for (auto _ : state) {
        manager.FillBackground(dc, {0, 0, kWidth, kHeight}, effect, gfx::Rgb(255, 255, 255),
                               gfx::Rgb(120, 160, 220), gfx::Rgb(20, 40, 90), 5, 0);
        benchmark::DoNotOptimize(target.Bits());
    }
    SetPixelRate(state);
}
BENCHMARK(BM_FillBackground)->DenseRange(1, 15)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
