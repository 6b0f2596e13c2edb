// Sound-file readers: extension matching, the decoder's memory callbacks, Ogg
// Vorbis from the media (files made with libvorbisenc and a real file from a
// Debian package checked against oggdec), WAVE files through the multimedia
// file calls.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "media/media_archive.h"
#include "sound/file_ogg.h"
#include "sound/file_snd.h"
#include "sound/file_wav.h"
#include "tests/sound/ogg_maker.h"
#include "tests/support/temp_folder.h"

namespace {

std::string Read(CFileSND& reader, int length, int loop, int* delivered = nullptr) {
    std::string bytes(static_cast<size_t>(length), '\x55');
    int n = reader.ReadStream(bytes.data(), length, loop);
    if (delivered) *delivered = n;
    return bytes;
}

TEST(HasExtension, ComparesTheTextAfterTheLastDot) {
    EXPECT_TRUE(HasExtension("sound/ocean.OGG", "ogg"));
    EXPECT_TRUE(HasExtension("a.wav.ogg", "ogg"));
    EXPECT_FALSE(HasExtension("a.wav.ogg", "wav"));
    EXPECT_FALSE(HasExtension("ogg", "ogg"));
    EXPECT_FALSE(HasExtension("x.og", "ogg"));
    EXPECT_FALSE(HasExtension("", "ogg"));
    EXPECT_FALSE(HasExtension(nullptr, "ogg"));
    EXPECT_FALSE(HasExtension("a.ogg", nullptr));
    EXPECT_FALSE(
        HasExtension("sound.ogg/ocean", "ogg"));  // the folder's dot is the last one: "ogg/ocean"
    EXPECT_FALSE(HasExtension("a.oggx", "ogg"));
}

TEST(CreateSoundReader, PicksTheReaderByExtension) {
    std::unique_ptr<CFileSND> wav(CreateSoundReader("x/Y.WAV"));
    std::unique_ptr<CFileSND> ogg(CreateSoundReader("sound/ocean.ogg"));
    EXPECT_NE(dynamic_cast<CFileWAV*>(wav.get()), nullptr);
    EXPECT_NE(dynamic_cast<CFileOGG*>(ogg.get()), nullptr);
    EXPECT_EQ(CreateSoundReader("sound/ocean.mp3"), nullptr);
    EXPECT_EQ(CreateSoundReader(nullptr), nullptr);
}

TEST(MemoryCallbacks, ReadSeekTellAndCloseFollowTheFileContract) {
    char bytes[100];
    for (int i = 0; i < 100; ++i) bytes[i] = static_cast<char>(i);
    MemoryStream s{bytes, 100, 0};

    EXPECT_EQ(MemSeek(&s, 0, SEEK_END), 0);
    EXPECT_EQ(MemTell(&s), 99);  // origin 2 counts from the last byte
    EXPECT_EQ(MemSeek(&s, 1, SEEK_END), -1);
    EXPECT_EQ(MemSeek(&s, -1, SEEK_SET), -1);
    EXPECT_EQ(MemSeek(&s, 100, SEEK_SET), -1);
    EXPECT_EQ(MemSeek(&s, 1, 7), -1);
    EXPECT_EQ(MemSeek(&s, 91, SEEK_SET), 0);
    EXPECT_EQ(MemSeek(&s, -2, SEEK_CUR), 0);
    EXPECT_EQ(MemTell(&s), 89);
    EXPECT_EQ(MemSeek(&s, 2, SEEK_CUR), 0);

    uint32_t items[10] = {};
    EXPECT_EQ(MemRead(items, 4, 10, &s), 2u);  // 9 bytes left: two whole items
    EXPECT_EQ(MemTell(&s), 99);
    EXPECT_EQ(items[0], 0x5e5d5c5bu);
    EXPECT_EQ(MemRead(items, 4, 10, &s), 0u);
    EXPECT_EQ(MemRead(nullptr, 4, 10, &s), 0u);
    EXPECT_EQ(MemRead(items, 4, 1, nullptr), 0u);
    // A request whose byte count does not fit in 32 bits is cut to what is left.
    MemSeek(&s, 0, SEEK_SET);
    std::vector<char> all(100);
    EXPECT_EQ(MemRead(all.data(), 1, size_t{1} << 40, &s), 100u);
    EXPECT_EQ(memcmp(all.data(), bytes, 100), 0);

    EXPECT_EQ(MemSeek(nullptr, 0, SEEK_SET), -1);
    EXPECT_EQ(MemClose(&s), 0);
    EXPECT_EQ(MemClose(nullptr), -1);
    EXPECT_EQ(MemTell(nullptr), -1);
}

class OggReaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        ogg = EncodeOgg(MakeSignal(44100, 2, 1.0), 44100, 2);
        folder.WriteFile("media/sound/ocean.ogg", ogg);
        pcm = DecodeOgg(ogg);
        ASSERT_EQ(pcm.size(), 176400u);
    }
    void TearDown() override { CloseMediaArchive(); }

    TempFolder folder;
    std::string ogg;
    std::string pcm;
};

