// The sound system: volume mapping, the registry, groups, static and streaming
// sounds, the ring buffer refill, stopping, clones, shutdown, and the output
// of a streaming Ogg sound captured from the real mixer.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "sound/sound.h"
#include "sound/sound_dx.h"
#include "tests/sound/audio_capture.h"
#include "tests/sound/ogg_maker.h"
#include "tests/support/temp_folder.h"

namespace {

const HWND kWindow = reinterpret_cast<HWND>(0x5150);

LONG BufferVolume(CSound* sound) {
    LONG value = 1;
    auto* dx = static_cast<CSoundDX*>(sound);
    EXPECT_NE(dx->buffer, nullptr);
    if (dx->buffer) dx->buffer->GetVolume(&value);
    return value;
}

DWORD BufferBytes(CSoundDX* sound) {
    DSBCAPS caps = {};
    caps.dwSize = sizeof caps;
    sound->buffer->GetCaps(&caps);
    return caps.dwBufferBytes;
}

// A reader that hands out one marker byte, counting what was asked of it.
class MarkerReader : public CFileSND {
public:
    explicit MarkerReader(int32_t length) {
        total = length;
        format.wFormatTag = WAVE_FORMAT_PCM;
        format.nChannels = 2;
        format.nSamplesPerSec = 44100;
        format.wBitsPerSample = 16;
        format.nBlockAlign = 4;
        format.nAvgBytesPerSec = 176400;
    }
    void RewindStream() override {
        position = 0;
        ++rewinds;
    }
    int ReadStream(char* buffer, int length, int) override {
        memset(buffer, marker, static_cast<size_t>(length));
        requested += length;
        position += length;
        return length;
    }
    char marker = 'M';
    int64_t requested = 0;
    int rewinds = 0;
};

// The whole ring's bytes.
std::string RingBytes(CSoundDX* sound) {
    void *p1, *p2;
    DWORD n1, n2;
    EXPECT_EQ(sound->buffer->Lock(0, 0, &p1, &n1, &p2, &n2, DSBLOCK_ENTIREBUFFER), DS_OK);
    std::string bytes(static_cast<char*>(p1), n1);
    sound->buffer->Unlock(p1, n1, p2, n2);
    return bytes;
}

TEST(SoundVolume, MapsVolumeToHundredthsOfADecibelAndBack) {
    const std::pair<float, int> table[] = {{0.0f, -10000}, {0.01f, -4881}, {0.1f, -1973},
                                           {0.25f, -1093}, {0.5f, -512},   {0.75f, -208},
                                           {0.9f, -73},    {1.0f, 0}};
    for (auto [volume, hundredths] : table) EXPECT_EQ(VolumeToDb(volume), hundredths) << volume;
    // Outside 0..1 the ends of the range hold.
    EXPECT_EQ(VolumeToDb(-0.5f), -10000);
    EXPECT_EQ(VolumeToDb(2.0f), 0);
    EXPECT_EQ(VolumeToDb(std::nanf("")), -10000);
    EXPECT_FLOAT_EQ(DbToVolume(0), 1.0f);
    EXPECT_FLOAT_EQ(DbToVolume(-10000), 0.0f);
    EXPECT_FLOAT_EQ(DbToVolume(-512), 128.0f / 255.0f);
    for (int step = 0; step <= 255; ++step) {
        float volume = step / 255.0f;
        EXPECT_NEAR(DbToVolume(VolumeToDb(volume)), volume, 1.01f / 255.0f) << step;
    }
}

TEST(SoundRegistryTest, NamesLookupGrowthAndRelease) {
    // The system is off: sounds exist but have no buffer.
    EXPECT_EQ(CreateSound(nullptr, 0), nullptr);
    EXPECT_EQ(CreateSound("", 0), nullptr);
    EXPECT_EQ(CreateSound(std::string(64, 'a').c_str(), 0), nullptr);
    EXPECT_EQ(CreateSound("a.ogg", 3), nullptr);
    CSound* longest = CreateSound(std::string(63, 'a').c_str(), 0);
    ASSERT_NE(longest, nullptr);
    EXPECT_EQ(strlen(longest->fileName), 63u);

    CSound* first = CreateSound("sound/One.ogg", 2);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->Group(), 2);
    EXPECT_STREQ(first->key, "sound/One.ogg");
    EXPECT_EQ(FindSound("SOUND/one.OGG"), first);
    EXPECT_EQ(FindSound("sound/two.ogg"), nullptr);
    EXPECT_EQ(static_cast<CSoundDX*>(first)->buffer, nullptr);
    first->Play(1);
    EXPECT_EQ(first->IsPlaying(), 0);
    EXPECT_FLOAT_EQ(first->GetVolume(), 1.0f);
    EXPECT_FLOAT_EQ(first->GetFrequency(), 100.0f);

