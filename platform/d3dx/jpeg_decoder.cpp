// JPEG files through libjpeg-turbo, which writes the ARGB texels directly.
#include "image_decoder.h"

#include <bit>
#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace {

// libjpeg reports fatal errors through error_exit, which must not return:
// it jumps back to the decoding function.
struct ErrorManager {
    jpeg_error_mgr base;
    jmp_buf jump;
};

void ExitOnError(j_common_ptr info) {
    std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

// Warnings (for example a file that ends early) make the image unusable:
// treat every one as an error rather than showing half a picture.
void FailOnWarning(j_common_ptr info, int level) {
    if (level < 0) ExitOnError(info);
}

// A JPEG needs a few bits per 8x8 block at the very least; a header that
// declares far more texels than its data could describe is refused before
// any texel memory is taken.
constexpr uint64_t kMaxTexelsPerByte = 4096;

}  // namespace

HRESULT DecodeJpeg(const uint8_t* data, size_t size, DecodedImage* out) {
    jpeg_decompress_struct info{};
    ErrorManager errors{};
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = ExitOnError;
    errors.base.emit_message = FailOnWarning;
    // Nothing with a destructor lives between setjmp and the calls that may
    // jump back here.
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&info);
        out->texels.clear();
        return D3DXERR_INVALIDDATA;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
    jpeg_read_header(&info, TRUE);
    if (info.image_width == 0 || info.image_height == 0 || info.image_width > kMaxImageSide ||
        info.image_height > kMaxImageSide ||
        static_cast<uint64_t>(info.image_width) * info.image_height > size * kMaxTexelsPerByte) {
        jpeg_destroy_decompress(&info);
        return D3DXERR_INVALIDDATA;
    }
    // Grey and colour files alike come out as one A8R8G8B8 value per texel:
    // bytes B, G, R, A in memory on a little-endian machine.
    info.out_color_space = std::endian::native == std::endian::little ? JCS_EXT_BGRA : JCS_EXT_ARGB;
    jpeg_start_decompress(&info);
    if (FAILED(AllocateTexels(out, info.output_width, info.output_height))) {
        jpeg_destroy_decompress(&info);
        return E_OUTOFMEMORY;
    }
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = reinterpret_cast<JSAMPROW>(
            out->texels.data() + static_cast<size_t>(info.output_scanline) * out->width);
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    out->format = info.jpeg_color_space == JCS_GRAYSCALE ? D3DFMT_L8 : D3DFMT_X8R8G8B8;
    jpeg_destroy_decompress(&info);
    out->fileFormat = D3DXIFF_JPG;
    return S_OK;
}
