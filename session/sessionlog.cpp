#include "sessionlog.h"

// Debug output (each status text of the login) only when asked for with
// QT_LOGGING_RULES="tamrel.session.debug=true".
Q_LOGGING_CATEGORY(lcSession, "tamrel.session", QtInfoMsg)