    SoundRegistry& r = GetSoundRegistry();
    EXPECT_EQ(r.capacity, 100);
    EXPECT_EQ(r.count, 2);
    std::vector<CSound*> many;
    char name[16];
    for (int i = 0; i < 99; ++i) {
        snprintf(name, sizeof name, "s%d.ogg", i);
        many.push_back(CreateSound(name, 0));
    }
    EXPECT_EQ(r.count, 101);
    EXPECT_EQ(r.capacity, 150);
    EXPECT_EQ(r.entries[1], first);
    for (int i = 0; i < 50; ++i) {
        snprintf(name, sizeof name, "t%d.ogg", i);
        many.push_back(CreateSound(name, 0));
    }
    EXPECT_EQ(r.capacity, 225);

    ReleaseSound(first);
    EXPECT_EQ(r.entries[1], nullptr);
    EXPECT_EQ(FindSound("sound/one.ogg"), nullptr);
    CSound* reused = CreateSound("again.ogg", 0);
    EXPECT_EQ(r.entries[1], reused);  // the freed entry is taken again
    EXPECT_EQ(r.count, 151);
    CSoundDX stranger;
    ReleaseSound(&stranger);  // not registered: left alone
    ReleaseSound(nullptr);
    ShutdownSound();
    for (int i = 0; i < r.count; ++i) EXPECT_EQ(r.entries[i], nullptr);
}

class SoundSystemTest : public ::testing::Test {
protected:
    void SetUp() override {
        UseDummyAudio();
        ogg = EncodeOgg(MakeSignal(44100, 2, 1.0), 44100, 2);
        folder.WriteFile("media/sound/ocean.ogg", ogg);
        folder.WriteFile("media/sound/short.ogg", EncodeOgg(MakeSignal(44100, 2, 0.3), 44100, 2));
        InitSound(kWindow);
        ASSERT_NE(GetDirectSound(), nullptr);
        ASSERT_TRUE(IsFeederRunning());
    }
    void TearDown() override {
        ShutdownSound();
        EXPECT_EQ(GetDirectSound(), nullptr);
        EXPECT_FALSE(IsFeederRunning());
    }

    TempFolder folder;
    std::string ogg;
};

TEST_F(SoundSystemTest, GroupsSetTheBufferVolume) {
    CSound* unset = CreateSound("sound/short.ogg", 2);
    EXPECT_EQ(BufferVolume(unset), -10000);  // a group never set is silent
    SetGroupVolume(0.5f, 1);
    CSound* ocean = CreateSound("sound/ocean.ogg", 1);
    EXPECT_EQ(BufferVolume(ocean), -512);
    EXPECT_FLOAT_EQ(GetGroupVolume(1), 0.5f);
    SetGroupVolume(1.0f, 1);
    EXPECT_EQ(BufferVolume(ocean), 0);
    ocean->SetVolume(0.25f);
    EXPECT_EQ(BufferVolume(ocean), -1093);
    EXPECT_NEAR(ocean->GetVolume(), 0.25f, 1.0f / 255.0f);
    SetGroupVolume(0.5f, 1);  // every sound's own volume stays
    EXPECT_EQ(BufferVolume(ocean), VolumeToDb(0.125f));
    SetGroupVolume(0.0f, 1);
    EXPECT_EQ(BufferVolume(ocean), -10000);
    const float stored = ocean->volume;
    EXPECT_NEAR(stored, 0.25f, 1.0f / 255.0f);
    EXPECT_FLOAT_EQ(ocean->GetVolume(), stored);  // a silent group keeps the stored volume
    EXPECT_EQ(BufferVolume(unset), -10000);
    SetGroupVolume(1.0f, 7);  // no such group: nothing changes
    EXPECT_EQ(BufferVolume(ocean), -10000);

    ocean->SetPan(1.0f);
    LONG pan = 0;
    static_cast<CSoundDX*>(ocean)->buffer->GetPan(&pan);
    EXPECT_EQ(pan, 10000);
    ocean->SetPan(-0.5f);
    static_cast<CSoundDX*>(ocean)->buffer->GetPan(&pan);
    EXPECT_EQ(pan, -512);
    EXPECT_NEAR(ocean->GetPan(), -0.5f, 1.0f / 255.0f);
    ocean->SetFrequency(0.5f);
    EXPECT_FLOAT_EQ(ocean->GetFrequency(), 0.5f);
    ocean->SetFrequency(100.0f);
    EXPECT_FLOAT_EQ(ocean->GetFrequency(), 200000.0f / 44100.0f);
}

