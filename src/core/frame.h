// Wire layout of the 36-byte request and answer frames exchanged with the
// sensor pair, and the pure codec between the parameter set, the frame word
// buffer and the byte frames. No I/O here: the sensor link and the simulated
// sensor both build on these functions, so they cannot disagree on the layout.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace core {

inline constexpr std::size_t kFrameLen = 36;     // every request and short answer
inline constexpr std::size_t kBlockLen = 128;    // one 64-word block answer
inline constexpr std::size_t kBlockWords = 64;   // words of one block answer
inline constexpr std::size_t kMaxPoint = 128;    // points of one curve: two blocks
inline constexpr std::size_t kFirmwareLen = 72;  // firmware text answer
inline constexpr std::size_t kParamCount = 52;   // entries of the parameter set
inline constexpr std::size_t kPageWords = 15;    // data words per parameter page
inline constexpr std::size_t kPPWords = 16;      // frame word buffer (raw frame = 16)
// Linearisation flash: the table fills pages 2..9 of 256 words, written 8 words a request.
inline constexpr std::size_t kFlashPageWords = 256;
inline constexpr std::size_t kFlashBlockWords = 8;
inline constexpr std::uint16_t kFlashFirstPage = 2;
inline constexpr std::size_t kLinTableWords = 8 * kFlashPageWords;
inline constexpr std::uint16_t kRequestSync = 0x0055;
inline constexpr std::uint16_t kAnswerSync = 0x00AA;

enum Command : std::uint16_t {
    kCmdWriteRam = 1,
    kCmdReadRam = 2,
    kCmdWriteEeprom = 3,
    kCmdReadEeprom = 4,
    kCmdEcho = 5,
    kCmdTeach = 6,
    kCmdFirmware = 7,
    kCmdRaw = 8,
    kCmdBlock = 9,
    kCmdHardware = 10,
    kCmdResetMaxMin = 11,
    kCmdClearFlash = 101,
    kCmdWriteFlash = 102,
};

// Indexes into the parameter set. 32-bit entries take two indexes, low word first.
enum ParamIndex : std::size_t {
    kFrameHeader = 0,
    kCommand = 1,
    kPage = 2,
    kEvalMode = 4,
    kModeSelect = 5,
    kAnaMode = 6,
    kHardwareMode = 7,
    kCountSetting = 8,
    kFlagSetting = 9,
    kTolLoPix = 10,
    kTolUpPix = 11,
    kCalibRef = 18,  // 18 low, 19 high
    kPmodeValA = 20,
    kPmodeA = 21,
    kVideoThdA = 22,
    kTeachA = 23,
    kPixStartA = 24,
    kPixEndA = 25,
    kGainA = 26,
    kTrigThdA = 27,
    kCalibA = 32,     // 32 low, 33 high
    kSetpointA = 34,  // 34 low, 35 high
    kPmodeValB = 36,
    kPmodeB = 37,
    kVideoThdB = 38,
    kTeachB = 39,
    kPixStartB = 40,
    kPixEndB = 41,
    kGainB = 42,
    kTrigThdB = 43,
    kCalibB = 48,     // 48 low, 49 high
    kSetpointB = 50,  // 50 low, 51 high
};

// Index of the parameter entry carried by data word `word` (0..14) of `page`
// (0..2), or -1 when the page does not exist. Indexes 3, 17, 31 and 47 belong
// to no page: the word after the eleventh skips one index.
int PageEntryIndex(std::uint16_t page, std::size_t word);

inline std::uint16_t GetWordBE(const std::uint8_t* p) {
    return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}
inline void PutWordBE(std::uint8_t* p, std::uint16_t w) {
    p[0] = static_cast<std::uint8_t>(w >> 8);
    p[1] = static_cast<std::uint8_t>(w & 0xFF);
}

inline std::uint32_t Get32(std::span<const std::uint16_t, kParamCount> param, std::size_t lowIndex) {
    return static_cast<std::uint32_t>(param[lowIndex]) |
           (static_cast<std::uint32_t>(param[lowIndex + 1]) << 16);
}
inline void Put32(std::span<std::uint16_t, kParamCount> param, std::size_t lowIndex, std::uint32_t v) {
    param[lowIndex] = static_cast<std::uint16_t>(v & 0xFFFF);
    param[lowIndex + 1] = static_cast<std::uint16_t>(v >> 16);
}

// Page words of the parameter set into pp[0..14]; pp[15] untouched.
void CopyVarsToPP(std::span<const std::uint16_t, kParamCount> parameter, std::uint16_t page,
                  std::span<std::uint16_t, kPPWords> pp);
// The reverse: the 15 page words into the page's entries.
void CopyPPtoVars(std::span<std::uint16_t, kParamCount> parameter, std::uint16_t page,
                  std::span<const std::uint16_t, kPageWords> words);

// Writes all 36 bytes of a request: sync 00 55, command, second word, 15 words.
void FillTxBuf(std::span<std::uint8_t, kFrameLen> frame, std::uint16_t command, std::uint16_t second,
               std::span<const std::uint16_t, kPageWords> words);

// Decodes an answer frame into pp. Returns 1 for a raw measurement frame
// (echo 8: all 16 words from bytes 4-35), else 0 (15 words from bytes 6-35,
// pp[15] keeps its value). The sync word is not examined.
int GetRxBuf(std::span<const std::uint8_t, kFrameLen> frame, std::span<std::uint16_t, kPPWords> pp);

// Live measurement words of one raw frame.
struct RawValues {
    std::uint16_t Aval, Bval, Mvalue, poti, edcntA, edcntB, peakwA, peakwB;
    std::uint16_t anaMax, anaMin, teachA, teachB, raw15, instate;
    std::int32_t umValue;
};
RawValues DecodeRaw(std::span<const std::uint16_t, kPPWords> pp);

}  // namespace core
