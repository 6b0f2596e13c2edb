// A small software rasteriser that draws the generated world from the
// saver's camera positions into PNG files, for checking the content by eye.
// It reads the models and textures back from their file encodings, so it
// also shows what the files really hold. Water is drawn as a plain tinted
// surface (the saver reflects the scene in it).
#pragma once

#include <string>
#include <vector>

#include "tools/mediagen/zip_writer.h"

bool RenderPreviews(const std::vector<ZipEntry>& entries, const std::string& folder,
                    std::string* error);
