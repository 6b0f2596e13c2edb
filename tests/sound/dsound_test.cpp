// The DirectSound stand-in: object creation with and without an audio device,
// buffer creation rules, Lock regions, controls, cursors, duplicates, the
// mixed output captured through SDL's disk audio driver, and its silence once
// the program is asked to quit.
#include <gtest/gtest.h>

#include <dsound.h>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <thread>

#include "platform/win32/termination_signals.h"
#include "tests/sound/audio_capture.h"
#include "tests/support/temp_folder.h"

namespace {

const HWND kWindow = reinterpret_cast<HWND>(0x5150);

WAVEFORMATEX Pcm(WORD channels, DWORD rate, WORD bits) {
    WAVEFORMATEX f = {};
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = channels;
    f.nSamplesPerSec = rate;
    f.wBitsPerSample = bits;
    f.nBlockAlign = static_cast<WORD>(channels * bits / 8);
    f.nAvgBytesPerSec = rate * f.nBlockAlign;
    return f;
}

constexpr DWORD kAllControls = DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLPAN | DSBCAPS_CTRLFREQUENCY;

class DirectSoundTest : public ::testing::Test {
protected:
    void Open() {
        ASSERT_EQ(DirectSoundCreate(nullptr, &ds, nullptr), DS_OK);
        ASSERT_EQ(ds->SetCooperativeLevel(kWindow, DSSCL_PRIORITY), DS_OK);
    }
    void TearDown() override {
        for (IDirectSoundBuffer* b : buffers) b->Release();
        if (ds) ds->Release();
    }
    IDirectSoundBuffer* Make(DWORD flags, DWORD bytes, WAVEFORMATEX format = Pcm(2, 44100, 16)) {
        DSBUFFERDESC desc = {};
        desc.dwSize = sizeof desc;
        desc.dwFlags = flags;
        desc.dwBufferBytes = bytes;
        desc.lpwfxFormat = &format;
        IDirectSoundBuffer* buffer = nullptr;
        EXPECT_EQ(ds->CreateSoundBuffer(&desc, &buffer, nullptr), DS_OK);
        if (buffer) buffers.push_back(buffer);
        return buffer;
    }
    void Write(IDirectSoundBuffer* buffer, DWORD offset, const std::vector<int16_t>& samples) {
        void *p1, *p2;
        DWORD n1, n2;
        DWORD bytes = static_cast<DWORD>(samples.size() * 2);
        ASSERT_EQ(buffer->Lock(offset, bytes, &p1, &n1, &p2, &n2, 0), DS_OK);
        memcpy(p1, samples.data(), n1);
        if (n2) memcpy(p2, reinterpret_cast<const char*>(samples.data()) + n1, n2);
        ASSERT_EQ(buffer->Unlock(p1, n1, p2, n2), DS_OK);
    }

