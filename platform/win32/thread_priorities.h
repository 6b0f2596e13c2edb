// Priorities the platform raises on its own, the way Windows boosts a thread
// that has something to act on.
#pragma once

// Raises every other thread of the process that runs at idle priority, the
// user-interface thread that lowered itself included, to normal priority
// (where the system allows the raise). For a request that must be acted on
// at once, such as a request to quit, on a machine busy enough to leave an
// idle thread almost no time.
void Win32RaiseIdleThreads();
