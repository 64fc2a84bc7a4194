#include "sessionlog.h"

Q_LOGGING_CATEGORY(lcSession, "tamrel.session")
