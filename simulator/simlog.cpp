#include "simlog.h"

Q_LOGGING_CATEGORY(lcSimulator, "taviro.simulator")
