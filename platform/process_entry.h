// What the platform must set up in the saver's process before the host's
// Initialise runs, one implementation per platform.
#pragma once

// Call first thing in the entry function, before any thread starts.
void PrepareSaverProcess();
