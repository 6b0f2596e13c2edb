// The DirectSound object: the cooperative level and the factory of buffers
// on one audio device.
#include <dsound.h>

#include <atomic>

#include "audio_device.h"
#include "sound_buffer.h"

namespace {

class DirectSound final : public IDirectSound {
public:
    explicit DirectSound(std::shared_ptr<AudioDevice> device) : device(std::move(device)) {}

    HRESULT QueryInterface(REFIID, LPVOID* ppvObj) override {
        if (ppvObj) *ppvObj = nullptr;
        return DSERR_NOINTERFACE;
    }
    ULONG AddRef() override { return ++references; }
    ULONG Release() override {
        ULONG left = --references;
        if (left == 0) delete this;
        return left;
    }

    HRESULT CreateSoundBuffer(LPCDSBUFFERDESC desc, LPDIRECTSOUNDBUFFER* out,
                              LPUNKNOWN outer) override {
        if (!out) return DSERR_INVALIDPARAM;
        *out = nullptr;
        if (outer) return DSERR_NOAGGREGATION;
        if (!desc ||
            (desc->dwSize != sizeof(DSBUFFERDESC) && desc->dwSize != sizeof(DSBUFFERDESC1)))
            return DSERR_INVALIDPARAM;
        if (level == 0) return DSERR_UNINITIALIZED;
        if (desc->dwFlags & DSBCAPS_PRIMARYBUFFER) {
            if (desc->dwBufferBytes != 0 || desc->lpwfxFormat) return DSERR_INVALIDPARAM;
            *out = new SoundBuffer(device);
            return DS_OK;
        }
        if (!desc->lpwfxFormat || !IsPlayableFormat(*desc->lpwfxFormat)) return DSERR_BADFORMAT;
        if (desc->dwBufferBytes < DSBSIZE_MIN || desc->dwBufferBytes > DSBSIZE_MAX ||
            desc->dwBufferBytes < desc->lpwfxFormat->nBlockAlign)
            return DSERR_INVALIDPARAM;
        *out = new SoundBuffer(device, desc->dwFlags, *desc->lpwfxFormat, desc->dwBufferBytes);
        return DS_OK;
    }

    HRESULT GetCaps(LPDSCAPS caps) override {
        if (!caps || caps->dwSize < sizeof(DSCAPS)) return DSERR_INVALIDPARAM;
        DWORD size = caps->dwSize;
        *caps = DSCAPS{};
        caps->dwSize = size;
        caps->dwMinSecondarySampleRate = DSBFREQUENCY_MIN;
        caps->dwMaxSecondarySampleRate = DSBFREQUENCY_MAX;
        caps->dwPrimaryBuffers = 1;
        return DS_OK;
    }

    HRESULT DuplicateSoundBuffer(LPDIRECTSOUNDBUFFER original,
                                 LPDIRECTSOUNDBUFFER* duplicate) override {
        if (!original || !duplicate) return DSERR_INVALIDPARAM;
        *duplicate = nullptr;
        auto* source = static_cast<SoundBuffer*>(original);
        if (source->IsPrimary()) return DSERR_INVALIDCALL;
        *duplicate = new SoundBuffer(*source);
        return DS_OK;
    }

    HRESULT SetCooperativeLevel(HWND window, DWORD wanted) override {
        if (!window || wanted < DSSCL_NORMAL || wanted > DSSCL_WRITEPRIMARY)
            return DSERR_INVALIDPARAM;
        level = wanted;
        return DS_OK;
    }

    HRESULT Compact() override { return level >= DSSCL_PRIORITY ? DS_OK : DSERR_PRIOLEVELNEEDED; }

    HRESULT GetSpeakerConfig(LPDWORD config) override {
        if (!config) return DSERR_INVALIDPARAM;
        *config = 4;  // DSSPEAKER_STEREO
        return DS_OK;
    }
    HRESULT SetSpeakerConfig(DWORD) override { return DS_OK; }
    HRESULT Initialize(LPCGUID) override { return DSERR_ALREADYINITIALIZED; }

private:
    ~DirectSound() = default;

    std::atomic<ULONG> references{1};
    std::shared_ptr<AudioDevice> device;
    DWORD level = 0;
};

}  // namespace

HRESULT WINAPI DirectSoundCreate(LPCGUID pcGuidDevice, LPDIRECTSOUND* ppDS, LPUNKNOWN pUnkOuter) {
    if (!ppDS) return DSERR_INVALIDPARAM;
    *ppDS = nullptr;
    if (pUnkOuter) return DSERR_NOAGGREGATION;
    // Only the default device exists here.
    if (pcGuidDevice) return DSERR_NODRIVER;
    std::shared_ptr<AudioDevice> device = AudioDevice::Open();
    if (!device) return DSERR_NODRIVER;
    *ppDS = new DirectSound(std::move(device));
    return DS_OK;
}
