// The simulated sensor reaching for the program's sensor link: it must never
// share code (or a bug) with what it is there to check.
#include "com232.h"
