// A rule reaching for the platform layer: the rules are bytes and numbers in
// and out, with the standard library only.
#include "platform/panels.h"
