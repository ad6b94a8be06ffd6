#include "configlog.h"

Q_LOGGING_CATEGORY(lcConfig, "taviro.config")
