#include "tools/mediagen/world.h"

#include "media/media_names.h"
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

void AddModel(std::vector<ZipEntry>* entries, const char* path, const Model& model) {
    entries->push_back({path, EncodeR3M(model)});
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
    AddModel(entries, media_names::kSceneModel, {tree.branches});
    Model ground = BuildShoreAndHills();
    ground.insert(ground.begin(), {BuildIslandGround(), BuildRocks()});
    AddModel(entries, media_names::kShoreModel, ground);
    AddModel(entries, media_names::kGlowModel, tree.lightColumn);
    AddModel(entries, media_names::kTreeModel, tree.standIn);
    AddModel(entries, media_names::kFogModel, tree.fog);
    AddModel(entries, media_names::kPlacementModel, tree.placements);
    AddModel(entries, media_names::kLeafModel, tree.leaves);
    AddModel(entries, media_names::kGrassModel, BuildUndergrowth());
    Model lit = BuildGrassReedsAndTreeLine();
    lit.push_back(BuildHillCrestFringe());
    lit.push_back(BuildLakeBody());
    AddModel(entries, media_names::kSecondGrassModel, lit);
    AddModel(entries, media_names::kSkyModel, BuildSky());
    AddModel(entries, media_names::kWaterModel, BuildWater());
    AddModel(entries, media_names::kFoamModel, BuildFoam());

    for (int face = 0; face < 5; ++face) {
        AddJpeg(entries, media_names::kSkyFaceTextures[face].day, MakeSkyFace(face, false));
        AddJpeg(entries, media_names::kSkyFaceTextures[face].night, MakeSkyFace(face, true));
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
    AddTga(entries, media_names::kLeafTexture, MakeLeafTexture(false));
    AddTga(entries, media_names::kNightLeafTexture, MakeLeafTexture(true));
    AddTga(entries, media_names::kSmallTreeWallTexture, MakeTreeWallTexture(256, 64));
    AddTga(entries, media_names::kTreeWallTexture, MakeTreeWallTexture(512, 128));
    AddTga(entries, "fog.tga", MakeFogTexture());
    AddTga(entries, "beam.tga", MakeBeamTexture());
    AddTga(entries, "lakebody.tga", MakeLakeBodyTexture());
    AddTga(entries, "hillcrest.tga", MakeHillCrestTexture());
    entries->push_back({std::string("texture/") + media_names::kSpriteGlowTexture,
                        EncodeBmp(MakeSpriteGlowTexture())});

    std::vector<uint8_t> bump = GenerateBumpHeights();
    AddJpeg(entries, media_names::kWaterTexture, MakeWaterTexture(bump));
    entries->push_back({media_names::kBumpHeights, bump});

    Image font, logo;
    if (!MakeFontTexture(&font, error) || !MakeLogoTexture(&logo, error)) return false;
    AddTga(entries, media_names::kFontTexture, font);
    AddTga(entries, media_names::kLogoTexture, logo);

    std::vector<uint8_t> ogg;
    if (!EncodeOggVorbis(SynthesiseShore(), &ogg, error)) return false;
    entries->push_back({media_names::kOceanSound, ogg});
    return true;
}
