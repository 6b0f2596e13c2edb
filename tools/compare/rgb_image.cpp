#include "tools/compare/rgb_image.h"

#include <png.h>

bool ReadPngImage(const std::string& path, RgbImage* image, std::string* error) {
    png_image png = {};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path.c_str())) {
        *error = png.message;
        return false;
    }
    png.format = PNG_FORMAT_RGB;
    image->width = png.width;
    image->height = png.height;
    image->rgb.resize(PNG_IMAGE_SIZE(png));
    if (!png_image_finish_read(&png, nullptr, image->rgb.data(), 0, nullptr)) {
        *error = png.message;
        return false;
    }
    return true;
}

bool WritePngImage(const std::string& path, const RgbImage& image) {
    png_image png = {};
    png.version = PNG_IMAGE_VERSION;
    png.width = image.width;
    png.height = image.height;
    png.format = PNG_FORMAT_RGB;
    return png_image_write_to_file(&png, path.c_str(), 0, image.rgb.data(), 0, nullptr) != 0;
}
