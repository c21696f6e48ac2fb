#include "core/recfile.h"

namespace core {

namespace {

void AppendNumber(std::string& out, std::uint32_t v) {
    out += std::to_string(v);
    out += "\r\n";
}

}  // namespace

std::string RecorderHeader(const std::string& dateTime, std::uint32_t interval, std::uint32_t setpoint) {
    std::string out = dateTime + "  K-BEX-RECORDER-FILE: Time-Interval[s]: ";
    AppendNumber(out, interval);
    out += "SETPOINT-VALUE [\xB5m]: ";
    AppendNumber(out, setpoint);
    return out;
}

std::string RecorderRecord(const RecorderValues& values) {
    std::string out;
    out.reserve(values.size() * 12);
    for (std::uint32_t v : values)
        AppendNumber(out, v);
    return out;
}

}  // namespace core
