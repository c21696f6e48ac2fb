// Inside the serial layer, for its tests: the ioctl through which a port's
// driver settings are read and written, so that a test can play the driver of
// a USB adapter on a pseudo-terminal, which has no such settings.
#pragma once

#ifndef KBEX_PLATFORM_INTERNAL
#error "platform-internal header: only the platform layer and its tests may include it"
#endif

namespace platform {

// Carries TIOCGSERIAL and TIOCSSERIAL (arg: a struct serial_struct); ::ioctl
// unless a test put its own function here.
extern int (*SerialIoctlSeam)(int fd, unsigned long request, void* arg);

}  // namespace platform
