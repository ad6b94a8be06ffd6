#include "setuplogging.h"

Q_LOGGING_CATEGORY(lcSetup, "taviro.setup")
