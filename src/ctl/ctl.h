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
    // Stopped by Ctrl+C (or SIGTERM, SIGHUP) before it was done, as the
    // shell counts a command killed by SIGINT. A run or a recording is not
    // "before it was done": stopping is how it ends.
    kInterrupted = 130,
};

struct Options {
    std::vector<std::string> ports;  // --port PATH in the order given
    bool autoPort = false;           // --port auto: the first port that answers
    bool simulate = false;
    bool json = false;
    std::string command;
    std::uint16_t memory = 1;  // get, send: 1 RAM, 2 EEPROM
    std::string file;          // send, upload: the file read; get, record, video, data: -o FILE
    bool verify = false;
    std::uint64_t frames = 0;  // run: rows before it ends (0: until stopped)
    double seconds = 0;        // run: seconds of rows before it ends (0: until stopped)
    bool csv = false;
    std::uint16_t interval = 0, count = 0;  // record: seconds between records, records
    std::uint16_t device = 1;               // upload: 1 MASTER, 0 SLAVE
};

// False with `message` on a bad command line; `help` for --help.
bool ParseCommandLine(int argc, char** argv, Options& options, bool& help, std::string& message);
const char* UsageText();

// The commands. The port is open and its line checked when they run; each
// returns the exit status.
int Identify(const Options& options, const std::string& port, std::uint16_t reportedVirtPixels);
int Get(const Options& options);
int Send(const Options& options);
int Teach(const Options& options);
int Reset();
int Run(const Options& options);
int Record(const Options& options);
int Capture(const Options& options);  // video or data
int Upload(const Options& options);

// Ctrl+C, SIGTERM and SIGHUP end the exchange in progress at its next look
// at the line instead of killing the program mid-frame; a closed pipe on
// stdout is a failed write, not a signal.
void CatchSignals();
bool Interrupted();

// The line check alone, on a port that is not open: true when it answered.
bool Answers(const std::string& path);

// A message of the tool's own (Windows-1252, as the link's) on stderr.
void Note(std::string_view text);

// What a write to stdout came to. Results go out flushed, so a reader at the
// far end of a pipe sees each row as it arrives and a reader that has gone
// (`| head -5`) is noticed at the next one; Ctrl+C while a write waits for a
// slow reader ends it as it ends the wait for an answer.
enum class Written { Ok, Closed, Stopped, Failed };
Written Emit(const std::string& text);
// A result into `file`, replaced whole, or to stdout when `file` is empty;
// `what` names it in the messages ("parameter-file", "export-file").
int Deliver(const std::string& file, const std::string& text, const char* what);

// The link's texts are Windows-1252 bytes ("\xB5" the micro sign); the
// terminal and JSON readers want UTF-8.
std::string Utf8(std::string_view windows1252);
// A JSON string literal of UTF-8 `text`, quotes included.
std::string JsonString(std::string_view text);

}  // namespace ctl
