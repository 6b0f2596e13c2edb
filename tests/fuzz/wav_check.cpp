// The WAVE reader: it opens or refuses with its codes, accepts only PCM,
// delivers bytes that are the file's own in one piece and never more than
// the file holds after its headers, does not loop, and plays the same bytes
// again after a rewind.
#include "tests/fuzz/fuzz_checks.h"

#include <algorithm>
#include <string>
#include <vector>

#include "sound/file_wav.h"
#include "tests/fuzz/scratch_folder.h"

namespace {

// The RIFF header, a "fmt " chunk of 16 bytes and a "data" chunk header.
constexpr size_t kSmallestHeaders = 12 + 8 + 16 + 8;
constexpr int kChunk = 4096;

std::string ReadAll(CFileWAV& reader, size_t limit, std::vector<char>* pcm) {
    pcm->clear();
    std::vector<char> chunk(kChunk);
    for (;;) {
        int n = reader.ReadStream(chunk.data(), kChunk, 1);
        if (n < 0 || n > kChunk) return "a read outside 0..length";
        pcm->insert(pcm->end(), chunk.begin(), chunk.begin() + n);
        if (reader.position != static_cast<int32_t>(pcm->size())) {
            return "position differs from the bytes delivered";
        }
        if (reader.position > reader.total) return "more bytes delivered than announced";
        if (pcm->size() > limit) return "more bytes delivered than the file holds";
        if (n == 0) return "";
    }
}

}  // namespace

std::string CheckWav(const uint8_t* data, size_t size) {
    std::string path = WriteScratchFile("fuzz.wav", data, size);
    CFileWAV reader;
    int opened = reader.OpenStream(path.c_str());
    if (opened == 2) return "";
    if (opened != 0) return "an existing file reported as missing";
    if (size < kSmallestHeaders) return "a file too short for its headers was opened";

    const PcmFormat& f = reader.format;
    if (f.wFormatTag != WAVE_FORMAT_PCM || f.nChannels == 0 || f.nBlockAlign == 0 ||
        f.cbSize != 0) {
        return "a format that is not PCM was accepted";
    }
    if (reader.total < 0 || reader.position != 0) return "an impossible length or start";

    std::vector<char> first;
    std::string broken = ReadAll(reader, size - kSmallestHeaders, &first);
    if (!broken.empty()) return broken;
    if (!first.empty() &&
        std::search(data + 12, data + size, first.begin(), first.end(),
                    [](uint8_t a, char b) { return a == static_cast<uint8_t>(b); }) ==
            data + size) {
        return "the delivered bytes are not a piece of the file";
    }

    reader.RewindStream();
    if (reader.position != 0) return "a rewind does not start at 0";
    std::vector<char> second;
    broken = ReadAll(reader, size - kSmallestHeaders, &second);
    if (!broken.empty()) return "after a rewind: " + broken;
    if (second != first) return "a rewound stream plays different bytes";
    return "";
}
