// Reads a folder tree into archive entries, named by their paths below the
// folder with '/' separators, in byte order of the names.
#pragma once

#include <string>
#include <vector>

#include "tools/mediagen/zip_writer.h"

bool ReadFolderTree(const std::string& root, std::vector<ZipEntry>* entries, std::string* error);
