#include "sound/sound_dx.h"

#include <cmath>
#include <cstring>

namespace {

using Hold = std::lock_guard<std::recursive_mutex>;

}  // namespace

CSoundDX::~CSoundDX() {
    Hold hold(SoundLock());
    ReleaseBuffer();
    delete reader;
    reader = nullptr;
}

void CSoundDX::LoadSound() {
    Hold hold(SoundLock());
    IDirectSound* directSound = GetDirectSound();
    if (!fileName[0] || !directSound) return;
    // Loading again starts from nothing.
    ReleaseBuffer();
    delete reader;
    reader = CreateSoundReader(fileName);
    if (!reader || reader->OpenStream(fileName) != 0) {
        // A reader that cannot open is of no further use.
        delete reader;
        reader = nullptr;
        ReportBadSoundFile(GetSoundWindow(), fileName);
        return;
    }
    writeCount = 0;
    DSBUFFERDESC desc = {};
    desc.dwSize = sizeof desc;
    desc.lpwfxFormat = &reader->format;
    if (reader->total > kStreamThreshold || Group() == 1) {
        desc.dwFlags = DSBCAPS_GETCURRENTPOSITION2 | DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLPAN |
                       DSBCAPS_CTRLFREQUENCY;
        desc.dwBufferBytes = kStreamRingBytes;
        if (FAILED(directSound->CreateSoundBuffer(&desc, &buffer, nullptr))) buffer = nullptr;
        if (buffer) FillBuffer(0, kStreamRingBytes);
    } else {
        desc.dwFlags =
            DSBCAPS_STATIC | DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLPAN | DSBCAPS_CTRLFREQUENCY;
        desc.dwBufferBytes = static_cast<DWORD>(reader->total);
        if (FAILED(directSound->CreateSoundBuffer(&desc, &buffer, nullptr))) buffer = nullptr;
        if (buffer) FillBuffer(0, desc.dwBufferBytes);
        delete reader;
        reader = nullptr;
    }
    SetVolume(volume);
}

void CSoundDX::FillBuffer(DWORD offset, DWORD bytes) {
    if (!buffer || !reader) return;
    void* region1 = nullptr;
    void* region2 = nullptr;
    DWORD length1 = 0;
    DWORD length2 = 0;
    if (FAILED(buffer->Lock(offset, bytes, &region1, &length1, &region2, &length2, 0))) return;
    const int loop = (flags & kSoundLoop) ? 1 : 0;
    reader->ReadStream(static_cast<char*>(region1), static_cast<int>(length1), loop);
    if (region2 && length2 > 0)
        reader->ReadStream(static_cast<char*>(region2), static_cast<int>(length2), loop);
    buffer->Unlock(region1, length1, region2, length2);
    writeCount += bytes;
}

void CSoundDX::FeedStream() {
    Hold hold(SoundLock());
    if (!buffer || !reader) return;
    DWORD play = 0;
    if (FAILED(buffer->GetCurrentPosition(&play, nullptr))) return;
    const int64_t p = play;
    const int64_t w = writeCount % kStreamRingBytes;
    const int64_t free = w <= p ? p - w : p - w + kStreamRingBytes;
    if (free <= 0) return;
    FillBuffer(static_cast<DWORD>(w), static_cast<DWORD>(free));
    if (flags & kSoundLoop) return;
    // The play position counted from the start of the stream, plus what was
    // just filled: once it reaches the end, the sound has been handed out.
    const int64_t heard = writeCount + free - kStreamRingBytes;
    if (heard >= reader->total) StopSound();
}

void CSoundDX::Play(int loop) {
    Hold hold(SoundLock());
    flags = (flags & ~kSoundLoop) | ((loop & 1) ? kSoundLoop : 0u);
    if (!buffer) return;
    DWORD status = 0;
    if (SUCCEEDED(buffer->GetStatus(&status)) && (status & DSBSTATUS_BUFFERLOST)) buffer->Restore();
    // A streaming ring must cycle whether or not the sound loops.
    buffer->Play(0, 0, ((flags & kSoundLoop) || reader) ? DSBPLAY_LOOPING : 0);
    flags |= kSoundPlaying;
    if (reader) flags |= kSoundStreaming;
}

