#include "audio_device.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>

#include "platform/win32/exit_watcher.h"
#include "sound_buffer.h"

namespace {

// Frames per device callback: about 12 ms at 44 100 Hz. Closing the device
// waits two periods for the output to drain, so a shorter period ends the
// sound (and the program) sooner.
constexpr Uint16 kPeriodFrames = 512;

WAVEFORMATEX DefaultFormat() {
    WAVEFORMATEX f = {};
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = 2;
    f.nSamplesPerSec = 44100;
    f.wBitsPerSample = 16;
    f.nBlockAlign = 4;
    f.nAvgBytesPerSec = 44100 * 4;
    return f;
}

// Set once the program is asked to quit: every device plays silence from its
// next period on, while the program still has to stop its sounds itself.
std::atomic<bool> silenced{false};

void SilenceEveryDevice() {
    silenced.store(true);
}

}  // namespace

std::shared_ptr<AudioDevice> AudioDevice::Open() {
    Win32SilenceOnQuitRequest(SilenceEveryDevice);
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return nullptr;
    std::shared_ptr<AudioDevice> device(new AudioDevice);
    if (!device->OpenDevice(DefaultFormat())) {
        device.reset();  // its destructor quits the audio subsystem
        return nullptr;
    }
    return device;
}

AudioDevice::~AudioDevice() {
    CloseDevice();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

bool AudioDevice::OpenDevice(const WAVEFORMATEX& wanted) {
    SDL_AudioSpec want = {};
    want.freq = static_cast<int>(wanted.nSamplesPerSec);
    want.format = wanted.wBitsPerSample == 8 ? AUDIO_U8 : AUDIO_S16SYS;
    want.channels = static_cast<Uint8>(wanted.nChannels);
    want.samples = kPeriodFrames;
    want.callback = &AudioDevice::Callback;
    want.userdata = this;
    SDL_AudioSpec have = {};
    // No changes allowed: SDL converts to whatever the hardware takes.
    SDL_AudioDeviceID id = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (id == 0) return false;
    {
        std::lock_guard<std::mutex> hold(mutex);
        device = id;
        deviceFormat = have;
        format = wanted;
        mix.assign(static_cast<size_t>(have.samples) * 2, 0.0f);
    }
    SDL_PauseAudioDevice(id, 0);
    return true;
}

void AudioDevice::CloseDevice() {
    // SDL_CloseAudioDevice waits for a running callback, which takes the
    // mutex: it must not be held here.
    SDL_AudioDeviceID id;
    {
        std::lock_guard<std::mutex> hold(mutex);
        id = device;
        device = 0;
    }
    if (id != 0) SDL_CloseAudioDevice(id);
}

HRESULT AudioDevice::SetFormat(const WAVEFORMATEX& wanted) {
    if (wanted.wFormatTag != WAVE_FORMAT_PCM || (wanted.nChannels != 1 && wanted.nChannels != 2) ||
        (wanted.wBitsPerSample != 8 && wanted.wBitsPerSample != 16) ||
        wanted.nSamplesPerSec < DSBFREQUENCY_MIN || wanted.nSamplesPerSec > DSBFREQUENCY_MAX ||
        wanted.nBlockAlign != wanted.nChannels * wanted.wBitsPerSample / 8)
        return DSERR_BADFORMAT;
    WAVEFORMATEX current = Format();
    if (current.nSamplesPerSec == wanted.nSamplesPerSec && current.nChannels == wanted.nChannels &&
        current.wBitsPerSample == wanted.wBitsPerSample && !Lost())
        return DS_OK;
    CloseDevice();
    if (OpenDevice(wanted)) return DS_OK;
    // Keep the device running in the format it had.
    return OpenDevice(current) ? DSERR_BADFORMAT : DSERR_NODRIVER;
}

WAVEFORMATEX AudioDevice::Format() {
    std::lock_guard<std::mutex> hold(mutex);
    return format;
}

int AudioDevice::PeriodFrames() {
    std::lock_guard<std::mutex> hold(mutex);
    return deviceFormat.samples;
}

int AudioDevice::Rate() {
    std::lock_guard<std::mutex> hold(mutex);
    return deviceFormat.freq;
}

bool AudioDevice::Lost() {
    SDL_AudioDeviceID id;
    {
        std::lock_guard<std::mutex> hold(mutex);
        id = device;
    }
    return id == 0 || SDL_GetAudioDeviceStatus(id) == SDL_AUDIO_STOPPED;
}

HRESULT AudioDevice::Restore() {
    if (!Lost()) return DS_OK;
    WAVEFORMATEX current = Format();
    CloseDevice();
    return OpenDevice(current) ? DS_OK : DSERR_BUFFERLOST;
}

void AudioDevice::Attach(SoundBuffer* buffer) {
    std::lock_guard<std::mutex> hold(mutex);
    buffers.push_back(buffer);
}

void AudioDevice::Detach(SoundBuffer* buffer) {
    std::lock_guard<std::mutex> hold(mutex);
    buffers.erase(std::remove(buffers.begin(), buffers.end(), buffer), buffers.end());
}

void SDLCALL AudioDevice::Callback(void* self, Uint8* stream, int length) {
    static_cast<AudioDevice*>(self)->Mix(stream, length);
}

void AudioDevice::Mix(Uint8* stream, int length) {
    std::lock_guard<std::mutex> hold(mutex);
    if (silenced.load()) {
        std::memset(stream, deviceFormat.silence, static_cast<size_t>(length));
        return;
    }
    const int bytesPerSample = deviceFormat.format == AUDIO_U8 ? 1 : 2;
    const int channels = deviceFormat.channels;
    const int frames = length / (bytesPerSample * channels);
    if (mix.size() < static_cast<size_t>(frames) * 2) mix.resize(static_cast<size_t>(frames) * 2);
    std::fill(mix.begin(), mix.begin() + frames * 2, 0.0f);
    for (SoundBuffer* buffer : buffers) buffer->MixInto(mix.data(), frames, deviceFormat.freq);

    for (int i = 0; i < frames; ++i) {
        float left = mix[2 * i];
        float right = mix[2 * i + 1];
        for (int c = 0; c < channels; ++c) {
            float value = channels == 1 ? (left + right) * 0.5f : (c == 0 ? left : right);
            value = std::clamp(std::nearbyint(value), -32768.0f, 32767.0f);
            int index = i * channels + c;
            if (bytesPerSample == 1) {
                stream[index] = static_cast<Uint8>((static_cast<int>(value) >> 8) + 128);
            } else {
                Sint16 sample = static_cast<Sint16>(value);
                memcpy(stream + 2 * index, &sample, 2);
            }
        }
    }
}
