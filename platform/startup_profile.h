// Where start-up time goes: archive reads, image decoding, model loading, GL
// uploads and shader builds, each timed without the phases nested inside it
// (a model load that reads the archive counts the read as a read), in CPU time
// of the threads that ran them, so a busy machine barely moves them (a phase
// run by several threads at once may exceed the wall time it took). Off unless
// VELMORA_STARTUP_PROFILE is set in the environment; a scope then costs two
// clock reads, and when off a single test of a constant flag. The first
// presented frame prints the split to standard error, with the wall and CPU
// time since the process started.
#pragma once

#include <cstdint>

enum class StartupPhase { ArchiveRead, ImageDecode, ModelLoad, GlUpload, ShaderBuild };
constexpr int kStartupPhaseCount = 5;

extern const bool startupProfileEnabled;

// Times its lifetime as `phase` on this thread, less the nested scopes.
class StartupPhaseScope {
public:
    explicit StartupPhaseScope(StartupPhase phase) {
        if (startupProfileEnabled) Enter(phase);
    }
    ~StartupPhaseScope() {
        if (entered) Leave();
    }
    StartupPhaseScope(const StartupPhaseScope&) = delete;
    StartupPhaseScope& operator=(const StartupPhaseScope&) = delete;

private:
    void Enter(StartupPhase phase);
    void Leave();

    bool entered = false;
    StartupPhase phase = StartupPhase::ArchiveRead;
    int64_t startNanoseconds = 0;
    StartupPhaseScope* outer = nullptr;
};

// Prints the split and the time since the process started, once.
void ReportStartupProfile();

// Called on every presented frame; the first one prints the report.
inline void StartupProfileFramePresented() {
    if (startupProfileEnabled) ReportStartupProfile();
}