void CSoundDX::Pause() {
    Hold hold(SoundLock());
    flags &= ~kSoundStreaming;
    if (!buffer) return;
    buffer->Stop();
    flags &= ~kSoundPlaying;
}

void CSoundDX::StopSound() {
    Hold hold(SoundLock());
    flags &= ~kSoundStreaming;
    if (!buffer) return;
    buffer->Stop();
    buffer->SetCurrentPosition(0);
    if (reader) {
        writeCount = 0;
        reader->RewindStream();
        FillBuffer(0, kStreamRingBytes);
    }
    flags &= ~kSoundPlaying;
}

void CSoundDX::ReleaseBuffer() {
    Hold hold(SoundLock());
    if (!buffer) return;
    buffer->Stop();
    buffer->Release();
    buffer = nullptr;
}

void CSoundDX::SetVolume(float value) {
    Hold hold(SoundLock());
    volume = value;
    if (buffer) buffer->SetVolume(VolumeToDb(value * GetGroupVolume(Group())));
}

void CSoundDX::SetFrequency(float value) {
    Hold hold(SoundLock());
    if (!buffer) return;
    float hz = std::nearbyint(value * 44100.0f);
    if (!(hz >= DSBFREQUENCY_MIN)) hz = DSBFREQUENCY_MIN;  // also catches NaN
    if (hz > DSBFREQUENCY_MAX) hz = DSBFREQUENCY_MAX;
    buffer->SetFrequency(static_cast<DWORD>(hz));
}

void CSoundDX::SetPan(float value) {
    Hold hold(SoundLock());
    pan = value;
    if (!buffer) return;
    const float magnitude = std::fabs(value);
    const int sign = value > 0 ? 1 : (value < 0 ? -1 : 0);
    buffer->SetPan(-sign * VolumeToDb(1.0f - magnitude));
}

CSound* CSoundDX::CloneSound() {
    Hold hold(SoundLock());
    auto* copy = new CSoundDX;
    RegisterSound(copy);
    memcpy(copy->fileName, fileName, sizeof fileName);
    memcpy(copy->key, key, sizeof key);
    copy->flags = flags & (kSoundGroupMask | kSoundLoop);
    copy->volume = volume;
    if (reader) {
        copy->LoadSound();
    } else if (buffer) {
        IDirectSound* directSound = GetDirectSound();
        if (directSound && FAILED(directSound->DuplicateSoundBuffer(buffer, &copy->buffer)))
            copy->buffer = nullptr;
        if (copy->buffer) copy->SetVolume(copy->volume);
    }
    return copy;
}

float CSoundDX::GetFrequency() {
    Hold hold(SoundLock());
    if (!buffer) return 100.0f;
    DWORD hz = 0;
    if (FAILED(buffer->GetFrequency(&hz))) return 100.0f;
    // The inverse of SetFrequency.
    return static_cast<float>(hz) / 44100.0f;
}

float CSoundDX::GetVolume() {
    Hold hold(SoundLock());
    if (!buffer) return volume;
    LONG hundredths = 0;
    const float group = GetGroupVolume(Group());
    // A silent group hides the sound's own volume: keep the stored one.
    if (group <= 0.0f || FAILED(buffer->GetVolume(&hundredths))) return volume;
    volume = DbToVolume(hundredths) / group;
    return volume;
}

float CSoundDX::GetPan() {
    Hold hold(SoundLock());
    if (!buffer) return pan;
    LONG hundredths = 0;
    if (FAILED(buffer->GetPan(&hundredths))) return pan;
    const float sign = hundredths > 0 ? 1.0f : (hundredths < 0 ? -1.0f : 0.0f);
    return sign * (1.0f - DbToVolume(-std::abs(static_cast<int>(hundredths))));
}

int CSoundDX::IsPlaying() {
    Hold hold(SoundLock());
    if (!buffer || !(flags & kSoundPlaying)) return 0;
    DWORD status = 0;
    if (FAILED(buffer->GetStatus(&status))) return 0;
    if (status & DSBSTATUS_PLAYING) return -1;
    flags &= ~kSoundPlaying;
    return 0;
}
