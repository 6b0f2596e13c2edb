// The output device behind a DirectSound object: one SDL audio device in the
// primary buffer's format, and the software mixer that its callback runs. Every
// secondary buffer attached to it is mixed in at its own volume, pan and
// frequency; its play cursor advances by what the device consumed.
#pragma once

#include <SDL.h>
#include <dsound.h>

#include <memory>
#include <mutex>
#include <vector>

class SoundBuffer;

class AudioDevice {
public:
    // Opens the default device at 44 100 Hz, 2 channels, 16 bits; null when
    // there is no audio device.
    static std::shared_ptr<AudioDevice> Open();
    ~AudioDevice();
    AudioDevice(const AudioDevice&) = delete;
    AudioDevice& operator=(const AudioDevice&) = delete;

    // Reopens the device in `format` (PCM, 1 or 2 channels, 8 or 16 bits).
    HRESULT SetFormat(const WAVEFORMATEX& format);
    WAVEFORMATEX Format();
    // Output frames per callback, in the device's rate.
    int PeriodFrames();
    int Rate();

    // True once the device has gone away (unplugged, server gone).
    bool Lost();
    // Opens the device again in the current format after it was lost.
    HRESULT Restore();

    void Attach(SoundBuffer* buffer);
    void Detach(SoundBuffer* buffer);

    // Guards the attached list and every buffer's playing state; held by the
    // mixer for each callback.
    std::mutex mutex;

private:
    AudioDevice() = default;
    bool OpenDevice(const WAVEFORMATEX& format);
    void CloseDevice();
    static void SDLCALL Callback(void* self, Uint8* stream, int length);
    void Mix(Uint8* stream, int length);

    SDL_AudioDeviceID device = 0;
    SDL_AudioSpec deviceFormat = {};
    WAVEFORMATEX format = {};
    std::vector<SoundBuffer*> buffers;
    std::vector<float> mix;
};
