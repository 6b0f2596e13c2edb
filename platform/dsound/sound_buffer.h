// A DirectSound buffer: the primary buffer (the device's format) or a
// secondary buffer holding PCM data that the mixer plays from a cursor.
// Duplicates share the data and keep their own cursor and controls.
#pragma once

#include <dsound.h>

#include <atomic>
#include <memory>
#include <vector>

#include "audio_device.h"

class SoundBuffer final : public IDirectSoundBuffer {
public:
    // A secondary buffer of `bytes` bytes in `format`, zero-filled.
    SoundBuffer(std::shared_ptr<AudioDevice> device, DWORD flags, const WAVEFORMATEX& format,
                DWORD bytes);
    // The primary buffer.
    explicit SoundBuffer(std::shared_ptr<AudioDevice> device);
    // A duplicate of `original`, sharing its data, stopped at position 0.
    explicit SoundBuffer(const SoundBuffer& original);
    SoundBuffer& operator=(const SoundBuffer&) = delete;

    HRESULT QueryInterface(REFIID riid, LPVOID* ppvObj) override;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT GetCaps(LPDSBCAPS caps) override;
    HRESULT GetCurrentPosition(LPDWORD play, LPDWORD write) override;
    HRESULT GetFormat(LPWAVEFORMATEX format, DWORD sizeAllocated, LPDWORD sizeWritten) override;
    HRESULT GetVolume(LPLONG volume) override;
    HRESULT GetPan(LPLONG pan) override;
    HRESULT GetFrequency(LPDWORD frequency) override;
    HRESULT GetStatus(LPDWORD status) override;
    HRESULT Initialize(LPDIRECTSOUND directSound, LPCDSBUFFERDESC desc) override;
    HRESULT Lock(DWORD offset, DWORD bytes, LPVOID* audio1, LPDWORD bytes1, LPVOID* audio2,
                 LPDWORD bytes2, DWORD flags) override;
    HRESULT Play(DWORD reserved, DWORD priority, DWORD flags) override;
    HRESULT SetCurrentPosition(DWORD position) override;
    HRESULT SetFormat(LPCWAVEFORMATEX format) override;
    HRESULT SetVolume(LONG volume) override;
    HRESULT SetPan(LONG pan) override;
    HRESULT SetFrequency(DWORD frequency) override;
    HRESULT Stop() override;
    HRESULT Unlock(LPVOID audio1, DWORD bytes1, LPVOID audio2, DWORD bytes2) override;
    HRESULT Restore() override;

    // Adds `frames` output frames at `rate` Hz into `out` (interleaved
    // stereo floats) and advances the cursor. Called with the device mutex.
    void MixInto(float* out, int frames, int rate);

    bool IsPrimary() const { return primary; }

private:
    ~SoundBuffer();
    float Sample(DWORD frame, int channel) const;
    DWORD Frames() const { return static_cast<DWORD>(data->size() / format.nBlockAlign); }

    std::atomic<ULONG> references{1};
    std::shared_ptr<AudioDevice> device;
    bool primary = false;
    DWORD flags = 0;
    WAVEFORMATEX format = {};
    std::shared_ptr<std::vector<unsigned char>> data;

    // Play state, guarded by the device mutex. The cursor is in frames with a
    // 32-bit fraction, so any frequency steps through the data exactly.
    bool playing = false;
    bool looping = false;
    uint64_t cursor = 0;
    LONG volume = 0;
    LONG pan = 0;
    DWORD frequency = 0;
};

// Checks a secondary buffer format: PCM, 1 or 2 channels, 8 or 16 bits,
// DSBFREQUENCY_MIN..MAX samples per second, consistent block alignment.
bool IsPlayableFormat(const WAVEFORMATEX& format);
