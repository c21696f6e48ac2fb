// The sensor link reaching for a panel: it reports through its observer
// and runs without a window, so the panels are not on its include path.
#include "platform/panels.h"