TEST_F(SoundSystemTest, GroupOneStreamsAndOtherGroupsStreamOnlyLongSounds) {
    auto* streaming = static_cast<CSoundDX*>(CreateSound("sound/short.ogg", 1));
    ASSERT_NE(streaming->buffer, nullptr);
    EXPECT_NE(streaming->reader, nullptr);
    EXPECT_EQ(BufferBytes(streaming), 131072u);
    EXPECT_EQ(streaming->writeCount, 131072);
    streaming->LoadSound();  // loading again replaces the buffer and the reader
    ASSERT_NE(streaming->buffer, nullptr);
    EXPECT_EQ(streaming->writeCount, 131072);
    EXPECT_EQ(streaming->reader->position, 52920);

    auto* once = static_cast<CSoundDX*>(CreateSound("sound/short.ogg", 0));
    EXPECT_NE(once, streaming);  // a clone of the first, which streams
    ReleaseSound(streaming);
    ReleaseSound(once);
    auto* fixed = static_cast<CSoundDX*>(CreateSound("sound/short.ogg", 0));
    ASSERT_NE(fixed->buffer, nullptr);
    EXPECT_EQ(fixed->reader, nullptr);
    EXPECT_EQ(BufferBytes(fixed), 52920u);
    std::string bytes = RingBytes(fixed);
    folder.WriteFile("short.ogg", folder.ReadFile("media/sound/short.ogg"));
    EXPECT_TRUE(bytes == DecodeOgg(folder.ReadFile("short.ogg")));

    // Over 1 MiB of PCM streams in any group (a WAVE file from disk).
    std::string data(0x100004, '\x01');
    PcmFormat f = {WAVE_FORMAT_PCM, 2, 44100, 176400, 4, 16, 0};
    std::string wav;
    auto put = [&wav](const void* bytes, size_t n) {
        wav.append(static_cast<const char*>(bytes), n);
    };
    const uint32_t sizes[3] = {static_cast<uint32_t>(4 + 8 + 16 + 8 + data.size()), 16,
                               static_cast<uint32_t>(data.size())};
    put("RIFF", 4);
    put(&sizes[0], 4);
    put("WAVEfmt ", 8);
    put(&sizes[1], 4);
    put(&f, 16);
    put("data", 4);
    put(&sizes[2], 4);
    wav += data;
    folder.WriteFile("long.wav", wav);
    folder.WriteFile("small.wav", wav.substr(0, 44 + 1000));  // data cut short
    auto* longWav = static_cast<CSoundDX*>(CreateSound("long.wav", 0));
    ASSERT_NE(longWav->buffer, nullptr);
    EXPECT_NE(longWav->reader, nullptr);
    EXPECT_EQ(BufferBytes(longWav), 131072u);

    // Unknown or unreadable files: the sound exists without a buffer.
    CSound* bad = CreateSound("sound/missing.ogg", 1);
    ASSERT_NE(bad, nullptr);
    EXPECT_EQ(static_cast<CSoundDX*>(bad)->buffer, nullptr);
    EXPECT_EQ(static_cast<CSoundDX*>(bad)->reader, nullptr);
    bad->Play(1);
    EXPECT_EQ(bad->IsPlaying(), 0);
    EXPECT_EQ(static_cast<CSoundDX*>(CreateSound("noise.mp3", 0))->buffer, nullptr);
}

