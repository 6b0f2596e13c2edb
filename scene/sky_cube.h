// The sky: a box of five inner faces (bk, fr, lf, rt, up; no bottom) drawn
// first in both passes with depth testing off, so everything else covers it.
// The same model serves day and night: switching rebinds each face to its
// day image or to the night image named with "_n" before the extension.
#pragma once

#include <d3d8.h>

struct Model;
class ModelCache;
class TextureCache;

class CSkyCube {
public:
    void LoadSky(IDirect3DDevice8* device, ModelCache* models, TextureCache* textures);
    void SetSkyNight(int night);
    // `pass` 0 is the reflection pass, anything else the main pass.
    void DrawSky(IDirect3DDevice8* device, int pass);

private:
    Model* skyModel = nullptr;
    TextureCache* textureCache = nullptr;
};
