#include "uilogging.h"

Q_LOGGING_CATEGORY(lcUi, "taviro.ui")
