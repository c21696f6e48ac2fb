// The simulated sensor's request handling: a run of 36-byte requests of any
// command, page, block or flash address, to a pair whose hardware description
// comes from the input. Answers come only in the lengths the line knows, and
// a short one carries the answer sync and the command's echo.
#include <algorithm>
#include <array>

#include "core/frame.h"
#include "fuzz_check.h"
#include "simulated_sensor.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    constexpr std::size_t kHead = 5, kMaxRequests = 4;
    if (size < kHead)
        return 0;
    sim::SensorModel model(sim::HardwareConfig{.pcbType = static_cast<std::uint16_t>(data[4] & 1),
                                               .virtPixels = core::GetWordBE(data),
                                               .adcMax = core::GetWordBE(data + 2)});
    for (std::size_t k = 0; k < kMaxRequests && kHead + (k + 1) * core::kFrameLen <= size; ++k) {
        std::array<std::uint8_t, core::kFrameLen> request;
        std::copy_n(data + kHead + k * core::kFrameLen, core::kFrameLen, request.begin());
        const auto a = model.Handle(request, 1000.0 + 0.25 * static_cast<double>(k));
        FUZZ_CHECK(a.empty() || a.size() == core::kFirmwareLen || a.size() == core::kBlockLen ||
                   (a.size() == core::kFrameLen && core::GetWordBE(&a[0]) == core::kAnswerSync &&
                    a[2] == request[2] && a[3] == request[3]));
    }
    return 0;
}
