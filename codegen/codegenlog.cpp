#include "codegenlog.h"

Q_LOGGING_CATEGORY(lcCodegen, "taviro.codegen")
