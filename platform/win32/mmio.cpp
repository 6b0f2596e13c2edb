// Multimedia file I/O on POSIX files: a read-only file with one I/O buffer that
// callers may read through directly (mmioGetInfo/mmioAdvance), and RIFF chunk
// navigation on top of it.
#include <mmsystem.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "win32_files.h"

namespace {

// The object behind an HMMIO. The buffer holds the file's bytes from
// bufferStart on; `next` is the read position inside it.
struct MmioFile {
    FILE* file = nullptr;
    std::vector<char> buffer;
    long bufferStart = 0;
    long bufferLength = 0;
    long next = 0;
};

MmioFile* FromHandle(HMMIO handle) {
    return reinterpret_cast<MmioFile*>(handle);
}

// Drops the buffered bytes and reads the ones that follow them.
bool Refill(MmioFile* f) {
    f->bufferStart += f->bufferLength;
    f->next = 0;
    f->bufferLength = 0;
    if (fseek(f->file, f->bufferStart, SEEK_SET) != 0) return false;
    f->bufferLength = static_cast<long>(fread(f->buffer.data(), 1, f->buffer.size(), f->file));
    return true;
}

long Position(const MmioFile* f) {
    return f->bufferStart + f->next;
}

long FileSize(MmioFile* f) {
    if (fseek(f->file, 0, SEEK_END) != 0) return -1;
    return ftell(f->file);
}

bool ReadExact(MmioFile* f, void* destination, LONG count) {
    return mmioRead(reinterpret_cast<HMMIO>(f), static_cast<HPSTR>(destination), count) == count;
}

void FillInfo(const MmioFile* f, LPMMIOINFO info) {
    char* base = const_cast<char*>(f->buffer.data());
    info->cchBuffer = static_cast<LONG>(f->buffer.size());
    info->pchBuffer = base;
    info->pchNext = base + f->next;
    info->pchEndRead = base + f->bufferLength;
    info->pchEndWrite = base;
    info->lBufOffset = static_cast<LONG>(f->bufferStart);
    info->lDiskOffset = static_cast<LONG>(f->bufferStart + f->bufferLength);
}

}  // namespace

HMMIO mmioOpen(LPSTR pszFileName, LPMMIOINFO pmmioinfo, DWORD fdwOpen) {
    if (pmmioinfo) pmmioinfo->wErrorRet = MMSYSERR_NOERROR;
    if (!pszFileName || (fdwOpen & (MMIO_WRITE | MMIO_READWRITE)) != 0) {
        if (pmmioinfo) pmmioinfo->wErrorRet = MMIOERR_CANNOTOPEN;
        return nullptr;
    }
    FILE* file = Win32OpenFile(pszFileName, "rb");
    if (!file) {
        if (pmmioinfo) pmmioinfo->wErrorRet = MMIOERR_FILENOTFOUND;
        return nullptr;
    }
    auto* f = new MmioFile;
    f->file = file;
    LONG size = pmmioinfo && pmmioinfo->cchBuffer > 0 ? pmmioinfo->cchBuffer : MMIO_DEFAULTBUFFER;
    f->buffer.resize(static_cast<size_t>(size));
    return reinterpret_cast<HMMIO>(f);
}

MMRESULT mmioClose(HMMIO hmmio, UINT) {
    MmioFile* f = FromHandle(hmmio);
    if (!f) return MMIOERR_CANNOTCLOSE;
    bool closed = fclose(f->file) == 0;
    delete f;
    return closed ? MMSYSERR_NOERROR : MMIOERR_CANNOTCLOSE;
}

LONG mmioRead(HMMIO hmmio, HPSTR pch, LONG cch) {
    MmioFile* f = FromHandle(hmmio);
    if (!f || !pch || cch < 0) return -1;
    LONG done = 0;
    while (done < cch) {
        if (f->next == f->bufferLength) {
            if (!Refill(f)) return -1;
            if (f->bufferLength == 0) break;
        }
        long n = std::min<long>(cch - done, f->bufferLength - f->next);
        memcpy(pch + done, f->buffer.data() + f->next, static_cast<size_t>(n));
        f->next += n;
        done += static_cast<LONG>(n);
    }
    return done;
}

LONG mmioSeek(HMMIO hmmio, LONG lOffset, int iOrigin) {
    MmioFile* f = FromHandle(hmmio);
    if (!f) return -1;
    long target;
    switch (iOrigin) {
        case SEEK_SET:
            target = lOffset;
            break;
        case SEEK_CUR:
            target = Position(f) + lOffset;
            break;
        case SEEK_END: {
            long size = FileSize(f);
            if (size < 0) return -1;
            target = size + lOffset;
            break;
        }
        default:
            return -1;
    }
    if (target < 0) return -1;
    if (target >= f->bufferStart && target <= f->bufferStart + f->bufferLength) {
        f->next = target - f->bufferStart;
    } else {
        f->bufferStart = target;
        f->bufferLength = 0;
        f->next = 0;
    }
    return static_cast<LONG>(target);
}

