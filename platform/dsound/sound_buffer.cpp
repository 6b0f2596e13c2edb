#include "sound_buffer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// Hundredths of a decibel to a linear gain.
float Gain(LONG hundredths) {
    if (hundredths <= DSBVOLUME_MIN) return 0.0f;
    return std::pow(10.0f, static_cast<float>(hundredths) / 2000.0f);
}

}  // namespace

bool IsPlayableFormat(const WAVEFORMATEX& f) {
    return f.wFormatTag == WAVE_FORMAT_PCM && (f.nChannels == 1 || f.nChannels == 2) &&
           (f.wBitsPerSample == 8 || f.wBitsPerSample == 16) &&
           f.nSamplesPerSec >= DSBFREQUENCY_MIN && f.nSamplesPerSec <= DSBFREQUENCY_MAX &&
           f.nBlockAlign == f.nChannels * f.wBitsPerSample / 8;
}

SoundBuffer::SoundBuffer(std::shared_ptr<AudioDevice> device, DWORD flags,
                         const WAVEFORMATEX& format, DWORD bytes)
    : device(std::move(device)),
      flags(flags),
      format(format),
      data(std::make_shared<std::vector<unsigned char>>(bytes,
                                                        format.wBitsPerSample == 8 ? 0x80 : 0)),
      frequency(format.nSamplesPerSec) {
    this->format.cbSize = 0;
    this->device->Attach(this);
}

SoundBuffer::SoundBuffer(std::shared_ptr<AudioDevice> device)
    : device(std::move(device)), primary(true), flags(DSBCAPS_PRIMARYBUFFER) {
    format = this->device->Format();
}

SoundBuffer::SoundBuffer(const SoundBuffer& original)
    : IDirectSoundBuffer(),
      device(original.device),
      flags(original.flags),
      format(original.format),
      data(original.data) {
    {
        std::lock_guard<std::mutex> hold(device->mutex);
        volume = original.volume;
        pan = original.pan;
        frequency = original.frequency;
    }
    device->Attach(this);
}

SoundBuffer::~SoundBuffer() {
    if (!primary) device->Detach(this);
}

HRESULT SoundBuffer::QueryInterface(REFIID, LPVOID* ppvObj) {
    if (ppvObj) *ppvObj = nullptr;
    return DSERR_NOINTERFACE;
}

ULONG SoundBuffer::AddRef() {
    return ++references;
}

ULONG SoundBuffer::Release() {
    ULONG left = --references;
    if (left == 0) delete this;
    return left;
}

HRESULT SoundBuffer::GetCaps(LPDSBCAPS caps) {
    if (!caps || caps->dwSize < sizeof(DSBCAPS)) return DSERR_INVALIDPARAM;
    caps->dwFlags = flags | DSBCAPS_LOCSOFTWARE;
    caps->dwBufferBytes = primary ? 0 : static_cast<DWORD>(data->size());
    caps->dwUnlockTransferRate = 0;
    caps->dwPlayCpuOverhead = 0;
    return DS_OK;
}

HRESULT SoundBuffer::GetCurrentPosition(LPDWORD play, LPDWORD write) {
    if (primary) return DSERR_PRIOLEVELNEEDED;
    const int period = device->PeriodFrames();
    const int rate = device->Rate();
    std::lock_guard<std::mutex> hold(device->mutex);
    const DWORD frames = Frames();
    const DWORD playFrame = frames ? static_cast<DWORD>((cursor >> 32) % frames) : 0;
    // The mixer has already taken up to one device period beyond the play
    // cursor: writing is safe from there on.
    DWORD lead = 0;
    if (playing && rate > 0)
        lead = static_cast<DWORD>((static_cast<uint64_t>(frequency) * period + rate - 1) / rate);
    if (play) *play = playFrame * format.nBlockAlign;
    if (write)
        *write =
            frames ? (playFrame + std::min(lead, frames - 1)) % frames * format.nBlockAlign : 0;
    return DS_OK;
}

HRESULT SoundBuffer::GetFormat(LPWAVEFORMATEX out, DWORD sizeAllocated, LPDWORD sizeWritten) {
    WAVEFORMATEX current = primary ? device->Format() : format;
    if (!out) {
        if (!sizeWritten) return DSERR_INVALIDPARAM;
        *sizeWritten = sizeof(WAVEFORMATEX);
        return DS_OK;
    }
    DWORD size = std::min<DWORD>(sizeAllocated, sizeof(WAVEFORMATEX));
    memcpy(out, &current, size);
    if (sizeWritten) *sizeWritten = size;
    return DS_OK;
}

