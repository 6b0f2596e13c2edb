// The process-wide part of the sound system: the DirectSound object, the group
// volumes, the registry of sounds and the feeder thread.
#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>

#include "sound/sound.h"
#include "sound/sound_dx.h"

namespace {

constexpr int kInitialCapacity = 100;
constexpr auto kFeederInterval = std::chrono::milliseconds(50);

struct SoundSystem {
    HWND window = nullptr;
    IDirectSound* directSound = nullptr;
    float groupVolume[3] = {0.0f, 0.0f, 0.0f};
    std::thread feeder;
    // The feeder waits on `feederWake` between passes, so that a stop ends
    // its wait at once instead of after the rest of the interval.
    std::mutex feederPause;
    std::condition_variable feederWake;
    bool stopFeeder = false;
    SoundRegistry registry;
};

SoundSystem& System() {
    static SoundSystem system;
    return system;
}

// Adds `sound` at the first free entry, growing the array when it is full.
void AddToRegistry(CSound* sound) {
    SoundRegistry& r = System().registry;
    if (!r.entries) {
        r.capacity = kInitialCapacity;
        r.entries = new CSound*[r.capacity]();
    }
    for (int i = 0; i < r.count; ++i) {
        if (!r.entries[i]) {
            r.entries[i] = sound;
            return;
        }
    }
    if (r.count == r.capacity) {
        int capacity = r.capacity + r.capacity / 2;
        CSound** entries = new CSound*[capacity]();
        memcpy(entries, r.entries, sizeof(CSound*) * r.count);
        delete[] r.entries;
        r.entries = entries;
        r.capacity = capacity;
    }
    r.entries[r.count++] = sound;
}

void FeederThread() {
    // This thread would run at time-critical priority here
    // (SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL)).
    SoundSystem& s = System();
    for (;;) {
        {
            std::lock_guard<std::recursive_mutex> hold(SoundLock());
            SoundRegistry& r = s.registry;
            for (int i = 0; i < r.count; ++i) {
                CSound* sound = r.entries[i];
                if (sound && (sound->flags & kSoundStreaming)) sound->FeedStream();
            }
        }
        std::unique_lock<std::mutex> pause(s.feederPause);
        if (s.feederWake.wait_for(pause, kFeederInterval, [&s] { return s.stopFeeder; })) return;
    }
}

}  // namespace

std::recursive_mutex& SoundLock() {
    static std::recursive_mutex lock;
    return lock;
}

SoundRegistry& GetSoundRegistry() {
    return System().registry;
}
IDirectSound* GetDirectSound() {
    return System().directSound;
}
HWND GetSoundWindow() {
    return System().window;
}

float GetGroupVolume(int group) {
    if (group < 0 || group > 2) return 0.0f;
    std::lock_guard<std::recursive_mutex> hold(SoundLock());
    return System().groupVolume[group];
}

bool IsFeederRunning() {
    return System().feeder.joinable();
}

CSound::~CSound() {
    std::lock_guard<std::recursive_mutex> hold(SoundLock());
    SoundRegistry& r = System().registry;
    for (int i = 0; i < r.count; ++i)
        if (r.entries[i] == this) r.entries[i] = nullptr;
}

