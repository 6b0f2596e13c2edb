#include "scene/rerir_screensaver.h"

#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <cstring>

#include "media/log_file.h"
#include "media/media_archive.h"
#include "media/media_names.h"
#include "render/model.h"
#include "render/model_buffers.h"
#include "render/model_cache.h"
#include "render/texture_cache.h"
#include "scene/camera_tour.h"
#include "scene/glyph_font.h"
#include "scene/logo_quad.h"
#include "scene/media_folder.h"
#include "scene/overlay_clock.h"
#include "scene/particle_system.h"
#include "scene/scene_settings.h"
#include "scene/scene_state.h"
#include "scene/sky_cube.h"
#include "scene/tree.h"
#include "scene/water.h"
#include "sound/sound.h"

CRerirScreensaver* activeScene = nullptr;

namespace {

void SetRenderTransform(IDirect3DDevice8* device, D3DTRANSFORMSTATETYPE which,
                        const D3DMATRIX& matrix) {
    device->SetTransform(which, &matrix);
}

void SetIdentity(IDirect3DDevice8* device, D3DTRANSFORMSTATETYPE which) {
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    device->SetTransform(which, &identity);
}

template <typename T>
void DeleteAndClear(T*& element) {
    delete element;
    element = nullptr;
}

}  // namespace

void SetDirectionalLight(IDirect3DDevice8* device, float x, float y, float z) {
    D3DLIGHT8 light = {};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = D3DCOLORVALUE{1.0f, 1.0f, 1.0f, 0.0f};
    light.Direction = D3DVECTOR{x, y, z};
    light.Range = 2000.0f;
    device->SetLight(0, &light);
    device->LightEnable(0, TRUE);
}

void RefreshBumpCaps(IDirect3DDevice8* device) {
    D3DCAPS8 caps = {};
    device->GetDeviceCaps(&caps);
    bumpMapSupported = (caps.TextureOpCaps & D3DTEXOPCAPS_BUMPENVMAP) != 0;
}

CRerirScreensaver::CRerirScreensaver()
    : currentElements(nullptr),
      cameraIndex(0),
      cameraTimer(0.0f),
      nightMode(0),
      sceneLog(nullptr),
      ambientSound(nullptr) {
    activeScene = this;
    InitCommonControls();
    std::memset(screenElements, 0, sizeof(screenElements));
    std::srand(GetTickCount());
    std::snprintf(registryPath, sizeof(registryPath), "%s", "Software\\Quintaro\\Velmora");
    std::snprintf(windowTitle, sizeof(windowTitle), "%s", "Velmora");
    useDepthBuffer = TRUE;
    exitOnMouse = &SceneSettings.exitOnMouse;
    D3DXMatrixIdentity(&viewMatrix);
    D3DXMatrixIdentity(&mirroredViewMatrix);
}

CRerirScreensaver::~CRerirScreensaver() {
    if (activeScene == this) activeScene = nullptr;
}

void CRerirScreensaver::LoadSettings() {
    ReadSceneSettings();
}

void CRerirScreensaver::SelectScreen(DWORD screen) {
    currentElements = &screenElements[screen < kSceneScreenSlots ? screen : 0];
}

HRESULT CRerirScreensaver::InitScene() {
    ReadSceneSettings();
    sceneLog = new LogFile("log.txt");
    std::string folder = ResolveMediaFolder(mediaPath, InstalledMediaFolder());
    if (!OpenMediaArchive((folder + "Media.dat").c_str())) {
        sceneLog->WriteLine("Unable to access DAT file");
        return E_FAIL;
    }
    if (mode != ScreenSaverMode::Preview && SceneSettings.enableSound) {
        InitSound(window);
        SetGroupVolume(static_cast<float>(SceneSettings.soundVolume) / 100.0f, 1);
        if (ambientSound == nullptr) {
            ambientSound = CreateSound(media_names::kOceanSound, 1);
            if (ambientSound != nullptr) ambientSound->Play(1);
        }
    }
    return S_OK;
}

