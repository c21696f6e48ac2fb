// The simulated sensor's request handling: a run of 36-byte requests of any
// command, page, block or flash address, to a pair whose hardware description
// comes from the input. Answers come only in the lengths the line knows.
#include <algorithm>
#include <array>

#include "core/frame.h"
#include "fuzz_check.h"
#include "simulated_sensor.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    constexpr std::size_t kHead = 5, kMaxRequests = 4;
    if (size < kHead)
        return 0;
    sim::HardwareConfig hw;
    hw.virtPixels = core::GetWordBE(data);
    hw.adcMax = core::GetWordBE(data + 2);
    hw.pcbType = data[4] & 1;
    sim::SensorModel model(hw);
    for (std::size_t k = 0; k < kMaxRequests && kHead + (k + 1) * core::kFrameLen <= size; ++k) {
        std::array<std::uint8_t, core::kFrameLen> request;
        std::copy_n(data + kHead + k * core::kFrameLen, core::kFrameLen, request.begin());
        const auto answer = model.Handle(request, 1000.0 + 0.25 * static_cast<double>(k));
        const std::size_t n = answer.size();
        FUZZ_CHECK(n == 0 || n == core::kFrameLen || n == core::kFirmwareLen || n == core::kBlockLen);
        FUZZ_CHECK(n != core::kFrameLen || (core::GetWordBE(&answer[0]) == core::kAnswerSync &&
                                            answer[2] == request[2] && answer[3] == request[3]));
    }
    return 0;
}
