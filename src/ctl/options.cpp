// kbexctl: the command line and the texts it writes.
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "ctl.h"
#include "platform/files.h"

namespace ctl {

namespace {

constexpr const char* kUsageText =
    "Usage: kbexctl [--port PATH | --simulate] [--json] COMMAND ...\n"
    "The K-BEX MASTER/SLAVE sensor pair from the command line.\n"
    "  --port PATH  the serial device of the sensor pair; --port auto takes the\n"
    "               first port that answers the line check (as find)\n"
    "  --simulate   talk to a simulated sensor pair started for this run\n"
    "  --json       results as one JSON object on stdout (identify, get, teach,\n"
    "               find), or one JSON object a frame (run)\n"
    "  --help       show this text\n"
    "Commands:\n"
    "  identify                         hardware description and firmware text\n"
    "  get ram|eeprom [-o FILE]         the parameter set as a parameter file\n"
    "                                   (stdout without -o)\n"
    "  send ram|eeprom FILE [--verify]  the parameter file into the sensor, with the\n"
    "                                   window's limits; --verify reads it back\n"
    "  teach                            the present spot becomes the set-point\n"
    "  reset                            reset the held maximum and minimum\n"
    "  run [--frames N | --seconds S] [--csv]\n"
    "                                   one row per raw frame on stdout until\n"
    "                                   N frames, S seconds or Ctrl+C\n"
    "  record --interval S --count N [-o FILE]\n"
    "                                   N records S seconds apart, in the\n"
    "                                   recorder's file format\n"
    "  video|data [-o FILE]             one capture as CSV\n"
    "  upload master|slave FILE         the linearisation table into the flash\n"
    "  find                             the first port that answers the line check\n"
    "Exit status: 0 done, 1 usage, 2 the port cannot be opened, 3 the sensor did\n"
    "not answer, 4 verify failed, 5 a file cannot be read or written,\n"
    "130 stopped by Ctrl+C before it was done.\n"
    "Status texts go to stderr.\n";

bool Memory(const std::string& word, std::uint16_t& memory) {
    if (word == "ram")
        memory = 1;
    else if (word == "eeprom")
        memory = 2;
    else
        return false;
    return true;
}

// A whole decimal number up to `max`, nothing around it.
bool Whole(const std::string& text, std::uint64_t max, std::uint64_t& value) {
    const char* end = text.data() + text.size();
    const auto [at, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && at == end && value <= max;
}

bool RunArguments(const std::vector<std::string>& args, Options& o, std::string& message) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool valued = a == "--frames" || a == "--seconds";
        if (valued && i + 1 >= args.size()) {
            message = a + " needs a value";
            return false;
        }
        if (valued && (o.frames || o.seconds > 0)) {
            message = "run takes one --frames N or one --seconds S";
            return false;
        }
        if (a == "--frames") {
            if (!Whole(args[++i], std::numeric_limits<std::uint64_t>::max(), o.frames) || o.frames == 0) {
                message = "--frames needs a whole number of frames, 1 or more";
                return false;
            }
        } else if (a == "--seconds") {
            const std::string& v = args[++i];
            const char* end = v.data() + v.size();
            const auto [at, error] = std::from_chars(v.data(), end, o.seconds);
            if (error != std::errc() || at != end || !std::isfinite(o.seconds) || o.seconds <= 0) {
                message = "--seconds needs a number of seconds above 0";
                return false;
            }
        } else if (a == "--csv") {
            o.csv = true;
        } else {
            message = "run [--frames N | --seconds S] [--csv]";
            return false;
        }
    }
    return true;
}

// The interval and the count are the recorder window's 16-bit fields.
bool RecordArguments(const std::vector<std::string>& args, Options& o, std::string& message) {
    bool interval = false, count = false, file = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        std::uint64_t v = 0;
        const bool last = i + 1 >= args.size();
        bool& given = a == "--interval" ? interval : a == "--count" ? count : file;
        if (given) {
            message = "record takes " + a + " once";
            return false;
        }
        if (a == "-o" && !last && !args[i + 1].empty()) {
            file = true;
            o.file = args[++i];
        } else if ((a == "--interval" || a == "--count") && !last && Whole(args[i + 1], 65535, v)) {
            given = true;
            (a == "--interval" ? o.interval : o.count) = static_cast<std::uint16_t>(v);
            ++i;
        } else {
            message = "record --interval S --count N [-o FILE], S and N whole numbers 0 to 65535";
            return false;
        }
    }
    if (!interval || !count) {
        message = "record needs --interval S and --count N";
        return false;
    }
    return true;
}

