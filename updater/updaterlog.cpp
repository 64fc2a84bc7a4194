#include "updaterlog.h"

Q_LOGGING_CATEGORY(lcUpdater, "tamrel.updater")
