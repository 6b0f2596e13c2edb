#include "scene/camera_tour.h"

#include <algorithm>
#include <cmath>

#include "scene/scene_settings.h"

bool AdvanceCameraTimer(int* cameraIndex, float* cameraTimer, float elapsed,
                        int cameraChangeDelay) {
    *cameraTimer += elapsed;
    // A delay from outside the dialog's range would cut on every frame (or
    // overflow): the shortest interval is 5 seconds, the longest 45.
    const int delay = std::clamp(cameraChangeDelay, 0, kLongestCameraDelay);
    if (!(*cameraTimer > static_cast<float>(delay + 5))) return false;
    bool wrapped = false;
    *cameraIndex += 1;
    if (*cameraIndex > kCameraPresetCount - 1) {
        wrapped = true;
        *cameraIndex = 0;
    }
    *cameraTimer = 0.0f;
    return wrapped;
}

void CameraPresetAt(int index, float t, D3DXVECTOR3* eye, D3DXVECTOR3* target) {
    switch (index) {
        case 0:
            *eye = D3DXVECTOR3(-50.0f - std::sin(0.2f * t) * 50.0f / 5.0f,
                               60.0f + 30.0f * std::cos(0.2f * t), 200.0f);
            *target = D3DXVECTOR3(0.0f, 40.0f, 0.0f);
            break;
        case 1:
            *eye = D3DXVECTOR3(180.0f, 60.0f + 30.0f * std::cos(0.2f * t), 120.0f);
            *target = D3DXVECTOR3(0.0f, 30.0f, 60.0f);
            break;
        case 2:
            *eye = D3DXVECTOR3(1.0f, 150.0f, 200.0f + 20.0f * std::cos(t / 5.0f));
            *target = D3DXVECTOR3(0.0f, 10.0f, 0.0f);
            break;
        case 3:
            *eye = D3DXVECTOR3(-200.0f, 50.0f, -200.0f * std::cos(t / 18.0f));
            *target = D3DXVECTOR3(0.0f, 20.0f, 0.0f);
            break;
        case 4:
            *eye = D3DXVECTOR3(110.0f, 150.0f, -110.0f * std::cos(t / 18.0f));
            *target = D3DXVECTOR3(0.0f, 50.0f, 0.0f);
            break;
        case 5:
            *eye = D3DXVECTOR3(-190.0f, 50.0f, 190.0f * std::cos(t / 18.0f));
            *target = D3DXVECTOR3(0.0f, 20.0f, 0.0f);
            break;
        default:
            *eye = D3DXVECTOR3(110.0f * std::cos(t / 10.0f), 150.0f, -110.0f);
            *target = D3DXVECTOR3(0.0f, 40.0f + std::sin(0.5f * t) * 50.0f / 5.0f, 0.0f);
            break;
    }
}

void MirrorViewMatrix(const D3DXMATRIX& view, D3DXMATRIX* mirrored) {
    *mirrored = view;
    mirrored->_12 = -view._12;
    mirrored->_21 = -view._21;
    mirrored->_23 = -view._23;
    mirrored->_32 = -view._32;
    mirrored->_42 = -view._42;
}
