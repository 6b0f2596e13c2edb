// Classic zip encryption (the traditional PKWARE stream cipher): three keys
// seeded by the password and stirred by every plain byte. Debian's minizip is
// built without it, so the archive reader and mediagen carry their own.
#pragma once

#include <cstdint>

class ZipCipher {
public:
    explicit ZipCipher(const char* password);

    // Inline: the archive reader runs them once per byte of every entry.
    uint8_t Encrypt(uint8_t plain) {
        const uint8_t cipher = plain ^ KeyStreamByte();
        Update(plain);
        return cipher;
    }
    uint8_t Decrypt(uint8_t cipher) {
        const uint8_t plain = cipher ^ KeyStreamByte();
        Update(plain);
        return plain;
    }

    // Size of the encryption header that starts every encrypted entry.
    static constexpr int kHeaderSize = 12;

private:
    uint8_t KeyStreamByte() const {
        const uint32_t temp = (keys[2] & 0xffff) | 2;
        return static_cast<uint8_t>((temp * (temp ^ 1)) >> 8);
    }
    uint32_t CrcStep(uint32_t crc, uint8_t byte) const {
        return crcTable[(crc ^ byte) & 0xff] ^ (crc >> 8);
    }
    void Update(uint8_t plain) {
        keys[0] = CrcStep(keys[0], plain);
        keys[1] = (keys[1] + (keys[0] & 0xff)) * 134775813u + 1;
        keys[2] = CrcStep(keys[2], static_cast<uint8_t>(keys[1] >> 24));
    }

    const uint32_t* crcTable;  // zlib's CRC-32 table
    uint32_t keys[3] = {0x12345678u, 0x23456789u, 0x34567890u};
};
