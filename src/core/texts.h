// Fixed texts and decodings of the sensor link: open-error texts, the CCD
// information of the hardware description and the firmware text. Texts are
// Windows-1252 bytes; "\xB5" is the micro sign.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "core/frame.h"

namespace core {

// Status text for a negative result of opening the serial port.
const char* OpenErrorText(int code);

// What the hardware description puts on the calibration panel and the gain rings.
struct CcdInfo {
    bool knownCcd = false;          // CCD type 1 or 4: ring texts, ADC and axis rules apply
    std::string lines[4];           // the four lines of the CCD information box
    std::string gainLow, gainHigh;  // ring items 0 and 1 (only when knownCcd)
};
CcdInfo DescribeCcd(std::uint16_t ccdtype, std::uint16_t hwtype);

// Virtual pixel counts the program works with; any other becomes 2048.
std::uint16_t NormaliseVirtPixels(std::uint16_t reported);

// Full scale of the video signal and upper end of the strip chart's value
// axis that follow from the hardware description.
struct ScaleRule {
    std::uint16_t adcMax;
    std::uint16_t yAxisMax;
};
ScaleRule ScaleFor(std::uint16_t ccdtype, std::uint16_t adcmax, std::uint16_t virtPixels);

// The 72-byte firmware answer as a status text. Board type 0 sends the text
// word-wise: 36 big-endian words, one character each; the character is the
// low byte of its word (the integer-to-character conversion of a formatted
// print), so a word 0x0041 reads "A" and the high byte is ignored. The text
// ends at the first zero character. Other boards send the text itself,
// ending at the first zero byte.
std::string DecodeFirmware(std::span<const std::uint8_t, kFirmwareLen> bytes, std::uint16_t pcbtype);

// Copies `text` into a status buffer of `capacity` characters plus the
// terminating zero, cutting what does not fit.
void CopyStatus(char* status, std::size_t capacity, const char* text);

}  // namespace core
