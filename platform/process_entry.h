// What the platform must set up in the saver's process before the host's
// Initialise runs, one implementation per platform.
#pragma once

// Call first thing in the entry function, before any thread starts, with the
// entry function's arguments. Returns -1 when the saver is to run, or the
// exit status when the platform answered the command line itself (a request
// for help, or an option it cannot accept).
int PrepareSaverProcess(int argc, char** argv);
