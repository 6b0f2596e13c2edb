// On Linux: the heap policy, and termination signals as a request to quit (a
// screen-saver daemon ends its saver with SIGTERM).
#include "platform/process_entry.h"

#include "platform/win32/heap_policy.h"
#include "platform/win32/termination_signals.h"

void PrepareSaverProcess() {
    // The heap policy comes before the signal watchdog's thread.
    Win32ApplyHeapPolicy();
    Win32QuitOnTerminationSignals();
}
