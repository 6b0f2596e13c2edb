// Classic zip encryption (the traditional PKWARE stream cipher): three keys
// seeded by the password and stirred by every plain byte. Debian's minizip is
// built without it, so the archive reader and mediagen carry their own.
#pragma once

#include <cstdint>

class ZipCipher {
public:
    explicit ZipCipher(const char* password);

    uint8_t Encrypt(uint8_t plain);
    uint8_t Decrypt(uint8_t cipher);

    // Size of the encryption header that starts every encrypted entry.
    static constexpr int kHeaderSize = 12;

private:
    uint8_t KeyStreamByte() const;
    void Update(uint8_t plain);

    uint32_t keys[3] = {0x12345678u, 0x23456789u, 0x34567890u};
};
