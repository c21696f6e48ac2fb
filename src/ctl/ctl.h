// kbexctl: the sensor pair from the command line, for scripts and production
// lines. The same sensor link as the window's, without panels: every status
// text of the link goes to stderr, results go to stdout, and the exit status
// says what happened.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ctl {

// Exit statuses a script can tell apart.
enum Exit : int {
    kDone = 0,
    kUsage = 1,
    kPortError = 2,  // the port cannot be opened
    kNoAnswer = 3,   // time-out, no valid answer, line lost
    kVerifyFailed = 4,
    kFileError = 5,  // a file cannot be read or written
};

struct Options {
    std::vector<std::string> ports;  // --port PATH in the order given
    bool autoPort = false;           // --port auto: the first port that answers
    bool simulate = false;
    bool json = false;
    std::string command;
    std::uint16_t memory = 1;  // get, send: 1 RAM, 2 EEPROM
    std::string file;          // send: the parameter file; get: -o FILE
    bool verify = false;
};

// False with `message` on a bad command line; `help` for --help.
bool ParseCommandLine(int argc, char** argv, Options& options, bool& help, std::string& message);
const char* UsageText();

// The commands. The port is open and its line checked when they run; each
// returns the exit status.
int Identify(const Options& options, const std::string& port, std::uint16_t reportedVirtPixels);
int Get(const Options& options);
int Send(const Options& options);
int Teach();
int Reset();

// The line check alone, on a port that is not open: true when it answered.
bool Answers(const std::string& path);

// The link's texts are Windows-1252 bytes ("\xB5" the micro sign); the
// terminal and JSON readers want UTF-8.
std::string Utf8(std::string_view windows1252);
// A JSON string literal of UTF-8 `text`, quotes included.
std::string JsonString(std::string_view text);

}  // namespace ctl