HRESULT SoundBuffer::GetVolume(LPLONG out) {
    if (!out) return DSERR_INVALIDPARAM;
    if (!(flags & DSBCAPS_CTRLVOLUME)) return DSERR_CONTROLUNAVAIL;
    std::lock_guard<std::mutex> hold(device->mutex);
    *out = volume;
    return DS_OK;
}

HRESULT SoundBuffer::GetPan(LPLONG out) {
    if (!out) return DSERR_INVALIDPARAM;
    if (!(flags & DSBCAPS_CTRLPAN)) return DSERR_CONTROLUNAVAIL;
    std::lock_guard<std::mutex> hold(device->mutex);
    *out = pan;
    return DS_OK;
}

HRESULT SoundBuffer::GetFrequency(LPDWORD out) {
    if (!out) return DSERR_INVALIDPARAM;
    if (!(flags & DSBCAPS_CTRLFREQUENCY)) return DSERR_CONTROLUNAVAIL;
    std::lock_guard<std::mutex> hold(device->mutex);
    *out = frequency;
    return DS_OK;
}

HRESULT SoundBuffer::GetStatus(LPDWORD status) {
    if (!status) return DSERR_INVALIDPARAM;
    bool lost = device->Lost();
    std::lock_guard<std::mutex> hold(device->mutex);
    *status = 0;
    if (playing) *status |= DSBSTATUS_PLAYING | (looping ? DSBSTATUS_LOOPING : 0);
    if (lost) *status |= DSBSTATUS_BUFFERLOST;
    return DS_OK;
}

HRESULT SoundBuffer::Initialize(LPDIRECTSOUND, LPCDSBUFFERDESC) {
    return DSERR_ALREADYINITIALIZED;
}

HRESULT SoundBuffer::Lock(DWORD offset, DWORD bytes, LPVOID* audio1, LPDWORD bytes1, LPVOID* audio2,
                          LPDWORD bytes2, DWORD lockFlags) {
    if (primary) return DSERR_PRIOLEVELNEEDED;
    if (!audio1 || !bytes1) return DSERR_INVALIDPARAM;
    if (device->Lost()) return DSERR_BUFFERLOST;
    const DWORD size = static_cast<DWORD>(data->size());
    if (lockFlags & DSBLOCK_FROMWRITECURSOR) GetCurrentPosition(nullptr, &offset);
    if (lockFlags & DSBLOCK_ENTIREBUFFER) {
        offset = 0;
        bytes = size;
    }
    if (offset >= size || bytes == 0 || bytes > size) return DSERR_INVALIDPARAM;
    const DWORD first = std::min(bytes, size - offset);
    const DWORD second = bytes - first;
    if (second > 0 && (!audio2 || !bytes2)) return DSERR_INVALIDPARAM;
    *audio1 = data->data() + offset;
    *bytes1 = first;
    if (audio2) *audio2 = second > 0 ? data->data() : nullptr;
    if (bytes2) *bytes2 = second;
    return DS_OK;
}

HRESULT SoundBuffer::Unlock(LPVOID audio1, DWORD bytes1, LPVOID audio2, DWORD bytes2) {
    if (primary) return DSERR_PRIOLEVELNEEDED;
    auto inside = [this](LPVOID p, DWORD n) {
        auto* begin = data->data();
        auto* bytes = static_cast<unsigned char*>(p);
        return bytes >= begin && bytes + n <= begin + data->size();
    };
    if (!audio1 || !inside(audio1, bytes1) || (audio2 && !inside(audio2, bytes2)))
        return DSERR_INVALIDPARAM;
    // Taking the mutex publishes what was written to the mixer's thread.
    std::lock_guard<std::mutex> hold(device->mutex);
    return DS_OK;
}

HRESULT SoundBuffer::Play(DWORD, DWORD, DWORD playFlags) {
    if (primary) return DS_OK;
    if (device->Lost()) return DSERR_BUFFERLOST;
    std::lock_guard<std::mutex> hold(device->mutex);
    playing = true;
    looping = (playFlags & DSBPLAY_LOOPING) != 0;
    return DS_OK;
}