TEST_F(OggReaderTest, OpensFromTheMediaAndDescribesTheStream) {
    CFileOGG reader;
    ASSERT_EQ(reader.OpenStream("sound/ocean.ogg"), 0);
    EXPECT_EQ(reader.total, 176400);
    EXPECT_EQ(reader.format.wFormatTag, WAVE_FORMAT_PCM);
    EXPECT_EQ(reader.format.nChannels, 2);
    EXPECT_EQ(reader.format.nSamplesPerSec, 44100u);
    EXPECT_EQ(reader.format.nAvgBytesPerSec, 176400u);
    EXPECT_EQ(reader.format.nBlockAlign, 4);
    EXPECT_EQ(reader.format.wBitsPerSample, 16);
    EXPECT_EQ(reader.format.cbSize, 0);
    int n = 0;
    EXPECT_EQ(Read(reader, 176400, 0, &n), pcm);
    EXPECT_EQ(n, 176400);
}

TEST_F(OggReaderTest, LoopedReadsJoinTheEndToTheStart) {
    CFileOGG reader;
    ASSERT_EQ(reader.OpenStream("sound/ocean.ogg"), 0);
    int n = 0;
    EXPECT_EQ(Read(reader, 131072, 1, &n), pcm.substr(0, 131072));
    EXPECT_EQ(n, 131072);
    std::string second = Read(reader, 131072, 1, &n);
    EXPECT_EQ(n, 131072);
    EXPECT_EQ(second.substr(0, 45328), pcm.substr(131072));
    EXPECT_EQ(second.substr(45328), pcm.substr(0, 85744));
    EXPECT_EQ(reader.position, 85744);
    // A read longer than the stream loops more than once.
    std::string long_read = Read(reader, 400000, 1, &n);
    EXPECT_EQ(n, 400000);
    EXPECT_EQ(long_read, (pcm + pcm + pcm).substr(85744, 400000));
}

TEST_F(OggReaderTest, UnloopedReadPadsWithSilence) {
    CFileOGG reader;
    ASSERT_EQ(reader.OpenStream("sound/ocean.ogg"), 0);
    Read(reader, 131072, 0);
    int n = 0;
    std::string second = Read(reader, 131072, 0, &n);
    EXPECT_EQ(n, 45328);
    EXPECT_EQ(second.substr(0, 45328), pcm.substr(131072));
    EXPECT_EQ(second.substr(45328), std::string(85744, '\0'));
    reader.RewindStream();
    EXPECT_EQ(Read(reader, 1000, 0), pcm.substr(0, 1000));
}

TEST_F(OggReaderTest, ReadsFromTheEncryptedArchive) {
    folder.WriteFile("src/sound/sea.ogg", ogg);
    ASSERT_EQ(RunCommand("cd src && zip -q -r -X -e -P plumbo3 ../Media.dat ."), 0);
    ASSERT_TRUE(OpenMediaArchive("Media.dat"));
    CFileOGG reader;
    ASSERT_EQ(reader.OpenStream("sound/sea.ogg"), 0);
    EXPECT_EQ(Read(reader, 176400, 0), pcm);
}

