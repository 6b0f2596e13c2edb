// Sound-file readers: an object that opens a sound file by name, describes its
// PCM format and length, and hands out PCM bytes on demand, optionally starting
// over at the end so that a loop never runs dry.
#pragma once

#include <windows.h>

#include <cstdint>

// The 18-byte wave format record, handed to the sound device unchanged.
typedef WAVEFORMATEX PcmFormat;
static_assert(sizeof(PcmFormat) == 18, "the wave format record is 18 bytes");

class CFileSND {
public:
    virtual ~CFileSND() {}
    // Opens the named file: 0 on success, non-zero on failure.
    virtual int OpenStream(const char* name);
    // Starts the stream over from its first byte.
    virtual void RewindStream() {}
    // Copies up to `length` PCM bytes into `buffer`; returns the count
    // delivered. With `loop` a reader that supports it continues from the
    // start of the stream when the end is reached.
    virtual int ReadStream(char* buffer, int length, int loop);
    // Closes the file and returns `code` unchanged, so that a failing step can
    // close and report in one call.
    virtual int CloseStream(int code) { return code; }

    PcmFormat format = {};
    int32_t total = 0;     // PCM bytes the stream holds
    int32_t position = 0;  // PCM bytes delivered since the last rewind
};

// True when the text after the last '.' of `name` equals `extension`,
// ignoring letter case.
bool HasExtension(const char* name, const char* extension);

// A new, unopened reader for the name's extension ("wav" or "ogg"); null for
// any other name.
CFileSND* CreateSoundReader(const char* name);
