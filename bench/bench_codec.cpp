#include <benchmark/benchmark.h>

#include <span>

#include "core/frame.h"

static void BM_FillAndDecode(benchmark::State& state) {
    std::uint16_t parameter[core::kParamCount] = {};
    std::uint16_t pp[core::kPPWords] = {};
    std::uint8_t frame[core::kFrameLen];
    for (auto _ : state) {
        core::CopyVarsToPP(parameter, 1, pp);
        core::FillTxBuf(frame, 2, 1, std::span(pp).first<core::kPageWords>());
        benchmark::DoNotOptimize(core::GetRxBuf(frame, pp));
    }
}
BENCHMARK(BM_FillAndDecode);
BENCHMARK_MAIN();