TEST_F(OggReaderTest, MissingAndDamagedFilesFailToOpen) {
    CFileOGG reader;
    EXPECT_EQ(reader.OpenStream("sound/none.ogg"), 1);
    folder.WriteFile("media/sound/text.ogg", "this is no Ogg stream at all");
    EXPECT_EQ(reader.OpenStream("sound/text.ogg"), 2);
    folder.WriteFile("media/sound/cut.ogg", ogg.substr(0, 60));
    EXPECT_EQ(reader.OpenStream("sound/cut.ogg"), 2);
    // A failed reader delivers silence, even when asked to loop.
    int n = -1;
    EXPECT_EQ(Read(reader, 64, 1, &n), std::string(64, '\0'));
    EXPECT_EQ(n, 0);
    // Reopening a reader drops the old stream and takes the new one.
    ASSERT_EQ(reader.OpenStream("sound/ocean.ogg"), 0);
    EXPECT_EQ(Read(reader, 4096, 0), pcm.substr(0, 4096));
    EXPECT_EQ(reader.CloseStream(7), 7);
    EXPECT_EQ(reader.CloseStream(3), 3);
}

TEST_F(OggReaderTest, AnEmptyStreamLoopsIntoSilence) {
    folder.WriteFile("media/sound/empty.ogg", EncodeOgg({}, 44100, 2));
    CFileOGG reader;
    ASSERT_EQ(reader.OpenStream("sound/empty.ogg"), 0);
    EXPECT_EQ(reader.total, 0);
    int n = -1;
    EXPECT_EQ(Read(reader, 1000, 1, &n), std::string(1000, '\0'));
    EXPECT_EQ(n, 0);
}

TEST_F(OggReaderTest, MonoStreamAtAnotherRate) {
    std::string mono = EncodeOgg(MakeSignal(22050, 1, 0.5), 22050, 1);
    folder.WriteFile("media/sound/mono.ogg", mono);
    CFileOGG reader;
    ASSERT_EQ(reader.OpenStream("sound/mono.ogg"), 0);
    EXPECT_EQ(reader.format.nChannels, 1);
    EXPECT_EQ(reader.format.nSamplesPerSec, 22050u);
    EXPECT_EQ(reader.format.nBlockAlign, 2);
    EXPECT_EQ(reader.format.nAvgBytesPerSec, 44100u);
    EXPECT_EQ(reader.total, 22050);
    EXPECT_EQ(Read(reader, reader.total, 0), DecodeOgg(mono));
}

// A real Ogg Vorbis file from Debian's sound theme, decoded by oggdec.
TEST(OggReaderRealFile, MatchesOggdec) {
    const std::string source = "/usr/share/sounds/freedesktop/stereo/complete.oga";
    TempFolder folder;
    ASSERT_EQ(RunCommand("mkdir -p media/sound && cp " + source + " media/sound/complete.ogg"), 0);
    ASSERT_EQ(RunCommand("oggdec -Q -R -b 16 -e 0 -s 1 -o decoded.raw media/sound/complete.ogg"),
              0);
    std::string expected = folder.ReadFile("decoded.raw");
    ASSERT_GT(expected.size(), 10000u);

    CFileOGG reader;
    ASSERT_EQ(reader.OpenStream("sound/complete.ogg"), 0);
    EXPECT_EQ(reader.format.nChannels, 2);
    EXPECT_EQ(reader.format.nSamplesPerSec, 44100u);
    ASSERT_EQ(static_cast<size_t>(reader.total), expected.size());
    int n = 0;
    std::string decoded = Read(reader, reader.total, 0, &n);
    EXPECT_EQ(n, reader.total);
    EXPECT_TRUE(decoded == expected) << "decoded PCM differs from oggdec's";
}

// WAVE files written by hand: chunks in any order, odd-sized chunks padded.
std::string Chunk(const std::string& id, const std::string& body) {
    uint32_t size = static_cast<uint32_t>(body.size());
    std::string out = id + std::string(reinterpret_cast<char*>(&size), 4) + body;
    if (body.size() & 1) out += '\0';
    return out;
}

