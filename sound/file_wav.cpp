#include "sound/file_wav.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>

CFileWAV::~CFileWAV() {
    CloseStream(0);
}

int CFileWAV::OpenStream(const char* name) {
    CloseStream(0);
    if (!name) return 1;
    file = mmioOpen(const_cast<char*>(name), nullptr, MMIO_ALLOCBUF | MMIO_READ);
    if (!file) return 1;
    riffChunk = MMCKINFO{};
    if (mmioDescend(file, &riffChunk, nullptr, 0) != MMSYSERR_NOERROR ||
        riffChunk.ckid != FOURCC_RIFF)
        return CloseStream(2);
    formatChunk = MMCKINFO{};
    formatChunk.ckid = mmioFOURCC('f', 'm', 't', ' ');
    if (mmioDescend(file, &formatChunk, &riffChunk, MMIO_FINDCHUNK) != MMSYSERR_NOERROR ||
        formatChunk.cksize < 16)
        return CloseStream(2);
    format = PcmFormat{};
    if (mmioRead(file, reinterpret_cast<HPSTR>(&format), 16) != 16) return CloseStream(2);
    format.cbSize = 0;
    if (format.wFormatTag != WAVE_FORMAT_PCM || format.nChannels == 0 || format.nBlockAlign == 0)
        return CloseStream(2);
    if (!FindData()) return CloseStream(2);
    return 0;
}

bool CFileWAV::FindData() {
    if (!file) return false;
    if (infoValid) mmioSetInfo(file, &info, 0);
    infoValid = false;
    total = 0;
    position = 0;
    if (mmioSeek(file, static_cast<LONG>(riffChunk.dwDataOffset + 4), SEEK_SET) < 0) return false;
    dataChunk = MMCKINFO{};
    dataChunk.ckid = mmioFOURCC('d', 'a', 't', 'a');
    if (mmioDescend(file, &dataChunk, &riffChunk, MMIO_FINDCHUNK) != MMSYSERR_NOERROR) return false;
    if (mmioGetInfo(file, &info, 0) != MMSYSERR_NOERROR) return false;
    infoValid = true;
    total = static_cast<int32_t>(std::min<DWORD>(dataChunk.cksize, INT32_MAX));
    return true;
}

void CFileWAV::RewindStream() {
    FindData();
}

int CFileWAV::ReadStream(char* buffer, int length, int) {
    if (!file || !infoValid || !buffer || length <= 0) return 0;
    const int wanted = std::min(length, total - position);
    int copied = 0;
    while (copied < wanted) {
        if (info.pchNext == info.pchEndRead) {
            if (mmioAdvance(file, &info, MMIO_READ) != MMSYSERR_NOERROR) break;
            if (info.pchNext == info.pchEndRead) break;  // the file ends before its data chunk does
        }
        int n = std::min<int>(wanted - copied, static_cast<int>(info.pchEndRead - info.pchNext));
        memcpy(buffer + copied, info.pchNext, static_cast<size_t>(n));
        info.pchNext += n;
        copied += n;
    }
    position += copied;
    return copied;
}

int CFileWAV::CloseStream(int code) {
    if (file) mmioClose(file, 0);
    file = nullptr;
    infoValid = false;
    return code;
}
