// On Windows the system's own heap and its session messages (WM_CLOSE,
// WM_ENDSESSION through the window procedure) need nothing set up.
#include "platform/process_entry.h"

void PrepareSaverProcess() {}
