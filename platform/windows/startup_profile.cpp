// Start-up profiling is a Linux measuring aid: on Windows every scope is the
// test of a constant false flag and nothing is reported.
#include "platform/startup_profile.h"

const bool startupProfileEnabled = false;

void StartupPhaseScope::Enter(StartupPhase) {}
void StartupPhaseScope::Leave() {}
void ReportStartupProfile() {}
