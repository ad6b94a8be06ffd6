#include "classroomlog.h"

// Debug lines are for developers: a default run shows warnings and worse only;
// QT_LOGGING_RULES (or a program's --verbose) turns the rest on.
Q_LOGGING_CATEGORY(lcClassroom, "taviro.classroom", QtWarningMsg)