TEST_F(SoundSystemTest, CreatingTheSameNameAgainClonesTheSound) {
    SetGroupVolume(1.0f, 1);
    auto* first = static_cast<CSoundDX*>(CreateSound("sound/ocean.ogg", 1));
    first->SetVolume(0.5f);
    first->Play(1);
    auto* second = static_cast<CSoundDX*>(CreateSound("SOUND/Ocean.OGG", 0));
    ASSERT_NE(second, first);
    EXPECT_EQ(second->Group(), 1);
    EXPECT_STREQ(second->key, "sound/ocean.ogg");
    EXPECT_FLOAT_EQ(second->volume, 0.5f);
    EXPECT_EQ(BufferVolume(second), -512);
    ASSERT_NE(second->reader, nullptr);
    EXPECT_NE(second->reader, first->reader);
    EXPECT_NE(second->buffer, first->buffer);
    EXPECT_EQ(second->writeCount, 131072);
    EXPECT_TRUE(second->flags & kSoundLoop);
    EXPECT_FALSE(second->flags & kSoundPlaying);

    // A static sound's clone shares its data through a duplicate buffer.
    auto* fixed = static_cast<CSoundDX*>(CreateSound("sound/short.ogg", 0));
    auto* copy = static_cast<CSoundDX*>(CreateSound("sound/short.ogg", 0));
    ASSERT_NE(copy->buffer, nullptr);
    EXPECT_NE(copy->buffer, fixed->buffer);
    EXPECT_EQ(copy->reader, nullptr);
    EXPECT_TRUE(RingBytes(copy) == RingBytes(fixed));
}

class FeedTest : public SoundSystemTest {
protected:
    void SetUp() override {
        SoundSystemTest::SetUp();
        sound = static_cast<CSoundDX*>(CreateSound("sound/ocean.ogg", 1));
        ASSERT_NE(sound->reader, nullptr);
        // The test drives the sound's fields itself: the feeder waits meanwhile.
        hold = std::unique_lock<std::recursive_mutex>(SoundLock());
        delete sound->reader;
        reader = new MarkerReader(176400);
        sound->reader = reader;
    }
    void TearDown() override {
        hold.unlock();
        SoundSystemTest::TearDown();
    }
    // Fills the ring with 'o', sets the play position p and the write count.
    void Place(DWORD p, int64_t written) {
        void *p1, *p2;
        DWORD n1, n2;
        ASSERT_EQ(sound->buffer->Lock(0, 0, &p1, &n1, &p2, &n2, DSBLOCK_ENTIREBUFFER), DS_OK);
        memset(p1, 'o', n1);
        sound->buffer->Unlock(p1, n1, p2, n2);
        ASSERT_EQ(sound->buffer->SetCurrentPosition(p), DS_OK);
        sound->writeCount = written;
        reader->requested = 0;
    }

    std::unique_lock<std::recursive_mutex> hold;
    CSoundDX* sound = nullptr;
    MarkerReader* reader = nullptr;
};

TEST_F(FeedTest, RefillsTheRingUpToThePlayPosition) {
    sound->flags |= kSoundLoop;
    Place(40000, 131072 * 3 + 40000);  // p = w
    sound->FeedStream();
    EXPECT_EQ(reader->requested, 0);
    EXPECT_EQ(RingBytes(sound), std::string(131072, 'o'));

    Place(40000, 131072 + 30000);
    sound->FeedStream();
    EXPECT_EQ(reader->requested, 10000);
    EXPECT_EQ(sound->writeCount, 131072 + 40000);
    EXPECT_EQ(RingBytes(sound),
              std::string(30000, 'o') + std::string(10000, 'M') + std::string(91072, 'o'));

    Place(5000, 120000);
    sound->FeedStream();
    EXPECT_EQ(reader->requested, 16072);
    EXPECT_EQ(sound->writeCount, 136072);
    EXPECT_EQ(RingBytes(sound),
              std::string(5000, 'M') + std::string(115000, 'o') + std::string(11072, 'M'));
}

