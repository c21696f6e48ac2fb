#include <benchmark/benchmark.h>

#include "core/frame.h"

static void BM_FillAndDecode(benchmark::State& state) {
    std::uint16_t parameter[52] = {};
    std::uint16_t pp[16] = {};
    std::uint8_t frame[36];
    for (auto _ : state) {
        core::CopyVarsToPP(parameter, 1, pp);
        core::FillTxBuf(frame, 2, 1, pp);
        benchmark::DoNotOptimize(core::GetRxBuf(frame, pp));
    }
}
BENCHMARK(BM_FillAndDecode);
BENCHMARK_MAIN();