std::string FormatBody(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits,
                       size_t size = 16) {
    PcmFormat f = {};
    f.wFormatTag = tag;
    f.nChannels = channels;
    f.nSamplesPerSec = rate;
    f.wBitsPerSample = bits;
    f.nBlockAlign = static_cast<uint16_t>(channels * bits / 8);
    f.nAvgBytesPerSec = rate * f.nBlockAlign;
    f.cbSize = 0x7777;
    return std::string(reinterpret_cast<char*>(&f), 18).substr(0, size) +
           std::string(size > 18 ? size - 18 : 0, 'e');
}

std::string Riff(const std::string& chunks) {
    return Chunk("RIFF", "WAVE" + chunks);
}

std::string Pattern(size_t n) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>(i * 7 + i / 251);
    return s;
}

TEST(WavReader, ReadsTheDataChunkWithoutLooping) {
    TempFolder folder;
    const std::string data = Pattern(30001);  // odd, larger than one I/O buffer
    folder.WriteFile(
        "sounds/beep.wav",
        Riff(Chunk("LIST", "INFOjunk!") + Chunk("fmt ", FormatBody(1, 2, 22050, 16, 18)) +
             Chunk("fact", "abcd") + Chunk("data", data) + Chunk("tail", "zz")));
    CFileWAV reader;
    ASSERT_EQ(reader.OpenStream("sounds\\beep.wav"), 0);  // Windows separators work
    EXPECT_EQ(reader.format.wFormatTag, WAVE_FORMAT_PCM);
    EXPECT_EQ(reader.format.nChannels, 2);
    EXPECT_EQ(reader.format.nSamplesPerSec, 22050u);
    EXPECT_EQ(reader.format.nBlockAlign, 4);
    EXPECT_EQ(reader.format.cbSize, 0);
    EXPECT_EQ(reader.total, 30001);

    int n = 0;
    std::string first = Read(reader, 20000, 1, &n);
    EXPECT_EQ(n, 20000);
    EXPECT_EQ(first, data.substr(0, 20000));
    std::string second = Read(reader, 20000, 1, &n);
    EXPECT_EQ(n, 10001);  // no loop: the rest of the buffer is untouched
    EXPECT_EQ(second.substr(0, 10001), data.substr(20000));
    EXPECT_EQ(second.substr(10001), std::string(9999, '\x55'));
    EXPECT_EQ(reader.position, 30001);

    reader.RewindStream();
    EXPECT_EQ(reader.position, 0);
    EXPECT_EQ(Read(reader, 30001, 0), data);
    EXPECT_EQ(reader.CloseStream(5), 5);
    EXPECT_EQ(reader.CloseStream(6), 6);  // a second close does nothing more
}

TEST(WavReader, RejectsFilesWithoutTheNeededChunks) {
    TempFolder folder;
    folder.WriteFile("nofmt.wav", Riff(Chunk("data", "abcd")));
    folder.WriteFile("nodata.wav", Riff(Chunk("fmt ", FormatBody(1, 1, 8000, 8))));
    folder.WriteFile("shortfmt.wav",
                     Riff(Chunk("fmt ", FormatBody(1, 1, 8000, 8, 14)) + Chunk("data", "ab")));
    folder.WriteFile("adpcm.wav",
                     Riff(Chunk("fmt ", FormatBody(2, 1, 8000, 4)) + Chunk("data", "ab")));
    folder.WriteFile("notriff.wav",
                     Chunk("JUNK", "WAVE") + Riff(Chunk("fmt ", FormatBody(1, 1, 8000, 8))));
    folder.WriteFile("empty.wav", "");
    // A data chunk beyond the RIFF chunk's end is not inside it.
    std::string outside = Riff(Chunk("fmt ", FormatBody(1, 1, 8000, 8))) + Chunk("data", "abcd");
    folder.WriteFile("outside.wav", outside);
    for (const char* name : {"nofmt.wav", "nodata.wav", "shortfmt.wav", "adpcm.wav", "notriff.wav",
                             "empty.wav", "outside.wav"}) {
        CFileWAV reader;
        EXPECT_EQ(reader.OpenStream(name), 2) << name;
        EXPECT_EQ(reader.ReadStream(nullptr, 0, 0), 0);
    }
    CFileWAV reader;
    EXPECT_EQ(reader.OpenStream("missing.wav"), 1);
}

