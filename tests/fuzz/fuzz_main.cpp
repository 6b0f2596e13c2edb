// libFuzzer entry of one target, chosen at build time by VELMORA_FUZZ_TARGET;
// a broken promise aborts so that libFuzzer keeps the input as a crash.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/fuzz/fuzz_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const FuzzTarget* target = FindFuzzTarget(VELMORA_FUZZ_TARGET);
    std::string broken = target->check(data, size);
    if (!broken.empty()) {
        std::fprintf(stderr, "%s: %s\n", target->name, broken.c_str());
        std::abort();
    }
    return 0;
}
