// Prints the CPU cost of the sound system per second of audio:
//  - the feeder's work (FeedStream: Ogg decoding into the ring), run on this
//    thread with the play position advanced by one feeder interval per pass;
//  - the mixer (SDL's audio thread running the DirectSound mixer), with the
//    disk driver writing as fast as it can, for 1 and for 8 playing buffers.
// Not a test: run it by hand (build/tests/sound/sound_benchmark).
#include <dirent.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "sound/sound.h"
#include "sound/sound_dx.h"
#include "tests/sound/audio_capture.h"
#include "tests/sound/ogg_maker.h"
#include "tests/support/temp_folder.h"

namespace {

const HWND kWindow = reinterpret_cast<HWND>(0x5150);

double ThreadCpuSeconds() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec * 1e-9;
}

// CPU seconds used so far by this process's threads whose name contains `part`.
double NamedThreadsCpuSeconds(const char* part) {
    double total = 0.0;
    DIR* tasks = opendir("/proc/self/task");
    if (!tasks) return 0.0;
    while (dirent* entry = readdir(tasks)) {
        if (entry->d_name[0] == '.') continue;
        std::string base = std::string("/proc/self/task/") + entry->d_name;
        std::string name;
        std::getline(std::ifstream(base + "/comm"), name);
        if (name.find(part) == std::string::npos) continue;
        // schedstat's first field: nanoseconds spent running.
        unsigned long long ns = 0;
        std::ifstream(base + "/schedstat") >> ns;
        total += ns * 1e-9;
    }
    closedir(tasks);
    return total;
}

void BenchmarkFeeder() {
    UseDummyAudio();
    InitSound(kWindow);
    SetGroupVolume(1.0f, 1);
    auto* sound = static_cast<CSoundDX*>(CreateSound("sound/ocean.ogg", 1));
    if (!sound->buffer) {
        printf("feeder: no audio device\n");
        return;
    }
    // Not playing, so the feeder thread leaves it alone; the lock keeps it
    // waiting anyway.
    std::lock_guard<std::recursive_mutex> hold(SoundLock());
    sound->flags |= kSoundLoop;
    const int passes = 1200;  // 60 s of audio at 20 passes per second
    double start = ThreadCpuSeconds();
    for (int i = 1; i <= passes; ++i) {
        sound->buffer->SetCurrentPosition(
            static_cast<DWORD>(static_cast<int64_t>(i) * 8820 % 131072));
        sound->FeedStream();
    }
    double seconds = ThreadCpuSeconds() - start;
    printf("feeder: %.5f CPU s per second of audio (Ogg Vorbis 44.1 kHz stereo, %d passes)\n",
           seconds / 60.0, passes);
}

void BenchmarkMixer(const TempFolder& folder, int voices) {
    const std::string path = folder / "mix.raw";
    UseDiskAudio(path);
    setenv("SDL_DISKAUDIODELAY", "0", 1);  // no pacing: the mixer runs flat out
    InitSound(kWindow);
    SetGroupVolume(0.8f, 0);
    CSound* first = CreateSound("sound/ocean.ogg", 0);  // static: mixing only
    for (int i = 0; i < voices; ++i) {
        CSound* sound = i == 0 ? first : CreateSound("sound/ocean.ogg", 0);
        sound->SetPan(i % 2 ? 0.3f : -0.3f);
        sound->SetFrequency(0.9f + 0.05f * i);
        sound->Play(1);
    }
    double before = NamedThreadsCpuSeconds("SDLAudio");
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    double cpu = NamedThreadsCpuSeconds("SDLAudio") - before;
    ShutdownSound();
    unsetenv("SDL_DISKAUDIODELAY");
    std::ifstream out(path, std::ios::binary | std::ios::ate);
    double audioSeconds = static_cast<double>(out.tellg()) / 176400.0;
    if (audioSeconds <= 0.0) {
        printf("mixer: no output\n");
        return;
    }
    printf("mixer: %.5f CPU s per second of audio with %d buffer(s) (%.1f s mixed in 1 s)\n",
           cpu / audioSeconds, voices, audioSeconds);
}

}  // namespace

int main() {
    TempFolder folder;
    folder.WriteFile("media/sound/ocean.ogg", EncodeOgg(MakeSignal(44100, 2, 5.0), 44100, 2));
    BenchmarkFeeder();
    ShutdownSound();
    BenchmarkMixer(folder, 1);
    BenchmarkMixer(folder, 8);
    return 0;
}
