#include "tests/mediagen/media_readers.h"

#include <jpeglib.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <csetjmp>
#include <cstring>

namespace {

uint32_t Le(const std::vector<uint8_t>& d, size_t at, int bytes) {
    uint32_t value = 0;
    for (int i = 0; i < bytes; ++i) value |= static_cast<uint32_t>(d[at + i]) << (8 * i);
    return value;
}

float LeFloat(const std::vector<uint8_t>& d, size_t at) {
    uint32_t bits = Le(d, at, 4);
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
}

bool ReadName(const std::vector<uint8_t>& d, size_t at, std::string* name) {
    const char* field = reinterpret_cast<const char*>(&d[at]);
    size_t length = strnlen(field, 50);
    if (length == 50) return false;
    *name = std::string(field, length);
    return true;
}

struct JpegError {
    jpeg_error_mgr manager;
    jmp_buf jump;
};

void OnJpegError(j_common_ptr info) {
    longjmp(reinterpret_cast<JpegError*>(info->err)->jump, 1);
}

struct Memory {
    const std::vector<uint8_t>* data;
    size_t at;
};

size_t MemoryRead(void* out, size_t size, size_t count, void* source) {
    Memory* m = static_cast<Memory*>(source);
    size_t bytes = std::min(size * count, m->data->size() - m->at);
    std::memcpy(out, m->data->data() + m->at, bytes);
    m->at += bytes;
    return size ? bytes / size : 0;
}

}  // namespace

bool ParseR3M(const std::vector<uint8_t>& d, std::vector<TestSubMesh>* meshes,
              std::string* reason) {
    meshes->clear();
    size_t at = 0;
    while (at < d.size()) {
        TestSubMesh mesh;
        if (d.size() - at < 54) return *reason = "record header cut off", false;
        mesh.flag = static_cast<int32_t>(Le(d, at, 4));
        if (!ReadName(d, at + 4, &mesh.texture)) return *reason = "name without NUL", false;
        if (mesh.texture.empty()) return true;  // terminating record
        at += 54;
        if (mesh.flag < 0) return *reason = "negative flag", false;
        if (mesh.flag > 0) {
            if (d.size() - at < 50) return *reason = "second name cut off", false;
            if (!ReadName(d, at, &mesh.texture2)) return *reason = "name without NUL", false;
            at += 50;
        }
        if (d.size() - at < 8) return *reason = "counts cut off", false;
        int32_t v = static_cast<int32_t>(Le(d, at, 4)), t = static_cast<int32_t>(Le(d, at + 4, 4));
        at += 8;
        if (v < 0 || t < 0) return *reason = "negative count", false;
        uint64_t need = 40ull * static_cast<uint64_t>(v) + 12ull * static_cast<uint64_t>(t);
        if (need > d.size() - at) return *reason = "arrays cut off", false;
        for (int32_t i = 0; i < v; ++i, at += 40) {
            TestVertex x;
            x.x = LeFloat(d, at);
            x.y = LeFloat(d, at + 8);
            x.z = -LeFloat(d, at + 4);
            x.nx = LeFloat(d, at + 12);
            x.ny = LeFloat(d, at + 20);
            x.nz = -LeFloat(d, at + 16);
            x.u1 = LeFloat(d, at + 24);
            x.v1 = 1.0f - LeFloat(d, at + 28);
            x.u2 = LeFloat(d, at + 32);
            x.v2 = 1.0f - LeFloat(d, at + 36);
            mesh.vertices.push_back(x);
        }
        for (int32_t i = 0; i < 3 * t; ++i, at += 4) {
            int32_t index = static_cast<int32_t>(Le(d, at, 4));
            if (index < 0 || index >= v) return *reason = "index out of range", false;
            mesh.indices.push_back(index);
        }
        meshes->push_back(mesh);
    }
    return true;
}

