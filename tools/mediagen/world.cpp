#include "tools/mediagen/world.h"

#include "tools/mediagen/bump_map.h"
#include "tools/mediagen/font.h"
#include "tools/mediagen/grass.h"
#include "tools/mediagen/image.h"
#include "tools/mediagen/sky.h"
#include "tools/mediagen/sound.h"
#include "tools/mediagen/terrain.h"
#include "tools/mediagen/textures.h"
#include "tools/mediagen/tree.h"
#include "tools/mediagen/water.h"

namespace {

constexpr int kJpegQuality = 90;

void AddModel(std::vector<ZipEntry>* entries, const char* name, const Model& model) {
    entries->push_back({std::string("models/") + name, EncodeR3M(model)});
}

void AddJpeg(std::vector<ZipEntry>* entries, const std::string& name, const Image& image) {
    entries->push_back({"texture/" + name, EncodeJpeg(image, kJpegQuality)});
}

void AddTga(std::vector<ZipEntry>* entries, const std::string& name, const Image& image) {
    entries->push_back({"texture/" + name, EncodeTga(image, true)});
}

}  // namespace

bool GenerateWorld(std::vector<ZipEntry>* entries, std::string* error) {
    entries->clear();
    TreeModels tree = BuildTree();
    // The saver lights "scene.r3m" by day and by night, and "scene1.r3m" only
    // at night: the ground and the rocks carry baked sunlight and go in the
    // second, so that the night light alone shades them after dark.
    AddModel(entries, "scene.r3m", {tree.branches});
    Model ground = BuildShoreAndHills();
    ground.insert(ground.begin(), {BuildIslandGround(), BuildRocks()});
    AddModel(entries, "scene1.r3m", ground);
    AddModel(entries, "tube.r3m", tree.lightColumn);
    AddModel(entries, "tree.r3m", tree.standIn);
    AddModel(entries, "fog1.r3m", tree.fog);
    AddModel(entries, "foliage.r3m", tree.placements);
    AddModel(entries, "foliage1.r3m", tree.leaves);
    AddModel(entries, "trava.r3m", BuildUndergrowth());
    AddModel(entries, "trava2.r3m", BuildGrassReedsAndTreeLine());
    AddModel(entries, "sky.r3m", BuildSky());
    AddModel(entries, "water.r3m", BuildWater());
    AddModel(entries, "pena.r3m", BuildFoam());

    for (int face = 0; face < 5; ++face) {
        std::string base = std::string("cubescene_") + kSkyFaces[face];
        AddJpeg(entries, base + ".jpg", MakeSkyFace(face, false));
        AddJpeg(entries, base + "_n.jpg", MakeSkyFace(face, true));
    }
    AddJpeg(entries, "island.jpg", MakeIslandTexture());
    AddJpeg(entries, "shore.jpg", MakeShoreTexture());
    AddJpeg(entries, "hills.jpg", MakeHillsTexture());
    AddJpeg(entries, "rock.jpg", MakeRockTexture());
    AddJpeg(entries, "bark.jpg", MakeBarkTexture());
    AddJpeg(entries, "foam.jpg", MakeFoamTexture());
    AddTga(entries, "grass.tga", MakeGrassTexture());
    AddTga(entries, "undergrowth.tga", MakeUndergrowthTexture());
    AddTga(entries, "reeds.tga", MakeReedsTexture());
    AddTga(entries, "ftr05tp.tga", MakeLeafTexture(false));
    AddTga(entries, "ftr05tp_n.tga", MakeLeafTexture(true));
    AddTga(entries, "treewallsmall.tga", MakeTreeWallTexture(256, 64));
    AddTga(entries, "treewall0.tga", MakeTreeWallTexture(512, 128));
    AddTga(entries, "fog.tga", MakeFogTexture());
    AddTga(entries, "beam.tga", MakeBeamTexture());
    entries->push_back({"texture/env0.bmp", EncodeBmp(MakeSpriteGlowTexture())});

    std::vector<uint8_t> bump = GenerateBumpHeights();
    AddJpeg(entries, "bumpwat.jpg", MakeWaterTexture(bump));
    entries->push_back({"texture/bumpwat.raw", bump});

    Image font, logo;
    if (!MakeFontTexture(&font, error) || !MakeLogoTexture(&logo, error)) return false;
    AddTga(entries, "font.tga", font);
    AddTga(entries, "logo.tga", logo);

    std::vector<uint8_t> ogg;
    if (!EncodeOggVorbis(SynthesiseShore(), &ogg, error)) return false;
    entries->push_back({"sound/ocean.ogg", ogg});
    return true;
}
