// Ogg Vorbis held in memory: the file comes whole from the media as one blob
// and is decoded in pieces as it is read.
#pragma once

#include <vorbis/vorbisfile.h>

#include <memory>

#include "media/data_blob.h"
#include "sound/file_snd.h"

// A read cursor over a blob, the data source of the decoder's callbacks.
struct MemoryStream {
    const char* data = nullptr;
    int32_t size = 0;
    int32_t position = 0;
};

// The decoder's file callbacks over a MemoryStream: read like fread, seek like
// fseek (origin 2 counts from the last byte), close (releases nothing), tell.
size_t MemRead(void* destination, size_t size, size_t count, void* stream);
int MemSeek(void* stream, ogg_int64_t offset, int origin);
int MemClose(void* stream);
long MemTell(void* stream);

class CFileOGG : public CFileSND {
public:
    CFileOGG() = default;
    ~CFileOGG() override;
    CFileOGG(const CFileOGG&) = delete;
    CFileOGG& operator=(const CFileOGG&) = delete;

    // 0 success, 1 not in the media, 2 not decodable as Ogg Vorbis.
    int OpenStream(const char* name) override;
    void RewindStream() override;
    int ReadStream(char* buffer, int length, int loop) override;
    int CloseStream(int code) override;

private:
    // Starts a decoder at the start of the blob; false if it is not Ogg Vorbis.
    bool OpenDecoder();
    // Decodes up to `length` bytes, stopping at the end of the stream.
    int ReadToEnd(char* buffer, int length);

    OggVorbis_File decoder = {};
    bool open = false;
    std::unique_ptr<IData> blob;
    MemoryStream stream;
};
