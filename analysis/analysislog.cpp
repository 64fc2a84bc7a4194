#include "analysislog.h"

Q_LOGGING_CATEGORY(lcAnalysis, "tamrel.analysis")
