// The island's tree: trunk and branches (part of the lit scene model), the
// leaf-cluster placements at the branch tips, the leaf cluster drawn at each
// of them, a small stand-in tree model, the column of light above the crown
// at night and a few fog sheets.
#pragma once

#include "tools/mediagen/mesh.h"

struct TreeModels {
    Mesh branches;      // "bark.jpg"
    Model placements;   // "models/foliage.r3m": one sub-mesh per leaf cluster
    Model leaves;       // "models/foliage1.r3m"
    Model standIn;      // "models/tree.r3m"
    Model lightColumn;  // "models/tube.r3m"
    Model fog;          // "models/fog1.r3m"
};

TreeModels BuildTree();

// The light column stands around the patch where the saver spawns its night
// particles (x -8..11, z 5..24, at height 70) and reaches to where they
// vanish, 150 units higher. Its shells, innermost first, are all wider than
// the patch: the particles' sprites write depth too, and none may stand in
// front of a shell.
constexpr float kBeamAxisX = 1.5f, kBeamAxisZ = 14.5f;
constexpr float kBeamBottom = 52.0f, kBeamTop = 225.0f;
constexpr int kBeamShells = 12;
inline float BeamShellRadius(int shell) {
    return 15.0f + 13.0f * static_cast<float>(shell) / (kBeamShells - 1);
}
