// On Windows the resource compiler puts the resources in the module, where
// the system finds them: there is nothing to hand over.
#include "resources/resource_registration.h"

void RegisterProgramResources() {}
