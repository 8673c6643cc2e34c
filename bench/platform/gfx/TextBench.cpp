// Speed of the drawing layer's text: measuring a line of a tip and drawing it.

#include "gfx/CDc.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>

#include <cstdlib>

namespace {

constexpr const char* kLine = "Signs you in with the user id and password you gave.";

gfx::CFont BenchFont() {
    gfx::LogFont logical;
    logical.height = 16;
    gfx::SetFaceName(logical, "DejaVu Sans");
    return gfx::CFont::Create(logical);
}

void BM_TextExtent(benchmark::State& state) {
    gfx::CDc dc;
    dc.SelectFont(BenchFont());
    for (auto _ : state) {
        benchmark::DoNotOptimize(dc.GetTextExtent(kLine));
    }
}
BENCHMARK(BM_TextExtent);

void BM_TextOut(benchmark::State& state) {
    gfx::CDc dc(gfx::CBitmap::Create(480, 24, static_cast<double>(state.range(0))));
    dc.SelectFont(BenchFont());
    dc.SetBkMode(gfx::BkMode::Transparent);
    for (auto _ : state) {
        dc.TextOut(2, 2, kLine);
    }
}
BENCHMARK(BM_TextOut)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

} // namespace
