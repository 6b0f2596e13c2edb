// The process-wide media archive "Media.dat" (a zip file whose entries are
// encrypted with the archive password) and the loose "media\" folder whose
// files take the place of archive entries of the same name. Files may be read
// from several threads at once.
#pragma once

#include <memory>

#include "data_blob.h"

// Password of every entry of Media.dat.
extern const char kMediaArchivePassword[];

// Opens the archive at `path` and keeps it open; true on success.
bool OpenMediaArchive(const char* path);
void CloseMediaArchive();

// The named file ("models/tree.r3m") from the loose folder, else from the
// archive; null when neither can deliver it whole.
std::unique_ptr<IData> ReadMediaFile(const char* name);
std::unique_ptr<IData> ReadLooseMediaFile(const char* name);
std::unique_ptr<IData> ReadArchiveEntry(const char* name);
