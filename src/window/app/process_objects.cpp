// The window side's process-wide objects: the configuration list, the
// expert-view flag and the two chart clocks.
#include "app/process_objects.h"
#include "setup/configurations.h"

QStringList ConfigurationList;
bool ExpertView = false;
timing::Stopwatch TempLogClock;
timing::Stopwatch PositionClock;