MMRESULT mmioDescend(HMMIO hmmio, LPMMCKINFO pmmcki, const MMCKINFO* pmmckiParent, UINT fuDescend) {
    MmioFile* f = FromHandle(hmmio);
    if (!f || !pmmcki) return MMIOERR_CANNOTREAD;
    // A chunk search stays inside the parent's data.
    long end = -1;
    if (pmmckiParent) end = static_cast<long>(pmmckiParent->dwDataOffset) + pmmckiParent->cksize;

    FOURCC wantedId = 0;
    FOURCC wantedType = 0;
    if (fuDescend & MMIO_FINDCHUNK) wantedId = pmmcki->ckid;
    if (fuDescend & MMIO_FINDRIFF) wantedId = FOURCC_RIFF, wantedType = pmmcki->fccType;
    if (fuDescend & MMIO_FINDLIST) wantedId = FOURCC_LIST, wantedType = pmmcki->fccType;
    bool searching = (fuDescend & (MMIO_FINDCHUNK | MMIO_FINDRIFF | MMIO_FINDLIST)) != 0;

    for (;;) {
        long start = Position(f);
        if (end >= 0 && start + 8 > end) return MMIOERR_CHUNKNOTFOUND;
        DWORD header[2];
        if (!ReadExact(f, header, sizeof header)) return MMIOERR_CHUNKNOTFOUND;
        MMCKINFO found = {};
        found.ckid = header[0];
        found.cksize = header[1];
        found.dwDataOffset = static_cast<DWORD>(start + 8);
        bool hasForm = found.ckid == FOURCC_RIFF || found.ckid == FOURCC_LIST;
        if (hasForm && !ReadExact(f, &found.fccType, sizeof found.fccType))
            return MMIOERR_CHUNKNOTFOUND;

        bool match = !searching ||
                     (found.ckid == wantedId && (wantedType == 0 || found.fccType == wantedType));
        if (match) {
            *pmmcki = found;
            return MMSYSERR_NOERROR;
        }
        // Skip the chunk's data and its pad byte. A size that reaches past
        // the offsets a LONG can name ends the search: cut to 32 bits it could
        // lead back to this very chunk and search forever.
        long next = static_cast<long>(found.dwDataOffset) + found.cksize + (found.cksize & 1);
        if (next > INT32_MAX) return MMIOERR_CHUNKNOTFOUND;
        if (mmioSeek(hmmio, static_cast<LONG>(next), SEEK_SET) < 0) return MMIOERR_CANNOTSEEK;
    }
}

MMRESULT mmioAscend(HMMIO hmmio, LPMMCKINFO pmmcki, UINT) {
    MmioFile* f = FromHandle(hmmio);
    if (!f || !pmmcki) return MMIOERR_CANNOTSEEK;
    long next = static_cast<long>(pmmcki->dwDataOffset) + pmmcki->cksize + (pmmcki->cksize & 1);
    if (next > INT32_MAX) return MMIOERR_CANNOTSEEK;
    return mmioSeek(hmmio, static_cast<LONG>(next), SEEK_SET) < 0 ? MMIOERR_CANNOTSEEK
                                                                  : MMSYSERR_NOERROR;
}

MMRESULT mmioGetInfo(HMMIO hmmio, LPMMIOINFO pmmioinfo, UINT) {
    MmioFile* f = FromHandle(hmmio);
    if (!f || !pmmioinfo) return MMIOERR_CANNOTREAD;
    memset(pmmioinfo, 0, sizeof *pmmioinfo);
    pmmioinfo->dwFlags = MMIO_ALLOCBUF;
    pmmioinfo->hmmio = hmmio;
    FillInfo(f, pmmioinfo);
    return MMSYSERR_NOERROR;
}

MMRESULT mmioSetInfo(HMMIO hmmio, LPCMMIOINFO pmmioinfo, UINT) {
    MmioFile* f = FromHandle(hmmio);
    if (!f || !pmmioinfo) return MMIOERR_CANNOTREAD;
    long next = pmmioinfo->pchNext - f->buffer.data();
    if (next < 0 || next > f->bufferLength) return MMIOERR_CANNOTREAD;
    f->next = next;
    return MMSYSERR_NOERROR;
}

MMRESULT mmioAdvance(HMMIO hmmio, LPMMIOINFO pmmioinfo, UINT fuAdvance) {
    MmioFile* f = FromHandle(hmmio);
    if (!f || !pmmioinfo) return MMIOERR_CANNOTREAD;
    if (fuAdvance != MMIO_READ) return MMIOERR_CANNOTWRITE;
    if (!Refill(f)) return MMIOERR_CANNOTREAD;
    FillInfo(f, pmmioinfo);
    return MMSYSERR_NOERROR;
}
