// The bytes of a 32-bit TGA file for tests that load images.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// An uncompressed 32-bit TGA of A8R8G8B8 `texels`, first row at the top.
inline std::string Tga32(uint16_t width, uint16_t height, const std::vector<uint32_t>& texels) {
    std::string file(18, '\0');
    file[2] = 2;
    file[12] = static_cast<char>(width & 0xFF);
    file[13] = static_cast<char>(width >> 8);
    file[14] = static_cast<char>(height & 0xFF);
    file[15] = static_cast<char>(height >> 8);
    file[16] = 32;
    file[17] = 0x28;  // 8 alpha bits, first row at the top
    for (uint32_t texel : texels) file.append(reinterpret_cast<const char*>(&texel), 4);
    return file;
}
