#include "sound/file_ogg.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "media/media_archive.h"

size_t MemRead(void* destination, size_t size, size_t count, void* stream) {
    auto* s = static_cast<MemoryStream*>(stream);
    if (!destination || !s) return 0;
    // 64-bit arithmetic: size * count cannot wrap for any request the decoder makes.
    const int64_t wanted = static_cast<int64_t>(size) * static_cast<int64_t>(count);
    if (s->position + wanted <= 0) return 0;
    if (s->position + wanted > s->size) count = static_cast<size_t>(s->size - s->position) / size;
    const size_t bytes = size * count;
    memcpy(destination, s->data + s->position, bytes);
    s->position += static_cast<int32_t>(bytes);
    return count;
}

int MemSeek(void* stream, ogg_int64_t offset, int origin) {
    auto* s = static_cast<MemoryStream*>(stream);
    if (!s) return -1;
    int64_t target;
    switch (origin) {
        case SEEK_SET:
            target = offset;
            break;
        case SEEK_CUR:
            target = s->position + offset;
            break;
        case SEEK_END:
            target = s->size - 1 + offset;
            break;
        default:
            return -1;
    }
    if (target < 0 || target >= s->size) return -1;
    s->position = static_cast<int32_t>(target);
    return 0;
}

int MemClose(void* stream) {
    return stream ? 0 : -1;
}

long MemTell(void* stream) {
    auto* s = static_cast<MemoryStream*>(stream);
    return s ? s->position : -1;
}

CFileOGG::~CFileOGG() {
    CloseStream(0);
}

int CFileOGG::OpenStream(const char* name) {
    CloseStream(1);
    blob = ReadMediaFile(name);
    if (!blob) return 1;
    stream = MemoryStream{blob->GetData(), static_cast<int32_t>(blob->GetSize()), 0};
    // A failed open leaves nothing to clear.
    if (!OpenDecoder()) return 2;
    open = true;
    vorbis_info* info = ov_info(&decoder, 0);
    ogg_int64_t samples = ov_pcm_total(&decoder, 0);
    if (!info || info->channels < 1 || samples < 0 ||
        samples * 2 * info->channels > static_cast<ogg_int64_t>(INT32_MAX))
        return CloseStream(2);
    const int channels = info->channels;
    format = PcmFormat{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = static_cast<WORD>(channels);
    format.nSamplesPerSec = static_cast<DWORD>(info->rate);
    format.wBitsPerSample = 16;
    format.nBlockAlign = static_cast<WORD>(2 * channels);
    format.nAvgBytesPerSec = static_cast<DWORD>(2 * channels * info->rate);
    format.cbSize = 0;
    total = static_cast<int32_t>(samples * 16 * channels / 8);
    position = 0;  // a new decoder stands at the first sample
    return 0;
}

bool CFileOGG::OpenDecoder() {
    stream.position = 0;
    ov_callbacks callbacks = {MemRead, MemSeek, MemClose, MemTell};
    return ov_open_callbacks(&stream, &decoder, nullptr, 0, callbacks) >= 0;
}

void CFileOGG::RewindStream() {
    position = 0;
    if (!open) return;
    // A new decoder over the same bytes rather than ov_pcm_seek to 0: on some
    // damaged files that seek leaves libvorbisfile reading past the end of
    // libogg's page buffer at the next read (heap corruption), while a new
    // decoder starts at the first sample all the same. The ocean loop
    // rewinds once a pass, so the cost of parsing the headers again is nil.
    ov_clear(&decoder);
    open = OpenDecoder();
}

int CFileOGG::ReadToEnd(char* buffer, int length) {
    int delivered = 0;
    while (open && delivered < length && position < total) {
        // Never past the first logical stream: a chained file loops at its end.
        int wanted = std::min(length - delivered, total - position);
        int section = 0;
        long n = ov_read(&decoder, buffer + delivered, wanted, 0, 2, 1, &section);
        if (n <= 0) break;
        position += static_cast<int32_t>(n);
        delivered += static_cast<int>(n);
    }
    return delivered;
}

int CFileOGG::ReadStream(char* buffer, int length, int loop) {
    if (!buffer || length <= 0) return 0;
    int delivered = ReadToEnd(buffer, length);
    while (delivered < length && loop) {
        RewindStream();
        int n = ReadToEnd(buffer + delivered, length - delivered);
        if (n <= 0) break;  // nothing after a rewind: silence, not an endless loop
        delivered += n;
    }
    if (delivered < length) memset(buffer + delivered, 0, static_cast<size_t>(length - delivered));
    return delivered;
}

int CFileOGG::CloseStream(int code) {
    if (open) ov_clear(&decoder);
    open = false;
    return code;
}
