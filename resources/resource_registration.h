// Hands the program's resources to the platform; the entry function calls
// it before anything loads a dialog, a string or a picture.
#pragma once

void RegisterProgramResources();
