// The file behind the registry: $XDG_CONFIG_HOME/velmora/registry.reg, shared
// by every process of the user. Reads and changes both take a lock on
// registry.lock beside it (shared for reads, exclusive for changes) and read
// the file again first, so a change made by another process is never lost; a
// change is written to a temporary file, flushed to disk and renamed over the
// old file, so a crash leaves either the old or the new file, never a mix.
#pragma once

#include "platform/win32/registry_hive.h"

#include <functional>
#include <string>

namespace registry_store {

// The folder that holds the file, from XDG_CONFIG_HOME or HOME.
std::string Folder();

// Runs `look` on the current contents. Returns ERROR_SUCCESS or the reason the
// file could not be read; `look`'s own result is passed back through it.
LONG Read(const std::function<LONG(const RegistryHive&)>& look);

// Runs `change` on the current contents and, when it reports a change, writes
// the result back. Returns `change`'s result, or the reason the file could not
// be read or written (nothing is changed on disk then).
LONG Update(const std::function<LONG(RegistryHive&, bool* changed)>& change);

}  // namespace registry_store