    IDirectSound* ds = nullptr;
    std::vector<IDirectSoundBuffer*> buffers;
};

TEST_F(DirectSoundTest, CreationFailsWithoutAnAudioDevice) {
    UseNoAudio();
    EXPECT_EQ(DirectSoundCreate(nullptr, &ds, nullptr), DSERR_NODRIVER);
    EXPECT_EQ(ds, nullptr);
    EXPECT_EQ(DirectSoundCreate(nullptr, nullptr, nullptr), DSERR_INVALIDPARAM);
}

TEST_F(DirectSoundTest, PrimaryBufferTakesTheOutputFormat) {
    UseDummyAudio();
    ASSERT_EQ(DirectSoundCreate(nullptr, &ds, nullptr), DS_OK);
    DSBUFFERDESC desc = {};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DSBCAPS_PRIMARYBUFFER;
    IDirectSoundBuffer* primary = nullptr;
    EXPECT_EQ(ds->CreateSoundBuffer(&desc, &primary, nullptr),
              DSERR_UNINITIALIZED);  // no level yet
    EXPECT_EQ(ds->SetCooperativeLevel(nullptr, DSSCL_PRIORITY), DSERR_INVALIDPARAM);
    EXPECT_EQ(ds->SetCooperativeLevel(kWindow, 9), DSERR_INVALIDPARAM);
    ASSERT_EQ(ds->SetCooperativeLevel(kWindow, DSSCL_PRIORITY), DS_OK);
    ASSERT_EQ(ds->CreateSoundBuffer(&desc, &primary, nullptr), DS_OK);
    WAVEFORMATEX bad = Pcm(2, 44100, 16);
    bad.wFormatTag = 3;
    EXPECT_EQ(primary->SetFormat(&bad), DSERR_BADFORMAT);
    WAVEFORMATEX wanted = Pcm(2, 44100, 16);
    EXPECT_EQ(primary->SetFormat(&wanted), DS_OK);
    WAVEFORMATEX mono = Pcm(1, 22050, 16);
    EXPECT_EQ(primary->SetFormat(&mono), DS_OK);
    WAVEFORMATEX got = {};
    DWORD written = 0;
    ASSERT_EQ(primary->GetFormat(&got, sizeof got, &written), DS_OK);
    EXPECT_EQ(got.nChannels, 1);
    EXPECT_EQ(got.nSamplesPerSec, 22050u);
    EXPECT_EQ(primary->SetFormat(&wanted), DS_OK);
    void *p1, *p2;
    DWORD n1, n2;
    EXPECT_EQ(primary->Lock(0, 4, &p1, &n1, &p2, &n2, 0), DSERR_PRIOLEVELNEEDED);
    EXPECT_EQ(primary->Release(), 0u);
    // The format stays after the primary buffer is gone.
    ASSERT_EQ(ds->CreateSoundBuffer(&desc, &primary, nullptr), DS_OK);
    ASSERT_EQ(primary->GetFormat(&got, sizeof got, &written), DS_OK);
    EXPECT_EQ(got.nSamplesPerSec, 44100u);
    EXPECT_EQ(got.nChannels, 2);
    primary->Release();
}

TEST_F(DirectSoundTest, SecondaryBuffersCheckTheirDescription) {
    UseDummyAudio();
    Open();
    WAVEFORMATEX format = Pcm(2, 44100, 16);
    DSBUFFERDESC desc = {};
    desc.dwSize = 36;  // neither form's size on this platform
    desc.dwFlags = kAllControls;
    desc.dwBufferBytes = 4096;
    desc.lpwfxFormat = &format;
    IDirectSoundBuffer* buffer = nullptr;
    EXPECT_EQ(ds->CreateSoundBuffer(&desc, &buffer, nullptr), DSERR_INVALIDPARAM);
    desc.dwSize = sizeof(DSBUFFERDESC1);
    ASSERT_EQ(ds->CreateSoundBuffer(&desc, &buffer, nullptr), DS_OK);
    buffer->Release();
    desc.dwSize = sizeof desc;
    desc.dwBufferBytes = 2;
    EXPECT_EQ(ds->CreateSoundBuffer(&desc, &buffer, nullptr), DSERR_INVALIDPARAM);
    desc.dwBufferBytes = 4096;
    format.wBitsPerSample = 24;
    EXPECT_EQ(ds->CreateSoundBuffer(&desc, &buffer, nullptr), DSERR_BADFORMAT);
    format = Pcm(6, 44100, 16);
    EXPECT_EQ(ds->CreateSoundBuffer(&desc, &buffer, nullptr), DSERR_BADFORMAT);
    desc.lpwfxFormat = nullptr;
    EXPECT_EQ(ds->CreateSoundBuffer(&desc, &buffer, nullptr), DSERR_BADFORMAT);
    EXPECT_EQ(buffer, nullptr);

    IDirectSoundBuffer* plain = Make(DSBCAPS_STATIC, 4096);
    EXPECT_EQ(plain->SetVolume(-100), DSERR_CONTROLUNAVAIL);
    EXPECT_EQ(plain->SetPan(100), DSERR_CONTROLUNAVAIL);
    EXPECT_EQ(plain->SetFrequency(22050), DSERR_CONTROLUNAVAIL);
    DSBCAPS caps = {};
    caps.dwSize = sizeof caps;
    ASSERT_EQ(plain->GetCaps(&caps), DS_OK);
    EXPECT_EQ(caps.dwBufferBytes, 4096u);
    EXPECT_TRUE(caps.dwFlags & DSBCAPS_STATIC);
}

TEST_F(DirectSoundTest, LockGivesTwoRegionsWhenTheRangeWraps) {
    UseDummyAudio();
    Open();
    IDirectSoundBuffer* b = Make(DSBCAPS_GETCURRENTPOSITION2 | kAllControls, 0x20000);
    void *p1 = nullptr, *p2 = nullptr;
    DWORD n1 = 0, n2 = 0;
    ASSERT_EQ(b->Lock(30000, 10000, &p1, &n1, &p2, &n2, 0), DS_OK);
    EXPECT_EQ(n1, 10000u);
    EXPECT_EQ(n2, 0u);
    EXPECT_EQ(p2, nullptr);
    EXPECT_EQ(b->Unlock(p1, n1, p2, n2), DS_OK);
    ASSERT_EQ(b->Lock(120000, 16072, &p1, &n1, &p2, &n2, 0), DS_OK);
    EXPECT_EQ(n1, 11072u);
    EXPECT_EQ(n2, 5000u);
    EXPECT_EQ(static_cast<char*>(p1) - static_cast<char*>(p2), 120000);
    EXPECT_EQ(b->Unlock(p1, n1, p2, n2), DS_OK);
    ASSERT_EQ(b->Lock(0, 0, &p1, &n1, &p2, &n2, DSBLOCK_ENTIREBUFFER), DS_OK);
    EXPECT_EQ(n1, 0x20000u);
    EXPECT_EQ(n2, 0u);
    EXPECT_EQ(b->Unlock(p1, n1, p2, n2), DS_OK);

    EXPECT_EQ(b->Lock(0x20000, 4, &p1, &n1, &p2, &n2, 0), DSERR_INVALIDPARAM);
    EXPECT_EQ(b->Lock(0, 0x20001, &p1, &n1, &p2, &n2, 0), DSERR_INVALIDPARAM);
    EXPECT_EQ(b->Lock(0, 0, &p1, &n1, &p2, &n2, 0), DSERR_INVALIDPARAM);
    EXPECT_EQ(b->Lock(0x1FFFC, 8, &p1, &n1, nullptr, nullptr, 0), DSERR_INVALIDPARAM);
    char elsewhere[4];
    EXPECT_EQ(b->Unlock(elsewhere, 4, nullptr, 0), DSERR_INVALIDPARAM);
}

TEST_F(DirectSoundTest, ControlsCursorsStatusAndDuplicates) {
    UseDummyAudio();
    Open();
    IDirectSoundBuffer* b = Make(DSBCAPS_STATIC | kAllControls, 8000, Pcm(1, 22050, 16));
    LONG value = 1;
    DWORD hz = 0;
    ASSERT_EQ(b->GetVolume(&value), DS_OK);
    EXPECT_EQ(value, 0);
    EXPECT_EQ(b->SetVolume(-10001), DSERR_INVALIDPARAM);
    EXPECT_EQ(b->SetVolume(1), DSERR_INVALIDPARAM);
    EXPECT_EQ(b->SetVolume(-512), DS_OK);
    EXPECT_EQ(b->SetPan(10001), DSERR_INVALIDPARAM);
    EXPECT_EQ(b->SetPan(-2500), DS_OK);
    EXPECT_EQ(b->SetFrequency(99), DSERR_INVALIDPARAM);
    EXPECT_EQ(b->SetFrequency(200001), DSERR_INVALIDPARAM);
    ASSERT_EQ(b->GetFrequency(&hz), DS_OK);
    EXPECT_EQ(hz, 22050u);
    EXPECT_EQ(b->SetFrequency(30000), DS_OK);

    EXPECT_EQ(b->SetCurrentPosition(8000), DSERR_INVALIDPARAM);
    EXPECT_EQ(b->SetCurrentPosition(4001), DS_OK);
    DWORD play = 0, write = 0;
    ASSERT_EQ(b->GetCurrentPosition(&play, &write), DS_OK);
    EXPECT_EQ(play, 4000u);  // whole frames only
    EXPECT_EQ(write, 4000u);
    DWORD status = 99;
    ASSERT_EQ(b->GetStatus(&status), DS_OK);
    EXPECT_EQ(status, 0u);
    ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    ASSERT_EQ(b->GetStatus(&status), DS_OK);
    EXPECT_EQ(status, static_cast<DWORD>(DSBSTATUS_PLAYING | DSBSTATUS_LOOPING));
    ASSERT_EQ(b->GetCurrentPosition(&play, &write), DS_OK);
    EXPECT_NE(play, write);  // the mixer works ahead of the play cursor
    EXPECT_EQ(b->Stop(), DS_OK);
    ASSERT_EQ(b->GetStatus(&status), DS_OK);
    EXPECT_EQ(status, 0u);

    IDirectSoundBuffer* copy = nullptr;
    ASSERT_EQ(ds->DuplicateSoundBuffer(b, &copy), DS_OK);
    buffers.push_back(copy);
    ASSERT_EQ(copy->GetVolume(&value), DS_OK);
    EXPECT_EQ(value, -512);
    ASSERT_EQ(copy->GetPan(&value), DS_OK);
    EXPECT_EQ(value, -2500);
    ASSERT_EQ(copy->GetCurrentPosition(&play, nullptr), DS_OK);
    EXPECT_EQ(play, 0u);
    Write(b, 0, {1234, -1234});
    void *p1, *p2;
    DWORD n1, n2;
    ASSERT_EQ(copy->Lock(0, 4, &p1, &n1, &p2, &n2, 0), DS_OK);
    int16_t shared[2];
    memcpy(shared, p1, 4);
    EXPECT_EQ(shared[0], 1234);  // the duplicate plays the same data
    EXPECT_EQ(shared[1], -1234);
    copy->Unlock(p1, n1, p2, n2);
}

// A ramp in both channels, distinct per frame, never zero.
std::vector<int16_t> Ramp(int frames) {
    std::vector<int16_t> s(static_cast<size_t>(frames) * 2);
    for (int i = 0; i < frames; ++i) {
        s[2 * i] = static_cast<int16_t>(1 + (i * 37) % 20000);
        s[2 * i + 1] = static_cast<int16_t>(-1 - (i * 53) % 20000);
    }
    return s;
}

double Db(double ratio) {
    return 20.0 * std::log10(ratio);
}

TEST_F(DirectSoundTest, MixerOutputIsCapturedFromTheDevice) {
    TempFolder folder;
    UseDiskAudio(folder / "out.raw");
    Open();
    const int frames = 4410;  // 0.1 s
    std::vector<int16_t> ramp = Ramp(frames);
    IDirectSoundBuffer* full = Make(DSBCAPS_STATIC | kAllControls, frames * 4);
    Write(full, 0, ramp);
    IDirectSoundBuffer* quiet = nullptr;
    ASSERT_EQ(ds->DuplicateSoundBuffer(full, &quiet), DS_OK);
    buffers.push_back(quiet);
    ASSERT_EQ(quiet->SetVolume(-600), DS_OK);
    ASSERT_EQ(quiet->SetPan(DSBPAN_RIGHT), DS_OK);  // left channel silent
    IDirectSoundBuffer* slow = nullptr;
    ASSERT_EQ(ds->DuplicateSoundBuffer(full, &slow), DS_OK);
    buffers.push_back(slow);
    ASSERT_EQ(slow->SetFrequency(22050), DS_OK);

    // One after the other: each plays once and stops by itself.
    for (IDirectSoundBuffer* b : {full, quiet, slow}) {
        ASSERT_EQ(b->Play(0, 0, 0), DS_OK);
        DWORD status = DSBSTATUS_PLAYING;
        for (int i = 0; i < 200 && (status & DSBSTATUS_PLAYING); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            ASSERT_EQ(b->GetStatus(&status), DS_OK);
        }
        EXPECT_EQ(status & DSBSTATUS_PLAYING, 0u);
        DWORD play = 1;
        b->GetCurrentPosition(&play, nullptr);
        EXPECT_EQ(play, 0u);  // a finished one-shot buffer is rewound
    }
    for (IDirectSoundBuffer* b : buffers) b->Release();
    buffers.clear();
    ds->Release();
    ds = nullptr;

    std::vector<int16_t> out = ReadSamples(folder / "out.raw");
    size_t start = FirstSound(out);
    ASSERT_LT(start + ramp.size(), out.size());
    ASSERT_EQ(start % 2, 0u);
    EXPECT_TRUE(std::equal(ramp.begin(), ramp.end(), out.begin() + static_cast<long>(start)))
        << "full-volume output differs from the buffer";
    EXPECT_EQ(out[start + ramp.size()], 0);

    // The quieter copy: right channel only, 6 dB down.
    start = FirstSound(out, start + ramp.size());
    ASSERT_LT(start + ramp.size(), out.size());
    double gain = std::pow(10.0, -600 / 2000.0);
    int worst = 0;
    size_t right = start % 2 == 1 ? start : start + 1;
    for (int i = 0; i < frames; ++i) {
        EXPECT_EQ(out[right - 1 + 2 * i], 0);
        worst = std::max(worst, std::abs(out[right + 2 * i] -
                                         static_cast<int>(std::lrint(ramp[2 * i + 1] * gain))));
    }
    EXPECT_LE(worst, 1);
    EXPECT_NEAR(Db(static_cast<double>(out[right + 200]) / ramp[201]), -6.0, 0.01);

    // Half the frequency: twice as long, every other output frame a source frame.
    start = FirstSound(out, right + 2 * frames);
    ASSERT_LT(start + 4 * frames, out.size());
    for (int i = 0; i + 1 < frames; ++i) {
        ASSERT_EQ(out[start + 4 * i], ramp[2 * i]) << i;
        ASSERT_EQ(out[start + 4 * i + 2], std::nearbyint((ramp[2 * i] + ramp[2 * i + 2]) / 2.0f))
            << i;
    }
}

// A termination signal silences the device at once, while a looping buffer
// still plays and before the program has stopped anything itself. In a child
// process: the watcher that receives the signal lasts for the process.
TEST_F(DirectSoundTest, ARequestToQuitSilencesTheOutputAtOnce) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    TempFolder folder;
    const std::string file = folder / "out.raw";
    EXPECT_EXIT(
        {
            Win32QuitOnTerminationSignals();
            UseDiskAudio(file);
            Open();
            IDirectSoundBuffer* loop = Make(kAllControls, 4410 * 4);
            Write(loop, 0, std::vector<int16_t>(4410 * 2, 1000));
            loop->Play(0, 0, DSBPLAY_LOOPING);
            auto written = [&file] {
                struct stat about {};
                return stat(file.c_str(), &about) == 0 ? static_cast<size_t>(about.st_size) : 0u;
            };
            auto waitFor = [&](size_t bytes) {
                for (int i = 0; i < 5000 && written() < bytes; ++i) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                }
            };
            waitFor(16384);
            kill(getpid(), SIGTERM);
            while (!Win32TerminationPending()) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            // The period being mixed and the one written may still sound.
            const size_t silentFrom = written() + 2 * 4 * 512;
            waitFor(silentFrom + 16384);
            DWORD status = 0;
            loop->GetStatus(&status);
            const std::vector<int16_t> out = ReadSamples(file);
            const bool soundedBefore = FirstSound(out) < silentFrom / 2;
            const bool silentAfter = FirstSound(out, silentFrom / 2) == out.size();
            std::_Exit((status & DSBSTATUS_PLAYING) && soundedBefore && silentAfter ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