void InitSound(HWND window) {
    SoundSystem& s = System();
    {
        std::lock_guard<std::recursive_mutex> hold(SoundLock());
        if (s.directSound) return;  // already running
        s.window = window;
        if (FAILED(DirectSoundCreate(nullptr, &s.directSound, nullptr))) {
            s.directSound = nullptr;
            ShutdownSound();
            return;
        }
        if (FAILED(s.directSound->SetCooperativeLevel(window, DSSCL_PRIORITY))) {
            ShutdownSound();
            return;
        }
        DSBUFFERDESC desc = {};
        desc.dwSize = sizeof desc;
        desc.dwFlags = DSBCAPS_PRIMARYBUFFER;
        IDirectSoundBuffer* primary = nullptr;
        if (FAILED(s.directSound->CreateSoundBuffer(&desc, &primary, nullptr))) {
            ShutdownSound();
            return;
        }
        WAVEFORMATEX format = {};
        format.wFormatTag = WAVE_FORMAT_PCM;
        format.nChannels = 2;
        format.nSamplesPerSec = 44100;
        format.wBitsPerSample = 16;
        format.nBlockAlign = 4;
        format.nAvgBytesPerSec = 176400;
        HRESULT result = primary->SetFormat(&format);
        // The format stays in force after the primary buffer goes.
        primary->Release();
        if (FAILED(result)) {
            ShutdownSound();
            return;
        }
    }
    if (!s.feeder.joinable()) {
        // A process that exits without ShutdownSound (the display server went
        // away) still stops the feeder before the static objects it uses go:
        // functions registered now run before the destructors of everything
        // constructed so far, the DirectSound object's included.
        static const bool stopsAtExit = std::atexit(ShutdownSound) == 0;
        (void)stopsAtExit;
        s.stopFeeder = false;
        s.feeder = std::thread(FeederThread);
    }
}

void ShutdownSound() {
    SoundSystem& s = System();
    // The feeder takes the lock for each pass: join it without holding the
    // lock. It never stops inside a pass, so no buffer stays locked.
    if (s.feeder.joinable()) {
        {
            std::lock_guard<std::mutex> pause(s.feederPause);
            s.stopFeeder = true;
        }
        s.feederWake.notify_all();
        s.feeder.join();
        s.feeder = std::thread();
    }
    std::lock_guard<std::recursive_mutex> hold(SoundLock());
    SoundRegistry& r = s.registry;
    for (int i = r.count - 1; i >= 0; --i)
        if (r.entries[i]) ReleaseSound(r.entries[i]);
    if (s.directSound) {
        s.directSound->SetCooperativeLevel(s.window, DSSCL_NORMAL);
        s.directSound->Release();
        s.directSound = nullptr;
    }
}

void SetGroupVolume(float volume, int group) {
    if (group < 0 || group > 2) return;
    std::lock_guard<std::recursive_mutex> hold(SoundLock());
    SoundSystem& s = System();
    s.groupVolume[group] = volume;
    for (int i = s.registry.count - 1; i >= 0; --i) {
        CSound* sound = s.registry.entries[i];
        if (sound) sound->SetVolume(sound->volume);
    }
}

CSound* FindSound(const char* name) {
    if (!name) return nullptr;
    std::lock_guard<std::recursive_mutex> hold(SoundLock());
    SoundRegistry& r = System().registry;
    for (int i = 0; i < r.count; ++i)
        if (r.entries[i] && lstrcmpi(r.entries[i]->key, name) == 0) return r.entries[i];
    return nullptr;
}

CSound* CreateSound(const char* name, int group) {
    if (!name || !name[0] || strlen(name) >= kSoundNameSize || group < 0 || group > 2)
        return nullptr;
    std::lock_guard<std::recursive_mutex> hold(SoundLock());
    if (CSound* existing = FindSound(name)) return existing->CloneSound();
    auto* sound = new CSoundDX;
    snprintf(sound->fileName, sizeof sound->fileName, "%s", name);
    snprintf(sound->key, sizeof sound->key, "%s", name);
    sound->flags |= (static_cast<uint32_t>(group) & 3u) << kSoundGroupShift;
    sound->LoadSound();
    AddToRegistry(sound);
    return sound;
}

void ReleaseSound(CSound* sound) {
    if (!sound) return;
    std::lock_guard<std::recursive_mutex> hold(SoundLock());
    SoundRegistry& r = System().registry;
    for (int i = 0; i < r.count; ++i) {
        if (r.entries[i] == sound) {
            r.entries[i] = nullptr;
            delete sound;
            return;
        }
    }
}

// Used by CSoundDX::CloneSound: registers a sound made outside CreateSound.
void RegisterSound(CSound* sound) {
    std::lock_guard<std::recursive_mutex> hold(SoundLock());
    AddToRegistry(sound);
}
