// Uncompressed RIFF WAVE files read from disk through the multimedia file
// calls, straight out of their I/O buffer. The stream does not loop by itself.
#pragma once

#include <windows.h>

#include "sound/file_snd.h"

class CFileWAV : public CFileSND {
public:
    CFileWAV() = default;
    ~CFileWAV() override;
    CFileWAV(const CFileWAV&) = delete;
    CFileWAV& operator=(const CFileWAV&) = delete;

    // 0 success, 1 file not found, 2 not a PCM WAVE file (no RIFF chunk, no
    // "fmt " of at least 16 bytes, no "data" chunk, or a compressed format).
    int OpenStream(const char* name) override;
    void RewindStream() override;
    int ReadStream(char* buffer, int length, int loop) override;
    int CloseStream(int code) override;

private:
    // Positions the file on the data chunk's first byte; false without one.
    bool FindData();

    HMMIO file = nullptr;
    MMCKINFO riffChunk = {};
    MMCKINFO formatChunk = {};
    MMCKINFO dataChunk = {};
    MMIOINFO info = {};
    bool infoValid = false;
};
