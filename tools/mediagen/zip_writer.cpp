#include "tools/mediagen/zip_writer.h"

#include <zip.h>
#include <zlib.h>

#include <cstring>

#include "media/zip_cipher.h"

namespace {

constexpr unsigned long kEncryptedFlag = 1;

bool Deflate(const std::vector<uint8_t>& in, std::vector<uint8_t>* out) {
    z_stream stream;
    std::memset(&stream, 0, sizeof(stream));
    if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) !=
        Z_OK) {
        return false;
    }
    out->resize(deflateBound(&stream, in.size()));
    stream.next_in = const_cast<Bytef*>(in.data());
    stream.avail_in = static_cast<uInt>(in.size());
    stream.next_out = out->data();
    stream.avail_out = static_cast<uInt>(out->size());
    int result = deflate(&stream, Z_FINISH);
    out->resize(stream.total_out);
    deflateEnd(&stream);
    return result == Z_STREAM_END;
}

// The 12-byte encryption header followed by the encrypted deflate stream.
// Its first 11 bytes are filler derived from the entry's CRC and name; the
// last is the CRC's high byte, which readers check against the password.
std::vector<uint8_t> Encrypt(const std::vector<uint8_t>& compressed, uint32_t crc,
                             const std::string& name, const char* password) {
    uint32_t seed = static_cast<uint32_t>(
        crc32(crc, reinterpret_cast<const Bytef*>(name.data()), static_cast<uInt>(name.size())));
    uint8_t header[ZipCipher::kHeaderSize];
    for (int i = 0; i < ZipCipher::kHeaderSize - 1; ++i) {
        seed = seed * 1103515245u + 12345u;
        header[i] = static_cast<uint8_t>(seed >> 16);
    }
    header[ZipCipher::kHeaderSize - 1] = static_cast<uint8_t>(crc >> 24);

    ZipCipher cipher(password);
    std::vector<uint8_t> out;
    out.reserve(sizeof(header) + compressed.size());
    for (uint8_t byte : header) out.push_back(cipher.Encrypt(byte));
    for (uint8_t byte : compressed) out.push_back(cipher.Encrypt(byte));
    return out;
}

}  // namespace

bool WriteEncryptedZip(const std::string& path, const std::vector<ZipEntry>& entries,
                       const char* password, std::string* error) {
    zipFile zip = zipOpen(path.c_str(), APPEND_STATUS_CREATE);
    if (zip == nullptr) {
        *error = "cannot create " + path;
        return false;
    }
    zip_fileinfo info;
    std::memset(&info, 0, sizeof(info));
    info.tmz_date.tm_year = 1980;
    info.tmz_date.tm_mday = 1;

    bool ok = true;
    for (const ZipEntry& entry : entries) {
        uint32_t crc = static_cast<uint32_t>(
            crc32(0, entry.bytes.data(), static_cast<uInt>(entry.bytes.size())));
        std::vector<uint8_t> compressed;
        if (!Deflate(entry.bytes, &compressed)) {
            *error = "cannot compress " + entry.name;
            ok = false;
            break;
        }
        std::vector<uint8_t> sealed = Encrypt(compressed, crc, entry.name, password);
        // Raw mode with no password and the encryption flag in the base flags:
        // minizip writes the headers and stores the sealed bytes unchanged.
        if (zipOpenNewFileInZip4(zip, entry.name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                 Z_DEFLATED, Z_BEST_COMPRESSION, 1, -MAX_WBITS, 8,
                                 Z_DEFAULT_STRATEGY, nullptr, 0, 20, kEncryptedFlag) != ZIP_OK ||
            zipWriteInFileInZip(zip, sealed.data(), static_cast<unsigned>(sealed.size())) !=
                ZIP_OK ||
            zipCloseFileInZipRaw(zip, entry.bytes.size(), crc) != ZIP_OK) {
            *error = "cannot write " + entry.name;
            ok = false;
            break;
        }
    }
    if (zipClose(zip, nullptr) != ZIP_OK && ok) {
        *error = "cannot finish " + path;
        ok = false;
    }
    return ok;
}
