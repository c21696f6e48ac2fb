// A module including a platform-internal header by a quoted path, as
// src/logo.cpp would find src/platform/panels_internal.h next to itself
// whatever the include path holds: the header's own guard refuses it.
#include "../../src/platform/panels_internal.h"
