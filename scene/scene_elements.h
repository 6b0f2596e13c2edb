// One screen's scene elements: owning pointers, null until made and after
// release; every draw and update step skips a null one. The three static
// models belong to the model cache and are only borrowed here.
#pragma once

class CGlyphFont;
class ModelCache;
class TextureCache;
struct Model;
class CSkyCube;
class CWater;
class CTree;
class CParticleSystem;
class CLogoQuad;

struct SceneElements {
    CGlyphFont* font;
    ModelCache* modelCache;
    TextureCache* textureCache;
    Model* sceneModel;  // "models/scene.r3m": island, rocks, trunk, lit
    Model* shoreModel;  // "models/scene1.r3m": shore and hills, unlit by day
    Model* glowModel;   // "models/tube.r3m": the night glow, additive
    CSkyCube* sky;
    CWater* water;
    CTree* tree;
    CParticleSystem* particles;
    CLogoQuad* logo;
};
