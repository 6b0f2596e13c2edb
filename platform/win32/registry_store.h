// The file behind the registry: $XDG_CONFIG_HOME/velmora/registry.reg, shared
// by every process of the user. A change takes an exclusive lock on
// registry.lock beside it and reads the file again first, so a change made by
// another process is never lost; it is written to a temporary file, flushed to
// disk and renamed over the old file (keeping the old file's mode), so a
// crash leaves either the old or the new file, never a mix. Readers therefore
// never take the lock: every file they can open is whole. A writer waits for
// the lock at most kLockPatience and then fails with ERROR_LOCK_VIOLATION
// (the writers that follow soon after wait only briefly), so a process that
// holds the lock for ever (hung, stopped) stalls nobody for long. A file
// larger than kLargestFile is refused like a damaged one and set aside.
#pragma once

#include "platform/win32/registry_hive.h"

#include <chrono>
#include <functional>
#include <string>

namespace registry_store {

constexpr std::chrono::milliseconds kLockPatience{2000};
constexpr long kLargestFile = 16L << 20;

// The folder that holds the file, from XDG_CONFIG_HOME or HOME.
std::string Folder();

// Runs `look` on the current contents. Returns ERROR_SUCCESS or the reason the
// file could not be read; `look`'s own result is passed back through it.
LONG Read(const std::function<LONG(const RegistryHive&)>& look);

// Runs `change` on the current contents and, when it reports a change, writes
// the result back. Returns `change`'s result, or the reason the file could not
// be read or written (nothing is changed on disk then; the reason is also
// written to standard error).
LONG Update(const std::function<LONG(RegistryHive&, bool* changed)>& change);

}  // namespace registry_store
