#include "chartlog.h"

Q_LOGGING_CATEGORY(lcChart, "tamrel.chart")