bool DecodeJpeg(const std::vector<uint8_t>& data, TestImage* image) {
    jpeg_decompress_struct info;
    JpegError error;
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = OnJpegError;
    if (setjmp(error.jump)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data.data(), static_cast<unsigned long>(data.size()));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    image->width = static_cast<int>(info.output_width);
    image->height = static_cast<int>(info.output_height);
    image->rgba.assign(static_cast<size_t>(image->width) * image->height * 4, 255);
    std::vector<uint8_t> row(static_cast<size_t>(image->width) * 3);
    while (info.output_scanline < info.output_height) {
        size_t y = info.output_scanline;
        JSAMPROW rows[1] = {row.data()};
        jpeg_read_scanlines(&info, rows, 1);
        for (int x = 0; x < image->width; ++x) {
            std::memcpy(&image->rgba[(y * image->width + x) * 4], &row[x * 3], 3);
        }
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

bool DecodeTga(const std::vector<uint8_t>& d, TestImage* image) {
    if (d.size() < 18 || d[1] != 0 || d[2] != 2) return false;
    int bits = d[16];
    if (bits != 24 && bits != 32) return false;
    image->width = static_cast<int>(Le(d, 12, 2));
    image->height = static_cast<int>(Le(d, 14, 2));
    bool topFirst = (d[17] & 0x20) != 0;
    size_t start = 18 + d[0], bytes = static_cast<size_t>(bits / 8);
    size_t count = static_cast<size_t>(image->width) * image->height;
    if (d.size() < start + count * bytes) return false;
    image->rgba.resize(count * 4);
    for (int y = 0; y < image->height; ++y) {
        int row = topFirst ? y : image->height - 1 - y;
        for (int x = 0; x < image->width; ++x) {
            const uint8_t* p = &d[start + (static_cast<size_t>(row) * image->width + x) * bytes];
            uint8_t* q = &image->rgba[(static_cast<size_t>(y) * image->width + x) * 4];
            q[0] = p[2], q[1] = p[1], q[2] = p[0], q[3] = bytes == 4 ? p[3] : 255;
        }
    }
    return true;
}

bool DecodeBmp(const std::vector<uint8_t>& d, TestImage* image) {
    if (d.size() < 54 || d[0] != 'B' || d[1] != 'M') return false;
    if (Le(d, 28, 2) != 24 || Le(d, 30, 4) != 0) return false;
    int w = static_cast<int>(Le(d, 18, 4)), h = static_cast<int32_t>(Le(d, 22, 4));
    bool topFirst = h < 0;
    if (topFirst) h = -h;
    size_t rowBytes = (static_cast<size_t>(w) * 3 + 3) & ~static_cast<size_t>(3);
    size_t start = Le(d, 10, 4);
    if (d.size() < start + rowBytes * h) return false;
    image->width = w;
    image->height = h;
    image->rgba.resize(static_cast<size_t>(w) * h * 4);
    for (int y = 0; y < h; ++y) {
        int row = topFirst ? y : h - 1 - y;
        for (int x = 0; x < w; ++x) {
            const uint8_t* p = &d[start + row * rowBytes + x * 3];
            uint8_t* q = &image->rgba[(static_cast<size_t>(y) * w + x) * 4];
            q[0] = p[2], q[1] = p[1], q[2] = p[0], q[3] = 255;
        }
    }
    return true;
}

bool DecodeByName(const std::string& name, const std::vector<uint8_t>& data, TestImage* image) {
    std::string ext = name.size() > 4 ? name.substr(name.size() - 4) : "";
    if (ext == ".jpg") return DecodeJpeg(data, image);
    if (ext == ".tga") return DecodeTga(data, image);
    if (ext == ".bmp") return DecodeBmp(data, image);
    return false;
}

bool DecodeOgg(const std::vector<uint8_t>& data, TestSound* sound) {
    Memory memory{&data, 0};
    ov_callbacks callbacks = {MemoryRead, nullptr, nullptr, nullptr};
    OggVorbis_File file;
    if (ov_open_callbacks(&memory, &file, nullptr, 0, callbacks) != 0) return false;
    vorbis_info* info = ov_info(&file, -1);
    sound->rate = static_cast<int>(info->rate);
    sound->channels = info->channels;
    sound->samples.clear();
    char buffer[8192];
    int section = 0;
    for (;;) {
        long got = ov_read(&file, buffer, sizeof(buffer), 0, 2, 1, &section);
        if (got < 0) {
            ov_clear(&file);
            return false;
        }
        if (got == 0) break;
        const int16_t* pcm = reinterpret_cast<const int16_t*>(buffer);
        sound->samples.insert(sound->samples.end(), pcm, pcm + got / 2);
    }
    ov_clear(&file);
    return true;
}
