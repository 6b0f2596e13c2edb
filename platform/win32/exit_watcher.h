// The exit watcher: a thread of its own, at the priority the process started
// with, that receives the termination signals (termination_signals.h) and acts
// on each at once, whatever the thread that runs the program is busy with: it
// takes the saver's own windows off the screen through an X connection of its
// own, silences the sound output, raises the threads at idle priority, and
// then hands the request to the program, which ends the way it always does.
// While a full-screen saver runs, it does the same at the first key or button
// press that reaches the saver's windows, ahead of the program's own handling
// of that input, and other input there (a move, a system key, the wheel)
// boosts the program's idle threads for a moment, so that the program comes
// for it soon even on a busy machine.
// Where the system refuses the raise (an ordinary user's process may not
// leave nice 19), the program would come for the end only after its idle
// threads' turns, seconds on a busy machine: a signal then gets only the
// shortest grace (termination_signals.h), and after a press the watcher ends
// the process itself 100 ms later, with status 0. The screen is clear and
// the sound silent by then, and the orderly release of a full-screen saver
// keeps nothing that outlives the process.
#pragma once

// Blocks the termination signals in the calling thread, and so in every thread
// started after, and starts the watcher (once). Call before any other thread
// starts.
void Win32StartExitWatcher();

// A window of ours for the watcher to take off the screen: a top-level one is
// withdrawn, one inside another program's window only unmapped (that window
// is never touched). Nothing is kept while the watcher does not run.
void Win32WatchWindow(unsigned long xWindow, bool topLevel);
// Before the window is destroyed.
void Win32UnwatchWindow(unsigned long xWindow);

// Whether the program is a full-screen saver now, which every key press but a
// system key's, and every left, right or middle button press, on its windows
// ends (this system runs no password check in the saver). Set and cleared with
// SPI_SCREENSAVERRUNNING.
void Win32EndOnInput(bool ends);

// What silences the sound output at once; called on the watcher's thread, so
// it must be safe at any moment and must not wait on the program's locks.
void Win32SilenceOnQuitRequest(void (*silence)());
