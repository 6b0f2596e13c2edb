// Priorities the platform raises on its own, the way Windows boosts a thread
// that has something to act on.
#pragma once

// Raises every other thread of the process that runs at idle priority, the
// user-interface thread that lowered itself included, to normal priority
// (where the system allows the raise). For a request that must be acted on
// at once, such as a request to quit, on a machine busy enough to leave an
// idle thread almost no time. False when the system refused a raise (Linux
// lets no thread leave nice 19 without CAP_SYS_NICE or an RLIMIT_NICE
// allowance).
bool Win32RaiseIdleThreads();

// The same raise for a while, the way Windows boosts the thread of a window
// that receives input: the threads it raised go back to idle at
// Win32EndIdleBoost, but for those that set a priority of their own in the
// meantime and all of them after a raise for good.
void Win32BoostIdleThreads();
void Win32EndIdleBoost();
