// The resource data of this folder as the platform's look-up table.
#include "resources/resource_registration.h"

#include <win32_resources.h>

#include "resources/image_resources.h"
#include "resources/resources.h"

namespace {

Win32Image ToPlatformImage(ImageResource image) {
    Win32Image converted;
    converted.width = image.width;
    converted.height = image.height;
    converted.pixels = std::move(image.pixels);
    return converted;
}

bool FindBitmap(int id, Win32Image* image) {
    ImageResource found;
    if (!FindBitmapResource(id, &found)) return false;
    *image = ToPlatformImage(std::move(found));
    return true;
}

std::vector<Win32Image> FindIcon(int id) {
    std::vector<Win32Image> sizes;
    for (ImageResource& size : FindIconResource(id))
        sizes.push_back(ToPlatformImage(std::move(size)));
    return sizes;
}

}  // namespace

void RegisterProgramResources() {
    Win32RegisterResources({FindDialogResource, FindStringResource, FindBitmap, FindIcon});
}
