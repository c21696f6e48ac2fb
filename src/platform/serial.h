// Serial ports over POSIX termios. Ports are numbered from 1 through the port
// table (devices given on the command line, the simulated sensor, then the
// serial devices the system lists). The layer keeps an input queue of its own,
// filled from the device whenever the event loop runs and whenever GetInQLen,
// WaitComInput or ComRd are called; whoever waits for an answer reads it from
// there. Every operation on a port that is closed, was never opened or has
// vanished returns a negative count and never crashes.
#pragma once

#include <string>
#include <vector>

enum ComError {
    kComUnknownSystemError = -1,
    kComInvalidPort = -2,
    kComPortNotOpen = -3,
    kComIOError = -4,
    kComNoSerialPort = -6,
    kComCannotOpen = -7,
    kComInvalidParameter = -13,
    kComTimeout = -99,
};

int OpenComConfig(int port, const char* deviceName, long baud, int parity, int dataBits, int stopBits,
                  int inputQueueSize, int outputQueueSize);
int CloseCom(int port);
int SetComTime(int port, double timeoutSeconds);
int SetCTSMode(int port, int mode);
int FlushInQ(int port);
int FlushOutQ(int port);
int ComWrt(int port, const void* buffer, int count);
int ComRd(int port, void* buffer, int count);
int GetInQLen(int port);
// Waits up to `seconds` until the port brings a byte, taking what came into
// the input queue: a wait that needs no event loop. A port that is not open
// (or has gone) waits the time out, so a polling loop never spins on it.
// Returns the queue's length, or a negative count as GetInQLen does.
int WaitComInput(int port, double seconds);

// A port of the table. `description` is what the program or the command line
// says of it; the rest is what the system knows of the device, empty where it
// knows nothing (a built-in UART, a pty, a device that is gone), and is what
// tells three USB adapters of one kind apart. Its initialisers let a table be
// written as {path, description} without the compiler asking for the rest.
struct PortEntry {
    std::string path;
    std::string description;
    // The link under /dev/serial/by-id that leads to the device, as a full
    // path: its name stays when the adapter comes back as another ttyUSBn.
    std::string stableName = {};
    std::string maker = {};
    std::string product = {};
    std::string serialNumber = {};
};
void SetPortTable(std::vector<PortEntry> ports);
const std::vector<PortEntry>& GetPortTable();
// Serial devices the system knows, for the end of the port table, with
// their makers, products, serial numbers and by-id links; no description.
std::vector<PortEntry> ListSystemSerialPorts();
// The full path of the link under /dev/serial/by-id that leads to the device
// at `path`, or "" where none does (a link whose device is gone leads
// nowhere).
std::string StableNameOf(const std::string& path);
// Where the device of `entry` is now, for a reconnect after the adapter was
// unplugged and plugged back, possibly as another device: the device its
// stable name leads to, else the listed port with its serial number (when it
// has one), else its path while that exists, else "".
std::string CurrentPathOf(const PortEntry& entry);
