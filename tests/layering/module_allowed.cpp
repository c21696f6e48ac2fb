// Everything a module may include, each through its layer's exported include
// root (nothing here sits next to the headers): if this stops compiling, a
// public header has gone missing from a root or includes a hidden one.
#include "K-BEX-TW-MS-DiredI304.h"
#include "com232.h"
#include "core/frame.h"
#include "core/paramfile.h"
#include "core/rules.h"
#include "core/texts.h"
#include "gui.h"
#include "logo.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/panels.h"
#include "platform/serial.h"
#include "platform/uir_types.h"
#include "simulated_sensor.h"
#include "uir.h"
