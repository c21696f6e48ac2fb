// kbexctl: the commands on an open, checked port.
#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>

#include "com232.h"
#include "core/compare.h"
#include "core/paramfile.h"
#include "core/rules.h"
#include "core/texts.h"
#include "ctl.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/serial.h"

namespace ctl {

namespace {

using Set = std::uint16_t[core::kParamCount];

int ExitOf(Outcome outcome) {
    return outcome == Outcome::Answered ? kDone : kNoAnswer;
}

std::string MemoryName(std::uint16_t memory) {
    return memory == 2 ? "eeprom" : "ram";
}

// What the window does to a set it shows before it can send it: the limits
// of a received set, and the calibration factors through their controls,
// which hold a float in µm per pixel.
void AsTheWindowSends(std::span<std::uint16_t, core::kParamCount> set, std::uint16_t cvp) {
    core::LimitParameters(set, cvp);
    for (std::size_t index : {core::kCalibA, core::kCalibB}) {
        const float shown = core::CalibToControl(core::Get32(set, index));
        core::Put32(set, index, core::CalibFromControl(static_cast<double>(shown)));
    }
}

std::string Line(std::size_t word) {
    return "line " + std::to_string(word + 1) + " " + core::SetWordName(word);
}

}  // namespace

int Identify(const Options& o, const std::string& port, std::uint16_t reported) {
    if (GetVERSIONInfo() < static_cast<int>(core::kFirmwareLen)) {
        ShowStatusText("Error reading firmware-info!");
        return kNoAnswer;
    }
    const std::string firmware =
        Utf8(core::DecodeFirmware(std::span(szReadBuf).first<core::kFirmwareLen>(), pcbtype));
    const core::CcdInfo info = core::DescribeCcd(ccdtype, hwtype);
    std::vector<std::string> lines;
    for (const std::string& l : info.lines) {
        const std::string text = Utf8(l.substr(0, l.find_last_not_of(' ') + 1));
        if (!text.empty())
            lines.push_back(text);
    }
    const std::pair<const char*, unsigned> words[] = {
        {"ccdtype", ccdtype},
        {"ccdmaxpixel", ccdmaxpixel},
        {"ccdresolution", ccdresolution},
        {"pcbtype", pcbtype},
        {"ccdvirtpixel", ccdvirtpixel},
        {"reportedvirtpixel", reported},
        {"ccdsubpixel", ccdsubpixel},
        {"ccdpixB", ccdpixB},
        {"ccdpixE", ccdpixE},
        {"softversion", softversion},
        {"hwtype", hwtype},
        {"adcmax", adcmax},
    };
    if (o.json) {
        std::string out = "{\"port\":" + JsonString(port);
        for (const auto& [name, value] : words)
            out += ",\"" + std::string(name) + "\":" + std::to_string(value);
        out += ",\"ccdinfo\":[";
        for (std::size_t i = 0; i < lines.size(); ++i)
            out += (i ? "," : "") + JsonString(lines[i]);
        out += "],\"firmware\":" + JsonString(firmware) + "}";
        std::printf("%s\n", out.c_str());
        return kDone;
    }
    std::printf("%-18s %s\n", "port", port.c_str());
    for (const auto& [name, value] : words)
        std::printf("%-18s %u\n", name, value);
    for (std::size_t i = 0; i < lines.size(); ++i)
        std::printf("%-18s %s\n", i ? "" : "ccdinfo", lines[i].c_str());
    std::printf("%-18s %s\n", "firmware", firmware.c_str());
    return kDone;
}

int Get(const Options& o) {
    Set set;
    if (const Outcome outcome = ReadParameterPages(o.memory, set); outcome != Outcome::Answered)
        return ExitOf(outcome);
    const core::SetWords words = core::SetWordsOf(set);
    core::ParamFileValues values{};
    std::copy(words.begin(), words.end(), values.begin());
    const std::string text = core::FormatParamFile(values);
    // A full disk or a closed pipe behind stdout is a file that cannot be
    // written, not a set fetched.
    if (!o.json)
        return Deliver(o.file, text, "parameter-file");
    if (!o.file.empty() && Deliver(o.file, text, "parameter-file") != kDone)
        return kFileError;
    std::string out = "{\"memory\":\"" + MemoryName(o.memory) + "\"";
    if (!o.file.empty())
        out += ",\"file\":" + JsonString(o.file);
    out += ",\"words\":[";
    for (std::size_t k = 0; k < words.size(); ++k)
        out += std::string(k ? "," : "") + "{\"line\":" + std::to_string(k + 1) +
               ",\"name\":" + JsonString(core::SetWordName(k)) + ",\"value\":" + std::to_string(words[k]) +
               "}";
    return Deliver("", out + "]}\n", "parameter-file");
}

int Send(const Options& o) {
    std::string text;
    core::ParamFileValues values{};
    if (ReadFileBytes(o.file.c_str(), text) != 0) {
        Note("Error reading parameter-file! " + o.file + " cannot be read");
        return kFileError;
    }
    if (!core::ParseParamFile(text, values)) {
        Note("Error reading parameter-file! " + o.file + " does not hold 45 numbers, one a line");
        return kFileError;
    }
    // The limits depend on the sensor's pixel count.
    if (GetHARDWAREInfo() == 0) {
        ShowStatus();
        ShowStatusText("Error reading HARDWARE-info!");
        return kNoAnswer;
    }
    TakeFileValues(values);
    const core::SetWords inFile = core::SetWordsOf(parameter);
    AsTheWindowSends(parameter, ccdvirtpixel);
    const core::SetWords sent = core::SetWordsOf(parameter);
    // Nothing changes on its way unsaid: what the limits moved is named.
    for (std::size_t k = 0; k < sent.size(); ++k) {
        if (values[k] != inFile[k])
            Note(Line(k) + ": " + std::to_string(values[k]) + " in the file, " + std::to_string(inFile[k]) +
                 " taken (16 bits)");
        if (inFile[k] != sent[k])
            Note(Line(k) + ": " + std::to_string(inFile[k]) + " held to " + std::to_string(sent[k]) +
                 " by the parameter limits");
    }
    if (const Outcome outcome = SendParameterSet(o.memory); outcome != Outcome::Answered)
        return ExitOf(outcome);
    if (!o.verify) {
        // The sensor writes a page without answering. The pause the pages
        // keep between them lets the last one cross the line and be stored
        // before the port is given back (its settings restored).
        Delay(0.1);
        return kDone;
    }
    core::SetWords read{};
    if (const Outcome outcome = VerifyParameterSet(o.memory, &read); outcome != Outcome::Answered)
        return ExitOf(outcome);
    for (std::size_t k = 0; k < read.size(); ++k)
        if (read[k] != sent[k])
            Note(Line(k) + ": sent " + std::to_string(sent[k]) + ", read back " + std::to_string(read[k]));
    return read == sent ? kDone : kVerifyFailed;
}

int Teach(const Options& o) {
    // The teach request carries page 0 of the set; it must be the sensor's
    // own, as the window's panels hold it, never this program's start values.
    if (FetchParameterSet(1) != 1)
        return kNoAnswer;
    Delay(0.1);
    if (const Outcome outcome = TeachSetpoint(); outcome != Outcome::Answered) {
        if (const char* text = MissedText(outcome, "Timeout RS232-Line!"))
            ShowStatusText(text);
        return kNoAnswer;
    }
    Delay(0.1);
    Set set;
    if (const Outcome outcome = ReadParameterPages(1, set); outcome != Outcome::Answered)
        return ExitOf(outcome);
    std::printf(o.json ? "{\"teachA\":%u,\"teachB\":%u}\n" : "teachA %u\nteachB %u\n", set[core::kTeachA],
                set[core::kTeachB]);
    return kDone;
}

int Reset() {
    return ExitOf(ResetMaxMin());
}

bool Answers(const std::string& path) {
    struct Quiet : LinkObserver {
        bool Stopping() override { return Interrupted(); }
    } quiet;
    SetPortTable({{path, "searched"}});
    return PortAnswers(1, quiet);
}

}  // namespace ctl
