#include "media/zip_cipher.h"

#include <zlib.h>

namespace {

uint32_t CrcStep(uint32_t crc, uint8_t byte) {
    return static_cast<uint32_t>(get_crc_table()[(crc ^ byte) & 0xff]) ^ (crc >> 8);
}

}  // namespace

ZipCipher::ZipCipher(const char* password) {
    for (const char* p = password; *p != '\0'; ++p) Update(static_cast<uint8_t>(*p));
}

uint8_t ZipCipher::Encrypt(uint8_t plain) {
    uint8_t cipher = plain ^ KeyStreamByte();
    Update(plain);
    return cipher;
}

uint8_t ZipCipher::Decrypt(uint8_t cipher) {
    uint8_t plain = cipher ^ KeyStreamByte();
    Update(plain);
    return plain;
}

uint8_t ZipCipher::KeyStreamByte() const {
    uint32_t temp = (keys[2] & 0xffff) | 2;
    return static_cast<uint8_t>((temp * (temp ^ 1)) >> 8);
}

void ZipCipher::Update(uint8_t plain) {
    keys[0] = CrcStep(keys[0], plain);
    keys[1] = (keys[1] + (keys[0] & 0xff)) * 134775813u + 1;
    keys[2] = CrcStep(keys[2], static_cast<uint8_t>(keys[1] >> 24));
}
