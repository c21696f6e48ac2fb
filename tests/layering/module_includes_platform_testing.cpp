// A module reaching for the tests' view of the platform (graph models, the
// pop-up seam, widgets) by a quoted path next to it: the guard refuses it.
#include "../../src/platform/testing.h"