TEST_F(FeedTest, ALoopingStreamNeverStopsAndAOneShotStopsAtItsEnd) {
    // Play positions a feeder interval (8 820 bytes) apart, from the start.
    auto run = [&](int steps) {
        sound->StopSound();
        reader->rewinds = 0;
        for (int i = 1; i <= steps && reader->rewinds == 0; ++i) {
            ASSERT_EQ(sound->buffer->SetCurrentPosition(static_cast<DWORD>(i * 8820 % 131072)),
                      DS_OK);
            sound->FeedStream();
        }
    };
    sound->Play(1);
    sound->Pause();
    run(100);
    EXPECT_EQ(reader->rewinds, 0);
    EXPECT_GT(sound->writeCount, 3 * 176400);

    sound->Play(0);
    sound->Pause();
    int stoppedAt = 0;
    sound->StopSound();
    reader->rewinds = 0;
    for (int i = 1; i <= 100 && reader->rewinds == 0; ++i) {
        ASSERT_EQ(sound->buffer->SetCurrentPosition(static_cast<DWORD>(i * 8820 % 131072)), DS_OK);
        sound->FeedStream();
        stoppedAt = i;
    }
    // X, the play position from the start plus the range just filled,
    // is 8 820 * i + 8 820: it reaches the total of 176 400 at i = 19.
    EXPECT_EQ(stoppedAt, 19);
    EXPECT_EQ(reader->rewinds, 1);
    DWORD play = 1;
    sound->buffer->GetCurrentPosition(&play, nullptr);
    EXPECT_EQ(play, 0u);
    EXPECT_EQ(sound->writeCount, 131072);  // refilled from the start
    EXPECT_EQ(sound->IsPlaying(), 0);
}

TEST_F(SoundSystemTest, AOneShotStreamStopsItselfAndIsRewound) {
    SetGroupVolume(1.0f, 1);
    auto* sound = static_cast<CSoundDX*>(CreateSound("sound/short.ogg", 1));
    sound->Play(0);
    EXPECT_EQ(sound->IsPlaying(), -1);
    EXPECT_TRUE(sound->flags & kSoundStreaming);
    int waited = 0;
    while (sound->IsPlaying() && waited < 3000) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        waited += 20;
    }
    EXPECT_EQ(sound->IsPlaying(), 0);
    std::lock_guard<std::recursive_mutex> hold(SoundLock());
    EXPECT_FALSE(sound->flags & kSoundStreaming);
    EXPECT_EQ(sound->writeCount, 131072);
    EXPECT_EQ(sound->reader->position, 52920);  // rewound and the ring filled again
    DWORD play = 1;
    sound->buffer->GetCurrentPosition(&play, nullptr);
    EXPECT_EQ(play, 0u);
}

TEST_F(SoundSystemTest, ShutdownReleasesEverySound) {
    SetGroupVolume(1.0f, 1);
    CSound* a = CreateSound("sound/ocean.ogg", 1);
    CSound* b = CreateSound("sound/ocean.ogg", 1);
    CreateSound("sound/short.ogg", 0);
    a->Play(1);
    b->Play(0);
    std::this_thread::sleep_for(std::chrono::milliseconds(120));
    ShutdownSound();
    SoundRegistry& r = GetSoundRegistry();
    for (int i = 0; i < r.count; ++i) EXPECT_EQ(r.entries[i], nullptr);
    EXPECT_EQ(FindSound("sound/ocean.ogg"), nullptr);
    // The system can start again.
    InitSound(kWindow);
    EXPECT_NE(GetDirectSound(), nullptr);
}

// A process that exits while sound plays, without ShutdownSound (its display
// server went away and the display library called exit), stops the feeder
// and the device before the static objects go, instead of aborting.
TEST_F(SoundSystemTest, ExitingWhileASoundPlaysStopsTheSystemFirst) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            SetGroupVolume(1.0f, 1);
            CreateSound("sound/ocean.ogg", 1)->Play(1);
            std::this_thread::sleep_for(std::chrono::milliseconds(120));
            std::exit(1);
        },
        ::testing::ExitedWithCode(1), "");
}