// The words after the command, checked before the port is touched, so that
// a typing error never costs a transfer half done.
bool CommandArguments(const std::vector<std::string>& args, Options& o, std::string& message) {
    const std::string& c = o.command;
    if (c == "identify" || c == "find" || c == "teach" || c == "reset") {
        if (args.empty())
            return true;
        message = c + " takes no arguments";
        return false;
    }
    if (c == "get") {
        if (args.empty() || !Memory(args[0], o.memory)) {
            message = "get needs ram or eeprom";
            return false;
        }
        if (args.size() == 1)
            return true;
        if (args.size() == 3 && args[1] == "-o" && !args[2].empty()) {
            o.file = args[2];
            return true;
        }
        message = "get ram|eeprom [-o FILE]";
        return false;
    }
    if (c == "send") {
        if (args.size() < 2 || !Memory(args[0], o.memory) || args[1].empty()) {
            message = "send needs ram or eeprom and a parameter file";
            return false;
        }
        o.file = args[1];
        if (args.size() == 2)
            return true;
        if (args.size() == 3 && args[2] == "--verify") {
            o.verify = true;
            return true;
        }
        message = "send ram|eeprom FILE [--verify]";
        return false;
    }
    if (c == "run")
        return RunArguments(args, o, message);
    if (c == "record")
        return RecordArguments(args, o, message);
    if (c == "video" || c == "data") {
        if (args.empty())
            return true;
        if (args.size() == 2 && args[0] == "-o" && !args[1].empty()) {
            o.file = args[1];
            return true;
        }
        message = c + " [-o FILE]";
        return false;
    }
    if (c == "upload") {
        if (args.size() == 2 && (args[0] == "master" || args[0] == "slave") && !args[1].empty()) {
            o.device = args[0] == "master" ? 1 : 0;
            o.file = args[1];
            return true;
        }
        message = "upload master|slave FILE";
        return false;
    }
    message = c.empty() ? "no command given" : "unknown command: " + c;
    return false;
}

}  // namespace

bool ParseCommandLine(int argc, char** argv, Options& o, bool& help, std::string& message) {
    help = false;
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (!o.command.empty()) {
            args.push_back(arg);
        } else if (arg == "--help" || arg == "-h") {
            help = true;
        } else if (arg == "--port" || arg.starts_with("--port=")) {
            std::string path = arg.size() > 7 ? arg.substr(7) : "";
            if (arg == "--port") {
                if (i + 1 >= argc) {
                    message = "--port needs a device path or auto";
                    return false;
                }
                path = argv[++i];
            }
            if (path.empty()) {
                message = "--port needs a device path or auto";
                return false;
            }
            if (path == "auto")
                o.autoPort = true;
            else
                o.ports.push_back(path);
        } else if (arg == "--simulate") {
            o.simulate = true;
        } else if (arg == "--json") {
            o.json = true;
        } else if (arg.starts_with("-")) {
            message = "unknown option: " + arg;
            return false;
        } else {
            o.command = arg;
        }
    }
    // --help after the command too, as `kbexctl run --help`.
    if (help || std::find(args.begin(), args.end(), "--help") != args.end()) {
        help = true;
        return true;
    }
    if (!CommandArguments(args, o, message))
        return false;
    // "-o -" is stdout, as without -o.
    if (o.file == "-" && o.command != "send" && o.command != "upload")
        o.file.clear();
    return true;
}

const char* UsageText() {
    return kUsageText;
}

void Note(std::string_view text) {
    std::fprintf(stderr, "%s\n", Utf8(text).c_str());
}

Written Emit(const std::string& text) {
    errno = 0;
    if (std::fwrite(text.data(), 1, text.size(), stdout) == text.size() && std::fflush(stdout) == 0)
        return Written::Ok;
    if (errno == EINTR && Interrupted())
        return Written::Stopped;
    return errno == EPIPE ? Written::Closed : Written::Failed;
}

int Deliver(const std::string& file, const std::string& text, const char* what) {
    const std::string name = what;
    if (file.empty()) {
        if (Emit(text) == Written::Ok)
            return kDone;
        Note("Error writing " + name + "! stdout");
        return kFileError;
    }
    if (ReplaceFileBytes(file.c_str(), text) != 0) {
        Note("Error writing " + name + "! " + file);
        return kFileError;
    }
    Note(static_cast<char>(std::toupper(static_cast<unsigned char>(name[0]))) + name.substr(1) +
         " written! " + file);
    return kDone;
}

std::string Utf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        // Latin-1 agrees with Windows-1252 on every character the link
        // writes; the others are shown as the Latin-1 ones.
        if (c < 0x80) {
            out += ch;
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string JsonString(std::string_view text) {
    std::string out = "\"";
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (ch == '"' || ch == '\\') {
            out += '\\';
            out += ch;
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += ch;
        }
    }
    return out + "\"";
}

}  // namespace ctl
