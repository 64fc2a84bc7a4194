#include "dialogslog.h"

Q_LOGGING_CATEGORY(lcDialogs, "tamrel.dialogs")
