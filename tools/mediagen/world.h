// Every media file of the world, by its name in Media.dat.
#pragma once

#include <string>
#include <vector>

#include "tools/mediagen/zip_writer.h"

// Generates the models, textures, bump heights and sound; false with a
// message when a needed resource (a system font) is missing.
bool GenerateWorld(std::vector<ZipEntry>* entries, std::string* error);