TEST(WavReader, AFileCutShortEndsTheStreamWhereTheBytesEnd) {
    TempFolder folder;
    std::string file =
        Riff(Chunk("fmt ", FormatBody(1, 1, 8000, 8)) + Chunk("data", Pattern(20000)));
    folder.WriteFile("cut.wav", file.substr(0, file.size() - 5000));
    CFileWAV reader;
    ASSERT_EQ(reader.OpenStream("cut.wav"), 0);
    EXPECT_EQ(reader.total, 20000);
    int n = 0;
    std::string bytes = Read(reader, 20000, 0, &n);
    EXPECT_EQ(n, 15000);
    EXPECT_EQ(bytes.substr(0, 15000), Pattern(20000).substr(0, 15000));
}

TEST(Mmio, DescendsAscendsAndReadsThroughTheBuffer) {
    TempFolder folder;
    folder.WriteFile("f.wav", Riff(Chunk("abc ", "12345") + Chunk("def ", "xy")));
    char name[] = "f.wav";
    MMIOINFO open = {};
    open.cchBuffer = 4;  // a tiny buffer makes every read cross refills
    HMMIO file = mmioOpen(name, &open, MMIO_READ | MMIO_ALLOCBUF);
    ASSERT_NE(file, nullptr);
    MMCKINFO riff = {};
    riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
    ASSERT_EQ(mmioDescend(file, &riff, nullptr, MMIO_FINDRIFF), MMSYSERR_NOERROR);
    EXPECT_EQ(riff.dwDataOffset, 8u);
    MMCKINFO chunk = {};
    ASSERT_EQ(mmioDescend(file, &chunk, &riff, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(chunk.ckid, mmioFOURCC('a', 'b', 'c', ' '));
    EXPECT_EQ(chunk.cksize, 5u);
    char text[8] = {};
    EXPECT_EQ(mmioRead(file, text, 3), 3);
    EXPECT_STREQ(text, "123");
    ASSERT_EQ(mmioAscend(file, &chunk, 0), MMSYSERR_NOERROR);  // skips "45" and the pad byte
    MMCKINFO next = {};
    ASSERT_EQ(mmioDescend(file, &next, &riff, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(next.ckid, mmioFOURCC('d', 'e', 'f', ' '));

    MMIOINFO info;
    ASSERT_EQ(mmioGetInfo(file, &info, 0), MMSYSERR_NOERROR);
    std::string direct;
    for (int i = 0; i < 2; ++i) {
        if (info.pchNext == info.pchEndRead) {
            ASSERT_EQ(mmioAdvance(file, &info, MMIO_READ), MMSYSERR_NOERROR);
        }
        direct += *info.pchNext++;
    }
    EXPECT_EQ(direct, "xy");
    ASSERT_EQ(mmioSetInfo(file, &info, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(mmioRead(file, text, 8), 0);  // end of file
    MMCKINFO none = {};
    none.ckid = mmioFOURCC('z', 'z', 'z', 'z');
    mmioSeek(file, 12, SEEK_SET);
    EXPECT_EQ(mmioDescend(file, &none, &riff, MMIO_FINDCHUNK), MMIOERR_CHUNKNOTFOUND);
    EXPECT_EQ(mmioClose(file, 0), MMSYSERR_NOERROR);

    char missing[] = "missing.wav";
    EXPECT_EQ(mmioOpen(missing, &open, MMIO_READ), nullptr);
    EXPECT_EQ(open.wErrorRet, static_cast<UINT>(MMIOERR_FILENOTFOUND));
    EXPECT_EQ(mmioOpen(name, nullptr, MMIO_WRITE), nullptr);
}

}  // namespace
