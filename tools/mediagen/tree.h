// The island's tree: trunk and branches (part of the lit scene model), the
// leaf-cluster placements at the branch tips, the leaf cluster drawn at each
// of them, a small stand-in tree model, the night glow around the crown and
// a few fog sheets.
#pragma once

#include "tools/mediagen/mesh.h"

struct TreeModels {
    Mesh branches;     // "bark.jpg"
    Model placements;  // "models/foliage.r3m": one sub-mesh per leaf cluster
    Model leaves;      // "models/foliage1.r3m"
    Model standIn;     // "models/tree.r3m"
    Model glow;        // "models/tube.r3m"
    Model fog;         // "models/fog1.r3m"
};

TreeModels BuildTree();
