// A module naming a platform-internal header the way it names the public
// ones: the platform's exported include root does not hold it.
#include "platform/graph_control.h"
