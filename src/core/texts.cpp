#include "core/texts.h"

#include <cstring>

#include "core/frame.h"

namespace core {
namespace {

const std::string kBlank(32, ' ');
const char* const kNoInfo = "CCD-SENSOR: No Info Avialable!";

struct RangeText {
    std::uint16_t hwtype;
    const char* resolution;
    const char* range;
};

constexpr RangeText kCcd1Ranges[] = {
    {10037, "resolution    = +/-1\xB5m", "working-range = 37mm +/-2.0mm"},
    {10055, "resolution    = +/-2.5\xB5m", "working-range = 55mm +/-5.0mm"},
    {10080, "resolution    = +/-10\xB5m", "working-range = 80mm +/-10mm"},
    {10135, "resolution    = +/-xx \xB5m", "working-range = 135mm +/-20mm"},
    {10160, "resolution    = +/-xx \xB5m", "working-range = 160mm +/-xx mm"},
    {10200, "resolution    = +/-xx \xB5m", "working-range = 200mm +/-xx mm"},
    {10275, "resolution    = +/-xx \xB5m", "working-range = 275mm +/-xx mm"},
    {10450, "resolution    = +/-xx \xB5m", "working-range = 450mm +/-xx mm"},
};
constexpr RangeText kCcd4Ranges[] = {
    {10055, "resolution    = +/-5\xB5m", "working-range = 55mm +/-5.0mm"},
};

void Unknown(CcdInfo& info) {
    info.lines[0] = kNoInfo;
    info.lines[1] = info.lines[2] = info.lines[3] = kBlank;
}

}  // namespace

const char* OpenErrorText(int code) {
    switch (code) {
    case -1: return "Unknown system error";
    case -2: return "Invalid port number";
    case -3: return "Port is not open";
    case -4: return "Unknown I/0 error";
    case -6: return "No serial port found";
    case -7: return "Cannot open port";
    case -13: return "Invalid parameter";
    case -99: return "Timeout";
    default: return "RS-232 error!";
    }
}

CcdInfo DescribeCcd(std::uint16_t ccdtype, std::uint16_t hwtype) {
    CcdInfo info;
    const RangeText* ranges = nullptr;
    std::size_t count = 0;
    if (ccdtype == 1) {
        info.lines[0] = "1024-pixel; 7.8\xB5m pixel-pitch";
        info.lines[1] = "4096-subpixel";
        info.gainLow = "LOW GAIN";
        info.gainHigh = "HIGH GAIN";
        ranges = kCcd1Ranges;
        count = std::size(kCcd1Ranges);
    } else if (ccdtype == 4) {
        info.lines[0] = "512-pixel; 12.5\xB5m pixel-pitch";
        info.lines[1] = "2048-subpixel";
        info.gainLow = "ADC-CONV";
        info.gainHigh = "DIG-COMP";
        ranges = kCcd4Ranges;
        count = std::size(kCcd4Ranges);
    } else {
        Unknown(info);
        return info;
    }
    info.knownCcd = true;
    for (std::size_t i = 0; i < count; ++i) {
        if (ranges[i].hwtype == hwtype) {
            info.lines[2] = ranges[i].resolution;
            info.lines[3] = ranges[i].range;
            return info;
        }
    }
    Unknown(info);  // the rings keep the CCD's texts, the box shows the notice
    return info;
}

std::uint16_t NormaliseVirtPixels(std::uint16_t reported) {
    switch (reported) {
    case 256:
    case 512:
    case 768:
    case 1024:
    case 1280:
    case 1536:
    case 2048:
    case 2560:
    case 4096:
    case 8192: return reported;
    default: return 2048;
    }
}

ScaleRule ScaleFor(std::uint16_t ccdtype, std::uint16_t adcmax, std::uint16_t virtPixels) {
    if (ccdtype == 1 || ccdtype == 4)
        return {static_cast<std::uint16_t>(adcmax == 1024 ? 1024 : 256), virtPixels};
    return {256, 4096};
}

std::string DecodeFirmware(std::span<const std::uint8_t, kFirmwareLen> bytes, std::uint16_t pcbtype) {
    std::string text;
    if (pcbtype == 0) {
        for (std::size_t i = 0; i < bytes.size(); i += 2) {
            const char c = static_cast<char>(GetWordBE(bytes.data() + i) & 0xFF);
            if (c == '\0')
                break;
            text.push_back(c);
        }
    } else {
        for (std::size_t i = 0; i < bytes.size() && bytes[i] != 0; ++i)
            text.push_back(static_cast<char>(bytes[i]));
    }
    return text;
}

void CopyStatus(char* status, std::size_t capacity, const char* text) {
    const std::size_t n = text ? std::min(std::strlen(text), capacity) : 0;
    if (n)
        std::memmove(status, text, n);
    status[n] = '\0';
}

}  // namespace core
