#include "panelslog.h"

// Like the other folders: warnings and worse unless QT_LOGGING_RULES or --verbose asks for more.
Q_LOGGING_CATEGORY(lcPanels, "taviro.panels", QtWarningMsg)
