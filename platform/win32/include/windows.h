// Velmora's Win32 stand-in: the subset of the Windows API the saver calls,
// implemented on Linux. Code above platform/ includes <windows.h> exactly as it
// would on Windows; on Linux this folder is on the include path instead.
#pragma once

#include "win32_types.h"
#include "win32_window.h"
#include "win32_gdi.h"
#include "win32_monitor.h"
#include "win32_time.h"
#include "win32_process.h"
#include "win32_registry.h"
#include "win32_dialogs.h"
#include "mmsystem.h"
