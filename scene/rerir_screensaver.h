// The scene of the saver: a lake with an island tree, drawn on every screen
// in two passes (the mirrored reflection into the water's texture, then the
// main pass) with the clock, frame rate and logo over it. The host owns the
// windows, devices and timing; this class answers its hooks.
#pragma once

#include <d3dx8.h>

#include <string>

#include "host/d3d_screensaver.h"
#include "scene/scene_elements.h"

class LogFile;
class CSound;

constexpr int kSceneScreenSlots = 10;

class CRerirScreensaver : public CD3DScreensaver {
public:
    CRerirScreensaver();
    ~CRerirScreensaver() override;

    void ShowConfigDialog() override;
    void LoadSettings() override;
    void SelectScreen(DWORD screen) override;
    HRESULT InitScene() override;
    HRESULT RestoreDeviceResources() override;
    HRESULT AdvanceFrame() override;
    HRESULT RenderFrame() override;
    HRESULT ReleaseVolatileResources() override;
    HRESULT ShutdownScene() override;

    // Sets day (0) or night (1): material, light and every screen's sky.
    void SetTimeOfDay(int night);
    // Reads the scene's values from the registry (the settings record and
    // mediaPath) and the host's per-screen display settings. Numbers outside
    // the range their control offers are brought into it.
    void ReadSceneSettings();
    // Writes them back; ERROR_SUCCESS, or the registry's reason for the first
    // value that could not be written (the rest are then not tried).
    LONG WriteSceneSettings();
    // The clock, frame rate and logo over the selected screen's frame.
    void DrawOverlays();

    SceneElements screenElements[kSceneScreenSlots];
    SceneElements* currentElements;
    std::string mediaPath;
    D3DXMATRIX viewMatrix;
    D3DXMATRIX mirroredViewMatrix;
    int cameraIndex;
    float cameraTimer;
    int nightMode;
    LogFile* sceneLog;
    CSound* ambientSound;

private:
    void CreateScreenElements();
    void ApplyMaterial();
    void DrawSceneObjects();
};

// The one scene of the process, for the configuration dialog procedure.
extern CRerirScreensaver* activeScene;

// The configuration dialog's procedure and its delay label refresh.
INT_PTR CALLBACK ConfigDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
void UpdateDelayLabel(HWND dialog);

// Sets light 0 of `device` to a white directional light along (x, y, z).
void SetDirectionalLight(IDirect3DDevice8* device, float x, float y, float z);
// Notes whether `device` can do bump environment mapping (bumpMapSupported).
void RefreshBumpCaps(IDirect3DDevice8* device);
