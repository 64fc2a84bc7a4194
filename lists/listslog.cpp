#include "listslog.h"

Q_LOGGING_CATEGORY(lcLists, "tamrel.lists")
