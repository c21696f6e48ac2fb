// The program keeps its texts as Windows-1252 bytes, as the sensor and the
// stored files know them ("µ" is the single byte 0xB5). Paths on this system
// are UTF-8, and they pass through the same text controls, so a byte string
// that is well-formed UTF-8 with multi-byte sequences is taken as UTF-8; anything
// else is Windows-1252. A lone 0xB5 is never valid UTF-8, so the fixed texts
// are always read right.
#pragma once

#ifndef KBEX_PLATFORM_INTERNAL
#error "platform-internal header: only the platform layer and its tests may include it"
#endif

#include <QString>
#include <string>
#include <string_view>

namespace platform {

QString DecodeText(std::string_view bytes);
// Windows-1252 when every character fits, else UTF-8 (paths typed by the user).
std::string EncodeText(const QString& text);

}  // namespace platform
