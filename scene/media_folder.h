// The folder the scene reads Media.dat and site.url from.
#pragma once

#include <string>

// The folder that "Media.dat" and "site.url" are appended to: `storedPath`
// (the registry value "Path") when it is set; else the current folder when it
// holds Media.dat; else `installFolder` when it holds Media.dat; else the
// current folder, so that a missing archive fails as it always has. The
// current folder is the empty string; `installFolder` ends in a slash.
// A loose media/ folder does not count: its files override the archive's from
// the current folder whichever folder the archive comes from, and the archive
// is needed all the same.
std::string ResolveMediaFolder(const std::string& storedPath, const std::string& installFolder);

// The folder the install puts Media.dat in, found from the running program's
// own location, so an install under any prefix (`cmake --install --prefix`)
// finds its media.
std::string InstalledMediaFolder();
