// How the process heap treats large blocks. glibc hands a freed block above
// its mmap threshold straight back to the kernel and trims the heap's top as
// soon as it is free, so loading, which decodes every texture through large
// temporary buffers, faulted fresh zeroed pages in again for each one; on a
// virtual machine those faults were a quarter of start-up. With the policy
// set, large blocks come from the heap and stay there when freed, so the next
// texture reuses the same pages, and every thread allocates from the one
// heap, so blocks freed by the loading workers are reused by any thread.
// Where the system hands out transparent huge pages on request, the heap's
// first 96 MiB ask for them, so the memory that loading fills (decoded images,
// the driver's textures) comes in 2 MiB at a time instead of 4 KiB. The peak
// is unchanged but for the rounding to whole huge pages; the heap just does
// not shrink below it.
#pragma once

// Sets the policy for the whole process; call before any thread starts.
void Win32ApplyHeapPolicy();
