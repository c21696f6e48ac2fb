// What the linearisation upload takes against a line paced at 19200 baud in
// both directions: WRITE X-FLASH MASTER through its button callback, the file
// choice answered by the pop-up seam, against the time its 257 exchanges
// (one clear, 256 blocks) need on the line; and whether the table arrived.
//   bench_upload
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "K-BEX-TW-MS-DiredI304.h"
#include "bench_support.h"
#include "com232.h"
#include "core/frame.h"
#include "core/linfile.h"
#include "gui.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/panels.h"
#include "platform/serial.h"
#include "platform/testing.h"
#include "popup.h"
#include "simulated_sensor.h"

int main(int argc, char** argv) {
    if (!bench::StartProgram(argc, argv))
        return 1;
    InitGUI();
    DisplayPanel(pHandle);

    // A table that is neither flat nor a plain ramp, so a block sent to the
    // wrong place or shifted by a word shows in the flash.
    const std::string dir = KBEX_BUILD_DIR "/bench-files";
    const std::string path = dir + "/XF-LINEAR.DAT";
    std::filesystem::create_directories(dir);
    core::LinFileValues values{};
    std::string text;
    for (int i = 0; i < static_cast<int>(values.size()); ++i) {
        values[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(i * 31 - 31744 + i % 13);
        text += std::to_string(values[static_cast<std::size_t>(i)]) + "\r\n";
    }
    if (WriteFileBytes(path.c_str(), text, false) != 0) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return 1;
    }
    PopupSeam seam;
    seam.fileSelect = [&](const std::string&, const std::string&, const std::string&, const std::string&,
                          std::string& chosen) {
        chosen = path;
        return VAL_EXISTING_FILE_SELECTED;
    };
    SetPopupSeam(&seam);

    sim::SimulatedSensor s;  // paced at 19200 baud both ways
    bench::Connect(s);
    s.ClearRequests();

    const double c0 = bench::CpuSeconds(), t0 = Timer();
    CC_BTNWriteXFMA(pCalib, CALIB_BTNWriteXFMA, EVENT_COMMIT, nullptr, 0, 0);
    const double wall = Timer() - t0, cpu = bench::CpuSeconds() - c0;
    CloseCom(com);
    SetPopupSeam(nullptr);

    // 36 bytes out and 36 back an exchange, 10 bits a byte.
    const int exchanges = 257;
    const double lineTime = exchanges * 72 * 10 / 19200.0;
    const auto flash = s.WithModel([](sim::SensorModel& m) { return m.flash; });
    std::size_t wrong = 0;
    for (std::size_t i = 0; i < values.size(); ++i)
        wrong += flash[i] != core::LinTableWord(values[i]);
    const double share = wall / lineTime;
    std::printf(
        "Upload, paced:  %.3f s for %zu requests = %5.1f %% of the line time %.4f s (%d exchanges), "
        "target <= 105 %%: %s\n",
        wall, s.Requests().size(), 100 * share, lineTime, exchanges, share <= 1.05 ? "ok" : "ABOVE TARGET");
    std::printf(
        "                %.2f ms an exchange (line: %.2f ms); CPU of the main thread %.1f %% of a core\n",
        1000 * wall / exchanges, 1000 * lineTime / exchanges, 100 * cpu / wall);
    std::string status;
    GetCtrlVal(pHandle, PANEL_TXTStatus, status);
    std::printf("                sensor flash: %zu of %zu words as the file says (%s); status line \"%s\"\n",
                values.size() - wrong, values.size(), wrong == 0 ? "ok" : "TABLE NOT IN THE FLASH",
                status.c_str());
    return wrong == 0 ? 0 : 1;
}
