// The program's pictures: icon 101 (the tree, in several sizes) and bitmap
// 107 (the preview frame), kept as the files resources/icon101.ico and
// resources/preview107.bmp and built into the program. The files are
// regenerated with `velmora-mediagen icon resources/icon101.ico` and with
// `resources/make-preview.sh` (a frame of velmora-render).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct ImageResource {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;  // 0xAARRGGBB, top row first
};

// Every size of icon `id`; empty when there is no such icon.
std::vector<ImageResource> FindIconResource(int id);
// Bitmap `id`; false when there is no such bitmap.
bool FindBitmapResource(int id, ImageResource* image);

// Decoders of the two file forms, from memory; false for damaged data.
bool DecodeIconFile(const uint8_t* data, size_t size, std::vector<ImageResource>* images);
bool DecodeBitmapFile(const uint8_t* data, size_t size, ImageResource* image);
