// Linked into a test program, hands the program's resources to the platform
// before any test runs, as the saver's entry function does.
#include <gtest/gtest.h>

#include "resources/resource_registration.h"

namespace {

class ProgramResources : public ::testing::Environment {
public:
    void SetUp() override { RegisterProgramResources(); }
};

const ::testing::Environment* const registered =
    ::testing::AddGlobalTestEnvironment(new ProgramResources);

}  // namespace
