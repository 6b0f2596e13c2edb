// What velmora-render needs from its platform, one implementation per
// platform; the tool's own code stays the same on both.
#pragma once

// Call first in main, before any thread starts.
void PrepareRenderProcess();

// CPU seconds used so far by the whole process and by the calling thread.
double ProcessCpuSeconds();
double ThreadCpuSeconds();
