// A sound played through one DirectSound secondary buffer: static (decoded
// once into a buffer of its own size) or streaming (a 128 KiB ring that the
// feeder thread refills from the reader).
#pragma once

#include <cstdint>

#include "sound/file_snd.h"
#include "sound/sound.h"

// The streaming ring's size; sounds above kStreamThreshold PCM bytes, and
// every sound of group 1, stream.
constexpr int kStreamRingBytes = 0x20000;
constexpr int kStreamThreshold = 0x100000;

class CSoundDX : public CSound {
public:
    CSoundDX() = default;
    ~CSoundDX() override;

    void LoadSound() override;
    void ReleaseBuffer() override;
    void Play(int loop) override;
    void Pause() override;
    void StopSound() override;
    void SetVolume(float value) override;
    void SetFrequency(float value) override;
    void SetPan(float value) override;
    CSound* CloneSound() override;
    float GetFrequency() override;
    float GetVolume() override;
    float GetPan() override;
    int IsPlaying() override;
    void FeedStream() override;

    // Fills `bytes` bytes of the buffer from `offset` on (wrapping) from the
    // reader; counts them in writeCount. Nothing happens when the lock fails.
    void FillBuffer(DWORD offset, DWORD bytes);

    IDirectSoundBuffer* buffer = nullptr;
    CFileSND* reader = nullptr;
    // PCM bytes written since the last (re)start, counting every wrap. 64 bits:
    // a looping sound writes 2^31 bytes in about three and a half hours.
    int64_t writeCount = 0;
};

// Shows the "sound file is bad" box for `name` on the sound system's window.
void ReportBadSoundFile(HWND window, const char* name);
