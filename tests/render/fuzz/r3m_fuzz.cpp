// libFuzzer entry: any bytes as a model file; the reader's promises must hold.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/render/model_invariants.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string broken = CheckModelFromBytes(data, size);
    if (!broken.empty()) {
        std::fprintf(stderr, "model reader: %s\n", broken.c_str());
        std::abort();
    }
    return 0;
}
