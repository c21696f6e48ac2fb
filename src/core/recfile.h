// The recorder file: two header lines, then six numbers a record, one per
// line. Numbers are unsigned 32-bit decimals; lines end CR LF, as the
// Windows versions wrote them and their readers expect; "\xB5" is the micro
// sign in Windows-1252.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace core {

// "<date> <time>  K-BEX-RECORDER-FILE: Time-Interval[s]: <interval>" and
// "SETPOINT-VALUE [µm]: <setpoint>".
std::string RecorderHeader(const std::string& dateTime, std::uint32_t interval, std::uint32_t setpoint);

// One record: Aval, Bval, Mvalue, umValue, edcntA, edcntB. The signed
// micrometre value is written as its unsigned 32-bit pattern, as the files
// already stored hold it.
using RecorderValues = std::array<std::uint32_t, 6>;
std::string RecorderRecord(const RecorderValues& values);

}  // namespace core
