#include "media_archive.h"

#include <windows.h>
#include "win32_files.h"
#include <unzip.h>
#include <zlib.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#include "media/zip_cipher.h"
#include "platform/startup_profile.h"

const char kMediaArchivePassword[] = "plumbo3";

namespace {

// minizip keeps one current entry per open archive, so reads from several
// threads take turns; deciphering and inflating run outside the lock.
std::mutex archiveLock;
unzFile archive = nullptr;
long archiveSize = 0;

// Deflate cannot expand data by more than this factor; an entry claiming a
// larger ratio has a damaged header and is refused before any allocation.
constexpr uint64_t kMaxDeflateRatio = 1032;

// Reads the current entry's stored bytes (encryption header, then the
// compressed data) without letting minizip interpret them.
bool ReadRawEntry(uLong storedSize, std::vector<uint8_t>* sealed) {
    int method = 0, level = 0;
    if (unzOpenCurrentFile2(archive, &method, &level, 1) != UNZ_OK) return false;
    sealed->resize(storedSize);
    int read = unzReadCurrentFile(archive, sealed->data(), static_cast<unsigned>(storedSize));
    int closed = unzCloseCurrentFile(archive);
    return read >= 0 && static_cast<uLong>(read) == storedSize && closed == UNZ_OK;
}

// Deciphers `sealed` with the archive password and expands it into exactly
// `size` bytes at `out`; false when the data do not expand to that size.
bool Unseal(std::vector<uint8_t>* sealed, uLong method, char* out, uint32_t size) {
    ZipCipher cipher(kMediaArchivePassword);
    for (uint8_t& byte : *sealed) byte = cipher.Decrypt(byte);
    const uint8_t* data = sealed->data() + ZipCipher::kHeaderSize;
    size_t dataSize = sealed->size() - ZipCipher::kHeaderSize;

    if (method == 0) {
        if (dataSize != size) return false;
        if (size > 0) std::memcpy(out, data, size);
        return true;
    }
    if (method != Z_DEFLATED) return false;
    z_stream stream;
    std::memset(&stream, 0, sizeof(stream));
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) return false;
    stream.next_in = const_cast<Bytef*>(data);
    stream.avail_in = static_cast<uInt>(dataSize);
    stream.next_out = reinterpret_cast<Bytef*>(out);
    stream.avail_out = size;
    int result = inflate(&stream, Z_FINISH);
    bool whole = (result == Z_STREAM_END || (size == 0 && result == Z_BUF_ERROR)) &&
                 stream.total_out == size;
    inflateEnd(&stream);
    return whole;
}

// The largest file each kind of media can be, by folder: an image no larger
// than the biggest texture a device holds (4096 by 4096 at 32 bits, with room
// for its headers), some minutes of sound, and models and anything else well
// above what the scene's content needs. A larger entry is refused before a
// byte of it is allocated or inflated.
struct MediaBound {
    const char* folder;
    uint32_t largest;
    const char* what;
};
constexpr MediaBound kMediaBounds[] = {
    {"texture/", 4096u * 4096u * 4u + (1u << 20), "a texture"},
    {"sound/", 32u << 20, "a sound of a few minutes"},
};
constexpr MediaBound kOtherMedia = {"", 64u << 20, "a media file"};

const MediaBound& BoundFor(const char* name) {
    for (const MediaBound& bound : kMediaBounds) {
        size_t i = 0;
        for (; bound.folder[i] != '\0'; ++i) {
            char c = name[i];
            if (c == '\\') c = '/';
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
            if (c != bound.folder[i]) break;
        }
        if (bound.folder[i] == '\0') return bound;
    }
    return kOtherMedia;
}

// Whether `size` bytes are within the bound for `name`; says so when not.
bool WithinBound(const char* name, uint64_t size) {
    const MediaBound& bound = BoundFor(name);
    if (size <= bound.largest) return true;
    std::fprintf(stderr,
                 "velmora: the media file %s is %llu bytes, more than %s can be (%u MiB); it "
                 "is not read\n",
                 name, static_cast<unsigned long long>(size), bound.what, bound.largest >> 20);
    return false;
}

// Whether the classic-encryption header of the current entry opens with the
// archive password: its last byte, once deciphered, repeats the top byte of
// the entry's CRC (of its time stamp when a data descriptor follows).
bool CurrentEntryOpens(const unz_file_info& info) {
    if ((info.flag & 1) == 0 || info.compressed_size < ZipCipher::kHeaderSize) return false;
    int method = 0, level = 0;
    if (unzOpenCurrentFile2(archive, &method, &level, 1) != UNZ_OK) return false;
    uint8_t header[ZipCipher::kHeaderSize];
    int read = unzReadCurrentFile(archive, header, sizeof header);
    unzCloseCurrentFile(archive);
    if (read != static_cast<int>(sizeof header)) return false;
    ZipCipher cipher(kMediaArchivePassword);
    uint8_t check = 0;
    for (uint8_t byte : header) check = cipher.Decrypt(byte);
    const uint8_t expected = (info.flag & 8) != 0 ? static_cast<uint8_t>(info.dosDate >> 8)
                                                  : static_cast<uint8_t>(info.crc >> 24);
    return check == expected;
}

// Whether the archive's entries were sealed with the archive password: at
// least half of them open with it (a wrong password lets about one in 256
// through). An archive without entries has nothing to refuse.
bool SealedWithOurPassword() {
    int entries = 0, opening = 0;
    for (int result = unzGoToFirstFile(archive); result == UNZ_OK;
         result = unzGoToNextFile(archive)) {
        unz_file_info info;
        ++entries;
        if (unzGetCurrentFileInfo(archive, &info, nullptr, 0, nullptr, 0, nullptr, 0) == UNZ_OK &&
            CurrentEntryOpens(info)) {
            ++opening;
        }
    }
    return 2 * opening >= entries;
}

