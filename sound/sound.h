// The sound system: a process-wide DirectSound object, three volume groups,
// the registry of live sounds and the feeder thread that keeps streaming
// sounds' ring buffers full. One lock (SoundLock) serialises the registry and
// every sound's state between the caller's thread and the feeder.
#pragma once

#include <windows.h>

#include <dsound.h>

#include <cstdint>
#include <mutex>

// CSound flag bits.
enum : uint32_t {
    kSoundPlaying = 1u << 0,
    kSoundLoop = 1u << 1,
    kSoundGroupShift = 3,
    kSoundGroupMask = 3u << kSoundGroupShift,
    kSoundStreaming = 1u << 5,
};

// Names are kept in fixed fields of this size, NUL included; longer names
// are refused.
constexpr int kSoundNameSize = 64;

class CSound {
public:
    CSound() = default;
    // Removes the sound from the registry.
    virtual ~CSound();
    CSound(const CSound&) = delete;
    CSound& operator=(const CSound&) = delete;

    virtual void LoadSound() {}
    virtual void ReleaseBuffer() {}
    virtual void Play(int) {}
    virtual void Pause() {}
    virtual void StopSound() {}
    virtual void SetVolume(float) {}
    virtual void SetFrequency(float) {}
    virtual void SetPan(float) {}
    virtual CSound* CloneSound() { return this; }
    virtual float GetFrequency() { return 0.0f; }
    virtual float GetVolume() { return volume; }
    virtual float GetPan() { return pan; }
    virtual int IsPlaying() { return 0; }
    virtual void FeedStream() {}

    int Group() const { return static_cast<int>((flags & kSoundGroupMask) >> kSoundGroupShift); }

    char fileName[kSoundNameSize] = {};  // the name LoadSound opens
    char key[kSoundNameSize] = {};       // the name FindSound compares
    float volume = 1.0f;
    float pan = 0.0f;
    uint32_t flags = 0;
};

// The live sounds. A freed entry becomes null and is reused; the count never
// shrinks; a full array grows by half its capacity.
struct SoundRegistry {
    CSound** entries = nullptr;
    int capacity = 0;
    int count = 0;
};

// Starts the system for `window`: the DirectSound object, the primary format
// (44 100 Hz, stereo, 16 bits) and the feeder thread. Any failure leaves the
// system off, silently; sounds then stay silent.
void InitSound(HWND window);
// Ends the feeder thread, releases every registered sound and the DirectSound
// object.
void ShutdownSound();
// Sets the volume of group 0..2 and reapplies every sound's volume.
void SetGroupVolume(float volume, int group);
// A new sound for `name` in `group` (0..2), or a clone of the live sound of
// the same name (any letter case). Null for a null, empty or too long name.
CSound* CreateSound(const char* name, int group);
CSound* FindSound(const char* name);
// Unregisters and deletes `sound`; a pointer not in the registry is left alone.
void ReleaseSound(CSound* sound);
// Adds a sound made outside CreateSound (a clone) to the registry.
void RegisterSound(CSound* sound);

// Hundredths of a decibel (-10000..0) for a volume 0..1, and back.
int VolumeToDb(float volume);
float DbToVolume(int hundredths);

// The system's state, for the sounds and for inspection.
std::recursive_mutex& SoundLock();
SoundRegistry& GetSoundRegistry();
IDirectSound* GetDirectSound();
HWND GetSoundWindow();
float GetGroupVolume(int group);
bool IsFeederRunning();