HRESULT CRerirScreensaver::RestoreDeviceResources() {
    if (device == nullptr) return S_OK;
    D3DXVECTOR3 eye(0.0f, 0.0f, -10.0f), at(0.0f, 0.0f, 0.0f), up(0.0f, 1.0f, 0.0f);
    D3DXMATRIX view;
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    device->SetTransform(D3DTS_VIEW, &view);
    device->SetRenderState(D3DRS_DITHERENABLE, TRUE);
    device->SetRenderState(D3DRS_SPECULARENABLE, FALSE);

    CreateScreenElements();

    SceneElements& e = *currentElements;
    e.font = new CGlyphFont("Arial", 12, 1);
    e.font->AttachFont(device, e.textureCache->GetTexture(media_names::kFontTexture));
    e.font->CreateFontBuffers();
    if (e.logo != nullptr) e.logo->CreateLogoQuad(device, 0.84f, 0.95f, 0.15f, 0.05f);

    for (DWORD stage : {0u, 1u}) {
        device->SetTextureStageState(stage, D3DTSS_ADDRESSU, D3DTADDRESS_WRAP);
        device->SetTextureStageState(stage, D3DTSS_ADDRESSV, D3DTADDRESS_WRAP);
    }
    for (DWORD stage : {0u, 1u}) {
        device->SetTextureStageState(stage, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        device->SetTextureStageState(stage, D3DTSS_COLOROP, D3DTOP_MODULATE);
        device->SetTextureStageState(stage, D3DTSS_COLORARG2,
                                     stage == 0 ? D3DTA_DIFFUSE : D3DTA_CURRENT);
        device->SetTextureStageState(stage, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
        device->SetTextureStageState(stage, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
        device->SetTextureStageState(stage, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
        device->SetTextureStageState(stage, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
        device->SetTextureStageState(stage, D3DTSS_MIPFILTER, D3DTEXF_LINEAR);
    }
    device->SetRenderState(D3DRS_AMBIENT, 0x3F3F3F3F);
    device->SetRenderState(D3DRS_DITHERENABLE, TRUE);
    device->SetRenderState(D3DRS_SPECULARENABLE, FALSE);
    return S_OK;
}

void CRerirScreensaver::CreateScreenElements() {
    ReadSceneSettings();
    RefreshBumpCaps(device);

    SceneElements& e = *currentElements;
    e.modelCache = new ModelCache();
    e.textureCache = new TextureCache();
    e.particles = new CParticleSystem();
    e.logo = new CLogoQuad();
    e.water = new CWater();
    e.sky = new CSkyCube();
    e.tree = new CTree();

    e.sceneModel = e.modelCache->GetModel(device, media_names::kSceneModel, *e.textureCache, true);
    e.shoreModel = e.modelCache->GetModel(device, media_names::kShoreModel, *e.textureCache, true);
    e.glowModel = e.modelCache->GetModel(device, media_names::kGlowModel, *e.textureCache, true);

    e.particles->CreateParticles(device, e.textureCache);
    e.water->LoadFoam(device, e.modelCache, e.textureCache);
    e.sky->LoadSky(device, e.modelCache, e.textureCache);
    e.tree->LoadTree(device, e.modelCache, e.textureCache);
    e.textureCache->AddTexture(media_names::kFontTexture);
    e.textureCache->AddTexture(media_names::kLogoTexture);
    e.modelCache->ResolveTextures(device, *e.textureCache);
    e.tree->ApplyWallTexture();
    e.water->CreateWater(device, backBufferDesc, e.modelCache, e.textureCache);

    int night;
    if (SceneSettings.timeOfDay == 0) {
        night = 0;
    } else if (SceneSettings.timeOfDay == 1) {
        night = 1;
    } else {
        std::srand(GetTickCount());
        night = sceneRandom() % 2;
    }
    SetTimeOfDay(night);
}

void CRerirScreensaver::SetTimeOfDay(int night) {
    nightMode = night;
    ApplyMaterial();
    if (device != nullptr) SetDirectionalLight(device, 0.0f, -100.0f, 0.0f);
    for (SceneElements& e : screenElements) {
        if (e.sky != nullptr) e.sky->SetSkyNight(night);
    }
}

void CRerirScreensaver::ApplyMaterial() {
    if (device == nullptr) return;
    D3DMATERIAL8 material = {};
    float rg = nightMode ? 0.3f : 1.0f;
    material.Diffuse = D3DCOLORVALUE{rg, rg, 1.0f, 0.0f};
    material.Ambient = material.Diffuse;
    device->SetMaterial(&material);
}

HRESULT CRerirScreensaver::AdvanceFrame() {
    if (AdvanceCameraTimer(&cameraIndex, &cameraTimer, elapsedTime,
                           SceneSettings.cameraChangeDelay)) {
        SetTimeOfDay(nightMode ? 0 : 1);
    }
    D3DXVECTOR3 eye, target, up(0.0f, 1.0f, 0.0f);
    CameraPresetAt(cameraIndex, appTime, &eye, &target);
    D3DXMatrixLookAtLH(&viewMatrix, &eye, &target, &up);
    MirrorViewMatrix(viewMatrix, &mirroredViewMatrix);

    sceneTime = appTime;
    sceneElapsed = elapsedTime;
    if (currentElements != nullptr && currentElements->tree != nullptr) {
        currentElements->tree->SortGrass(target - eye);
    }
    return S_OK;
}

HRESULT CRerirScreensaver::RenderFrame() {
    RefreshBumpCaps(device);
    if (FAILED(device->BeginScene())) return S_OK;
    SceneElements& e = *currentElements;

    device->SetVertexShader(kModelVertexFormat);
    ApplyMaterial();
    SetIdentity(device, D3DTS_WORLD);
    D3DXMATRIX projection;
    SetOffCenterProjection(4.0f, 5500.0f, &projection);
    device->SetTransform(D3DTS_PROJECTION, &projection);

    SetRenderTransform(device, D3DTS_VIEW, mirroredViewMatrix);
    if (e.water != nullptr) e.water->BeginReflection(device);
    if (e.sky != nullptr) e.sky->DrawSky(device, 0);
    DrawSceneObjects();
    if (e.water != nullptr) e.water->EndReflection(device);

    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x0FF00FFF, 1.0f, 0);
    SetRenderTransform(device, D3DTS_VIEW, viewMatrix);
    if (e.sky != nullptr) e.sky->DrawSky(device, 1);
    if (e.water != nullptr) e.water->DrawWater(projection, device, bumpMapSupported);
    ApplyMaterial();
    DrawSceneObjects();
    DrawOverlays();
    device->EndScene();
    return S_OK;
}

void CRerirScreensaver::DrawSceneObjects() {
    SceneElements& e = *currentElements;
    // The shore's light is baked into its textures by day; at night it is
    // drawn lit, as the sky and water draws leave lighting on.
    if (!nightMode) device->SetRenderState(D3DRS_LIGHTING, FALSE);
    if (e.shoreModel != nullptr) DrawModel(*e.shoreModel, device, true);
    device->SetRenderState(D3DRS_LIGHTING, TRUE);
    if (e.sceneModel != nullptr) DrawModel(*e.sceneModel, device, true);
    device->SetRenderState(D3DRS_SPECULARENABLE, FALSE);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    if (e.tree != nullptr) e.tree->DrawTree(device, nightMode);
    if (!nightMode) return;
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    if (e.particles != nullptr) e.particles->DrawParticles(device);
    if (FAILED(device->SetVertexShader(kModelVertexFormat))) return;
    if (e.glowModel != nullptr) DrawModel(*e.glowModel, device, true);
}

void CRerirScreensaver::DrawOverlays() {
    static bool logoStarted = false;
    static float logoStartTime = 0.0f;
    if (!logoStarted) {
        logoStarted = true;
        logoStartTime = sceneTime;
    }
    SceneElements& e = *currentElements;
    SetIdentity(device, D3DTS_WORLD);
    SetIdentity(device, D3DTS_VIEW);
    D3DXMATRIX ortho;
    D3DXMatrixOrthoOffCenterLH(&ortho, 0.0f, 1.0f, 0.0f, 1.0f, 0.0f, 1.0f);
    device->SetTransform(D3DTS_PROJECTION, &ortho);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    device->SetRenderState(D3DRS_ZENABLE, FALSE);
    if (e.font != nullptr && SceneSettings.enableFps) {
        e.font->DrawString(0.02f, 0.93f, 0.001f, 0.35f, 0.35f, 0xFFFFFF00, frameStatsText, 0);
    }
    if (e.font != nullptr && SceneSettings.showTime) {
        float x = SceneSettings.enable12Hour ? 0.7f : 0.8f;
        e.font->DrawString(x, 0.02f, 0.001f, 0.35f, 0.35f, 0xFFFFFF00,
                           FormatClock(!SceneSettings.enable12Hour), 1);
    }
    device->SetTexture(0, e.textureCache != nullptr
                              ? e.textureCache->GetTexture(media_names::kLogoTexture)
                              : nullptr);
    if (e.logo != nullptr) e.logo->DrawLogoQuad(0.0f, LogoSlideOffset(sceneTime - logoStartTime));
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
}

HRESULT CRerirScreensaver::ReleaseVolatileResources() {
    SceneElements& e = *currentElements;
    if (e.font != nullptr) {
        e.font->ReleaseFontBuffers();
        e.font->DetachFont();
        DeleteAndClear(e.font);
    }
    DeleteAndClear(e.modelCache);
    DeleteAndClear(e.textureCache);
    if (e.particles != nullptr) {
        e.particles->ReleaseParticles();
        DeleteAndClear(e.particles);
    }
    DeleteAndClear(e.logo);
    if (e.water != nullptr) {
        e.water->ReleaseWater();
        DeleteAndClear(e.water);
    }
    DeleteAndClear(e.sky);
    DeleteAndClear(e.tree);
    // The models belonged to the model cache, which is gone.
    e.sceneModel = e.shoreModel = e.glowModel = nullptr;
    return S_OK;
}

HRESULT CRerirScreensaver::ShutdownScene() {
    if (mode != ScreenSaverMode::Preview && SceneSettings.enableSound) {
        if (ambientSound != nullptr) {
            ambientSound->StopSound();
            ReleaseSound(ambientSound);
            ambientSound = nullptr;
        }
        ShutdownSound();
    }
    CloseMediaArchive();
    DeleteAndClear(sceneLog);
    return S_OK;
}