// A byte array of `size` bytes, or null when memory is short.
char* AllocateBytes(uint32_t size) {
    return new (std::nothrow) char[size > 0 ? size : 1];
}

// minizip opens the archive itself; this hook has it opened with the same
// call as every other file the saver names, so the path is taken the way the
// platform takes file names.
voidpf OpenArchiveFile(voidpf, const char* name, int mode) {
    if ((mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) != ZLIB_FILEFUNC_MODE_READ) return nullptr;
    return Win32OpenFile(name, "rb");
}

}  // namespace

bool OpenMediaArchive(const char* path) {
    std::lock_guard<std::mutex> lock(archiveLock);
    archiveSize = 0;
    // Every failure says what is wrong, on standard error: the message box
    // only says that the media could not be loaded.
    FILE* file = Win32OpenFile(path, "rb");
    if (file == nullptr) {
        std::fprintf(stderr, "velmora: cannot open the media archive %s: %s\n", path,
                     std::strerror(errno));
        return false;
    }
    if (std::fseek(file, 0, SEEK_END) == 0) archiveSize = std::ftell(file);
    std::fclose(file);
    zlib_filefunc_def files;
    fill_fopen_filefunc(&files);
    files.zopen_file = OpenArchiveFile;
    archive = unzOpen2(path, &files);
    if (archive == nullptr) {
        std::fprintf(stderr,
                     "velmora: the media archive %s is not a zip archive (damaged or "
                     "truncated)\n",
                     path);
        return false;
    }
    if (!SealedWithOurPassword()) {
        std::fprintf(stderr,
                     "velmora: %s is not a Velmora archive: its entries cannot be deciphered "
                     "with the archive password\n",
                     path);
        unzClose(archive);
        archive = nullptr;
        return false;
    }
    return true;
}

void CloseMediaArchive() {
    std::lock_guard<std::mutex> lock(archiveLock);
    if (archive != nullptr) {
        unzClose(archive);
        archive = nullptr;
    }
}

std::unique_ptr<IData> ReadMediaFile(const char* name) {
    StartupPhaseScope timing(StartupPhase::ArchiveRead);
    std::unique_ptr<IData> loose = ReadLooseMediaFile(name);
    if (loose) return loose;
    return ReadArchiveEntry(name);
}

std::unique_ptr<IData> ReadLooseMediaFile(const char* name) {
    std::string path = std::string("media\\") + name;
    for (char& c : path) {
        if (c == '/') c = '\\';
    }
    FILE* file = Win32OpenFile(path.c_str(), "rb");
    if (file == nullptr) return nullptr;

    long length = -1;
    if (std::fseek(file, 0, SEEK_END) == 0) length = std::ftell(file);
    if (length < 0 || static_cast<unsigned long>(length) > UINT32_MAX ||
        std::fseek(file, 0, SEEK_SET) != 0) {
        std::fclose(file);
        return nullptr;
    }
    if (!WithinBound(name, static_cast<uint64_t>(length))) {
        std::fclose(file);
        return nullptr;
    }
    uint32_t size = static_cast<uint32_t>(length);
    char* bytes = AllocateBytes(size);
    if (bytes == nullptr) {
        std::fclose(file);
        return nullptr;
    }
    auto blob = std::make_unique<_data>(bytes, size);
    size_t read = size > 0 ? std::fread(bytes, 1, size, file) : 0;
    std::fclose(file);
    if (read != size) return nullptr;
    return blob;
}

std::unique_ptr<IData> ReadArchiveEntry(const char* name) {
    StartupPhaseScope timing(StartupPhase::ArchiveRead);
    char entryName[1024];
    size_t length = std::strlen(name);
    if (length >= sizeof(entryName)) return nullptr;
    for (size_t i = 0; i <= length; ++i) entryName[i] = (name[i] == '\\') ? '/' : name[i];

    std::unique_lock<std::mutex> lock(archiveLock);
    if (archive == nullptr) return nullptr;
    if (unzLocateFile(archive, entryName, 2) != UNZ_OK) return nullptr;
    unz_file_info info;
    if (unzGetCurrentFileInfo(archive, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) {
        return nullptr;
    }
    // Sizes past what an entry of this archive could hold are damage, not data.
    if (info.compressed_size > static_cast<uint64_t>(archiveSize) ||
        info.compressed_size < ZipCipher::kHeaderSize ||
        info.uncompressed_size > info.compressed_size * kMaxDeflateRatio + 64 ||
        info.uncompressed_size > INT32_MAX) {
        return nullptr;
    }
    if (!WithinBound(entryName, info.uncompressed_size)) return nullptr;
    std::vector<uint8_t> sealed;
    if (!ReadRawEntry(info.compressed_size, &sealed)) return nullptr;
    lock.unlock();

    uint32_t size = static_cast<uint32_t>(info.uncompressed_size);
    char* bytes = AllocateBytes(size);
    if (bytes == nullptr) return nullptr;
    auto blob = std::make_unique<_data>(bytes, size);
    if (!Unseal(&sealed, info.compression_method, bytes, size)) return nullptr;
    uLong crc = crc32(0, reinterpret_cast<const Bytef*>(bytes), size);
    if (crc != info.crc) return nullptr;
    return blob;
}