HRESULT SoundBuffer::SetCurrentPosition(DWORD position) {
    if (primary) return DSERR_INVALIDCALL;
    std::lock_guard<std::mutex> hold(device->mutex);
    if (position >= data->size()) return DSERR_INVALIDPARAM;
    cursor = static_cast<uint64_t>(position / format.nBlockAlign) << 32;
    return DS_OK;
}

HRESULT SoundBuffer::SetFormat(LPCWAVEFORMATEX wanted) {
    if (!primary) return DSERR_INVALIDCALL;
    if (!wanted) return DSERR_INVALIDPARAM;
    return device->SetFormat(*wanted);
}

HRESULT SoundBuffer::SetVolume(LONG value) {
    if (!(flags & DSBCAPS_CTRLVOLUME)) return DSERR_CONTROLUNAVAIL;
    if (value < DSBVOLUME_MIN || value > DSBVOLUME_MAX) return DSERR_INVALIDPARAM;
    std::lock_guard<std::mutex> hold(device->mutex);
    volume = value;
    return DS_OK;
}

HRESULT SoundBuffer::SetPan(LONG value) {
    if (!(flags & DSBCAPS_CTRLPAN)) return DSERR_CONTROLUNAVAIL;
    if (value < DSBPAN_LEFT || value > DSBPAN_RIGHT) return DSERR_INVALIDPARAM;
    std::lock_guard<std::mutex> hold(device->mutex);
    pan = value;
    return DS_OK;
}

HRESULT SoundBuffer::SetFrequency(DWORD value) {
    if (!(flags & DSBCAPS_CTRLFREQUENCY)) return DSERR_CONTROLUNAVAIL;
    if (value == DSBFREQUENCY_ORIGINAL) value = format.nSamplesPerSec;
    if (value < DSBFREQUENCY_MIN || value > DSBFREQUENCY_MAX) return DSERR_INVALIDPARAM;
    std::lock_guard<std::mutex> hold(device->mutex);
    frequency = value;
    return DS_OK;
}

HRESULT SoundBuffer::Stop() {
    if (primary) return DS_OK;
    std::lock_guard<std::mutex> hold(device->mutex);
    playing = false;
    return DS_OK;
}

HRESULT SoundBuffer::Restore() {
    return device->Restore();
}

float SoundBuffer::Sample(DWORD frame, int channel) const {
    const unsigned char* p = data->data() + static_cast<size_t>(frame) * format.nBlockAlign;
    if (format.nChannels == 2) p += channel * (format.wBitsPerSample / 8);
    if (format.wBitsPerSample == 8) return static_cast<float>((static_cast<int>(*p) - 128) * 256);
    int16_t value;
    memcpy(&value, p, 2);
    return static_cast<float>(value);
}

void SoundBuffer::MixInto(float* out, int frames, int rate) {
    const DWORD total = Frames();
    if (!playing || total == 0 || rate <= 0) return;
    float gain = Gain(volume);
    float left = gain * (pan > 0 ? Gain(-pan) : 1.0f);
    float right = gain * (pan < 0 ? Gain(pan) : 1.0f);
    const uint64_t step = (static_cast<uint64_t>(frequency) << 32) / static_cast<uint64_t>(rate);
    const uint64_t end = static_cast<uint64_t>(total) << 32;
    for (int i = 0; i < frames; ++i) {
        if (cursor >= end) {
            if (!looping) {
                // A one-shot buffer stops at its end and rewinds.
                playing = false;
                cursor = 0;
                return;
            }
            cursor %= end;
        }
        const DWORD frame = static_cast<DWORD>(cursor >> 32);
        const uint32_t fraction = static_cast<uint32_t>(cursor);
        float l = Sample(frame, 0);
        float r = Sample(frame, 1);
        if (fraction != 0) {
            // Linear interpolation towards the next frame (the first one again
            // when a looping buffer wraps).
            DWORD next = frame + 1 < total ? frame + 1 : (looping ? 0 : frame);
            float t = static_cast<float>(fraction) * (1.0f / 4294967296.0f);
            l += (Sample(next, 0) - l) * t;
            r += (Sample(next, 1) - r) * t;
        }
        out[2 * i] += l * left;
        out[2 * i + 1] += r * right;
        cursor += step;
    }
}
