#include "tests/fuzz/fuzz_checks.h"

const std::vector<FuzzTarget>& FuzzTargets() {
    static const std::vector<FuzzTarget> targets = {
        {"archive", CheckArchive},   {"image", CheckImage},
        {"ogg", CheckOgg},           {"wav", CheckWav},
        {"registry", CheckRegistry}, {"command_line", CheckCommandLine},
        {"model", CheckModel},
    };
    return targets;
}

const FuzzTarget* FindFuzzTarget(const std::string& name) {
    for (const FuzzTarget& target : FuzzTargets()) {
        if (name == target.name) return &target;
    }
    return nullptr;
}