TEST(SoundSystemOff, NoAudioDeviceLeavesTheSystemOffSilently) {
    TempFolder folder;
    folder.WriteFile("media/sound/ocean.ogg", EncodeOgg(MakeSignal(44100, 2, 0.2), 44100, 2));
    UseNoAudio();
    CSound* early = CreateSound("sound/early.ogg", 0);
    ASSERT_NE(early, nullptr);
    InitSound(kWindow);
    EXPECT_EQ(GetDirectSound(), nullptr);
    EXPECT_EQ(FindSound("sound/early.ogg"), nullptr);  // a failed start shuts the system down
    EXPECT_FALSE(IsFeederRunning());
    auto* sound = static_cast<CSoundDX*>(CreateSound("sound/ocean.ogg", 1));
    ASSERT_NE(sound, nullptr);
    EXPECT_EQ(sound->buffer, nullptr);
    EXPECT_EQ(sound->reader, nullptr);
    sound->Play(1);
    EXPECT_EQ(sound->IsPlaying(), 0);
    ShutdownSound();
}

// The streaming Ogg sound as heard: captured from the mixer by the disk driver.
class CaptureTest : public ::testing::Test {
protected:
    void SetUp() override {
        ogg = EncodeOgg(MakeSignal(44100, 2, 1.0), 44100, 2);
        folder.WriteFile("media/sound/ocean.ogg", ogg);
        expected = ToSamples(DecodeOgg(ogg));
        ASSERT_EQ(expected.size(), 88200u);
    }
    // Plays the looping ocean sound at `volume` for `milliseconds`.
    std::vector<int16_t> Capture(float volume, int milliseconds) {
        UseDiskAudio(folder / "out.raw");
        InitSound(kWindow);
        EXPECT_NE(GetDirectSound(), nullptr);
        SetGroupVolume(volume, 1);
        CSound* ocean = CreateSound("sound/ocean.ogg", 1);
        ocean->Play(1);
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
        EXPECT_EQ(ocean->IsPlaying(), -1);
        ocean->StopSound();
        ReleaseSound(ocean);
        ShutdownSound();
        return ReadSamples(folder / "out.raw");
    }
    // The decoded stream looped, from sample `from`, `count` samples.
    int16_t Expected(size_t index) const { return expected[index % expected.size()]; }

    TempFolder folder;
    std::string ogg;
    std::vector<int16_t> expected;
};

TEST_F(CaptureTest, FullVolumeOutputIsTheDecodedStreamLooped) {
    std::vector<int16_t> out = Capture(1.0f, 1450);
    size_t lead = FirstSound(expected);
    size_t start = FirstSound(out);
    ASSERT_GE(start, lead);
    start -= lead;
    ASSERT_EQ(start % 2, 0u);
    // 1.2 s: the whole stream, the seam, and the start again.
    const size_t count = 105840;
    ASSERT_GE(out.size(), start + count);
    size_t mismatches = 0;
    size_t firstMismatch = 0;
    for (size_t i = 0; i < count; ++i) {
        if (out[start + i] != Expected(i) && mismatches++ == 0) firstMismatch = i;
    }
    EXPECT_EQ(mismatches, 0u) << "first at sample " << firstMismatch;
}

TEST_F(CaptureTest, HalfGroupVolumeIsMinus512Hundredths) {
    std::vector<int16_t> out = Capture(0.5f, 700);
    size_t start = FirstSound(out);
    const size_t count = 44100;  // 0.5 s
    ASSERT_GE(out.size(), start + count);
    double heard = 0.0, source = 0.0;
    size_t lead = FirstSound(expected);
    for (size_t i = 0; i < count; ++i) {
        heard += static_cast<double>(out[start + i]) * out[start + i];
        source += static_cast<double>(Expected(lead + i)) * Expected(lead + i);
    }
    double db = 10.0 * std::log10(heard / source);
    EXPECT_NEAR(db, -5.12, 0.5);
}

}  // namespace
