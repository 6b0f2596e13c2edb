// The names of the files in Media.dat that the saver opens, as the saver
// passes them: models and other files by their path in the archive,
// textures by file name (the texture cache looks them up under "texture/").
// The media generator writes the archive from the same names, so a renamed
// file is renamed on both sides.
#pragma once

namespace media_names {

constexpr const char* kSceneModel = "models/scene.r3m";         // trunk and branches
constexpr const char* kShoreModel = "models/scene1.r3m";        // island, rocks, shore, hills
constexpr const char* kGlowModel = "models/tube.r3m";           // the night's light column
constexpr const char* kTreeModel = "models/tree.r3m";           // the tree before it grows
constexpr const char* kFogModel = "models/fog1.r3m";            // the glow around the column
constexpr const char* kPlacementModel = "models/foliage.r3m";   // one sub-mesh per leaf cluster
constexpr const char* kLeafModel = "models/foliage1.r3m";       // the leaves of each cluster
constexpr const char* kGrassModel = "models/trava.r3m";         // undergrowth
constexpr const char* kSecondGrassModel = "models/trava2.r3m";  // grass, reeds, tree line
constexpr const char* kSkyModel = "models/sky.r3m";
constexpr const char* kWaterModel = "models/water.r3m";
constexpr const char* kFoamModel = "models/pena.r3m";

constexpr const char* kFontTexture = "font.tga";
constexpr const char* kLogoTexture = "logo.tga";
constexpr const char* kLeafTexture = "ftr05tp.tga";
constexpr const char* kNightLeafTexture = "ftr05tp_n.tga";
constexpr const char* kSmallTreeWallTexture = "treewallsmall.tga";  // what trava2.r3m names
constexpr const char* kTreeWallTexture = "treewall0.tga";           // what the saver draws
constexpr const char* kSpriteGlowTexture = "env0.bmp";
constexpr const char* kWaterTexture = "bumpwat.jpg";

// The sky box's faces bk, fr, lf, rt and up, by day and by night.
struct SkyFaceTextures {
    const char* day;
    const char* night;
};
constexpr SkyFaceTextures kSkyFaceTextures[5] = {
    {"cubescene_bk.jpg", "cubescene_bk_n.jpg"}, {"cubescene_fr.jpg", "cubescene_fr_n.jpg"},
    {"cubescene_lf.jpg", "cubescene_lf_n.jpg"}, {"cubescene_rt.jpg", "cubescene_rt_n.jpg"},
    {"cubescene_up.jpg", "cubescene_up_n.jpg"},
};

// Every model above, and every texture the saver asks for by name (the
// others it takes from what the models name), for the checks of the archive.
constexpr const char* kModels[] = {kSceneModel,       kShoreModel,     kGlowModel,  kTreeModel,
                                   kFogModel,         kPlacementModel, kLeafModel,  kGrassModel,
                                   kSecondGrassModel, kSkyModel,       kWaterModel, kFoamModel};
constexpr const char* kNamedTextures[] = {kFontTexture,
                                          kLogoTexture,
                                          kLeafTexture,
                                          kNightLeafTexture,
                                          kSmallTreeWallTexture,
                                          kTreeWallTexture,
                                          kSpriteGlowTexture,
                                          kWaterTexture,
                                          kSkyFaceTextures[0].night,
                                          kSkyFaceTextures[1].night,
                                          kSkyFaceTextures[2].night,
                                          kSkyFaceTextures[3].night,
                                          kSkyFaceTextures[4].night};

constexpr const char* kBumpHeights = "texture/bumpwat.raw";
constexpr const char* kOceanSound = "sound/ocean.ogg";

}  // namespace media_names
