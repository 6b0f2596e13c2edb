// On Windows the system's own heap and its session messages (WM_CLOSE,
// WM_ENDSESSION through the window procedure) need nothing set up, and the
// command line is the system's switches alone, read by the host.
#include "platform/process_entry.h"

int PrepareSaverProcess(int, char**) {
    return -1;
}
