// Inside the serial layer, for its tests: the ioctl through which a port's
// driver settings are read and written, so that a test can play the driver of
// a USB adapter on a pseudo-terminal, which has no such settings; and the
// folder of the stable device links, so that a test can plug adapters in and
// out with links to pseudo-terminals.
#pragma once

#ifndef KBEX_PLATFORM_INTERNAL
#error "platform-internal header: only the platform layer and its tests may include it"
#endif

#include <string>

namespace platform {

// Carries TIOCGSERIAL and TIOCSSERIAL (arg: a struct serial_struct); ::ioctl
// unless a test put its own function here.
extern int (*SerialIoctlSeam)(int fd, unsigned long request, void* arg);

// The folder of the stable links to serial devices, /dev/serial/by-id unless
// a test put a folder of its own links here.
extern std::string SerialByIdDir;

}  // namespace platform
