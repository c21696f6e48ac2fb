// Device identification: the hardware description and the firmware text.
#include <algorithm>

#include "com232.h"
#include "core/frame.h"
#include "core/texts.h"

namespace {

// The description of a sensor not yet identified. The two scales hold these
// values from the very start, before any start-up code runs.
constexpr std::uint16_t kStartCcdMaxPixel = 1024;
constexpr std::uint16_t kStartCcdSubPixel = 2048;
constexpr std::uint16_t kStartCcdVirtPixel = 4096;
constexpr std::uint16_t kStartADCMAX = 256;
constexpr std::uint16_t kStartYAXISMAX = 2048;

}  // namespace

std::uint16_t ccdtype, ccdmaxpixel, ccdresolution, pcbtype, ccdvirtpixel, ccdsubpixel;
std::uint16_t ccdpixB, ccdpixE, softversion, hwtype, adcmax;
std::uint16_t ADCMAX = kStartADCMAX;
std::uint16_t YAXISMAX = kStartYAXISMAX;
double xArray8[MAXPOINT];
char szVersion[73];

void InitIdentVars() {
    ccdtype = ccdresolution = pcbtype = ccdpixB = ccdpixE = softversion = hwtype = adcmax = 0;
    ccdmaxpixel = kStartCcdMaxPixel;
    ccdsubpixel = kStartCcdSubPixel;
    ccdvirtpixel = kStartCcdVirtPixel;
    ADCMAX = kStartADCMAX;
    YAXISMAX = kStartYAXISMAX;
    std::fill(std::begin(xArray8), std::end(xArray8), 0.0);
    szVersion[0] = '\0';
}

namespace {

std::uint16_t AnswerWord(int word) {
    return core::GetWordBE(szReadBuf + 2 * word);
}

}  // namespace

int GetHARDWAREInfo() {
    parameter[core::kPage] = 0;
    // The payload is whatever pp holds. Only the description ends the wait: a
    // raw frame still on its way from a run is no answer to it.
    const Outcome outcome = Exchange({.command = core::kCmdHardware, .words = pp},
                                     {.kind = Expect::Echo, .echo = core::kCmdHardware}, TIMEOUT);
    if (outcome != Outcome::Answered) {
        if (const char* text = MissedText(outcome, "Timeout-RS-232..."))
            SetStatus(text);
        return 0;
    }

    ccdtype = AnswerWord(2);
    ccdmaxpixel = AnswerWord(3);
    ccdresolution = AnswerWord(4);
    pcbtype = AnswerWord(5);
    ccdvirtpixel = AnswerWord(6);
    ccdsubpixel = AnswerWord(7);
    ccdpixB = AnswerWord(8);
    ccdpixE = AnswerWord(9);
    softversion = AnswerWord(10);
    hwtype = AnswerWord(11);
    adcmax = AnswerWord(12);

    const std::uint16_t reported = ccdvirtpixel;
    ccdvirtpixel = core::NormaliseVirtPixels(ccdvirtpixel);
    for (int i = 0; i < MAXPOINT; ++i)
        xArray8[i] = static_cast<double>(i * ccdvirtpixel / MAXPOINT);
    const core::ScaleRule scale = core::ScaleFor(ccdtype, adcmax, ccdvirtpixel);
    ADCMAX = scale.adcMax;
    YAXISMAX = scale.yAxisMax;
    // The video axes follow the count the sensor reports, before it is
    // normalised for the program's own use; the texts follow the types.
    Observer().HardwareDescribed(reported);
    return 1;
}

int GetVERSIONInfo() {
    parameter[core::kPage] = 0;
    szVersion[0] = '\0';
    const Outcome outcome =
        Exchange({.command = core::kCmdFirmware, .words = pp, .progress = "Waiting for firmware info ..."},
                 {.kind = Expect::Bytes, .length = core::kFirmwareLen}, TIMEOUT);
    if (outcome == Outcome::Aborted || outcome == Outcome::LineLost)
        return 0;
    // Whatever came of a text that stayed damaged is no text; the count says so.
    if (const char* text = MissedText(outcome, "Timeout - reading firmware info!")) {
        SetStatus(text);
        ShowStatus();
        return outcome == Outcome::TimedOut ? std::max(nBytesR, 0) : 0;
    }
    const std::string text = core::DecodeFirmware(std::span(szReadBuf).first<core::kFirmwareLen>(), pcbtype);
    if (pcbtype == 0) {
        core::CopyStatus(szVersion, sizeof szVersion - 1, text.c_str());
        SetStatus(szVersion);
    } else {
        SetStatus(text.c_str());
    }
    ShowStatus();
    return std::max(nBytesR, 0);
}
