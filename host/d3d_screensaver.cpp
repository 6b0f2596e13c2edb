#include "host/d3d_screensaver.h"

#include <d3dx8.h>

#include <cstdio>
#include <cstring>

#include "host/command_line.h"
#include "host/frame_timer.h"
#include "host/off_center_projection.h"

namespace {

CD3DScreensaver* activeScreensaver = nullptr;

// Frame-rate measurement, shared by the whole process.
DWORD framesCounted = 0;
float lastFrameRateTime = 0.0f;

void CopyText(char* destination, size_t capacity, const char* source) {
    std::snprintf(destination, capacity, "%s", source);
}

}  // namespace

CD3DScreensaver* ActiveScreensaver() {
    return activeScreensaver;
}

void ForgetFrameRateMeasurement() {
    framesCounted = 0;
    lastFrameRateTime = 0.0f;
}

CD3DScreensaver::CD3DScreensaver()
    : mode(ScreenSaverMode::Config),
      allScreensSame(FALSE),
      window(nullptr),
      parentWindow(nullptr),
      instance(nullptr),
      waitingForPreviewStart(FALSE),
      mouseMoveCount(0),
      isWin9x(FALSE),
      passwordLibrary(nullptr),
      verifyPassword(nullptr),
      checkingPassword(FALSE),
      windowed(FALSE),
      errorMode(FALSE),
      errorCode(S_OK),
      errorText{},
      monitors{},
      monitorCount(0),
      screenDevices{},
      screenDeviceCount(0),
      adapters{},
      adapterCount(0),
      direct3d(nullptr),
      device(nullptr),
      totalRenderRect{},
      currentRenderRect{},
      backBufferDesc{},
      windowTitle{},
      allowReference(FALSE),
      useDepthBuffer(FALSE),
      multithreaded(FALSE),
      oneScreenOnly(FALSE),
      registryPath{},
      minDepthBits(16),
      minStencilBits(0),
      fullScreenSwapEffect(D3DSWAPEFFECT_DISCARD),
      windowedSwapEffect(D3DSWAPEFFECT_COPY_VSYNC),
      appTime(0.0f),
      elapsedTime(0.0f),
      framesPerSecond(0.0f),
      deviceStatsText{},
      frameStatsText{},
      previewBitmap(nullptr),
      exitOnMouse(nullptr) {
    CopyText(windowTitle, sizeof(windowTitle), "Screen Saver");
    activeScreensaver = this;
}

CD3DScreensaver::~CD3DScreensaver() {
    // A run that ended early (tests, a failed start) may still hold these.
    for (DWORD i = 0; i < screenDeviceCount; ++i) {
        if (screenDevices[i].device != nullptr) screenDevices[i].device->Release();
    }
    for (AdapterRecord*& adapter : adapters) {
        delete adapter;
        adapter = nullptr;
    }
    if (direct3d != nullptr) direct3d->Release();
    if (activeScreensaver == this) activeScreensaver = nullptr;
}

void CD3DScreensaver::EnterErrorMode(HRESULT code) {
    errorMode = TRUE;
    errorCode = code;
}

HRESULT CD3DScreensaver::Initialise(HINSTANCE moduleInstance) {
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_IDLE);
    instance = moduleInstance;
    mode = ReadCommandLine(commandLine != nullptr ? commandLine : GetCommandLine(), &parentWindow);

    EnumerateMonitors();

    if (mode == ScreenSaverMode::Preview || mode == ScreenSaverMode::Test ||
        mode == ScreenSaverMode::FullScreen) {
        const HRESULT hr = CreateSaverWindows();
        if (FAILED(hr)) EnterErrorMode(hr);
    }

    // The preview waits half a second before the Direct3D work starts, so a
    // preview that is torn down at once never creates a device.
    if (mode == ScreenSaverMode::Preview && window != nullptr) {
        waitingForPreviewStart = TRUE;
        PostMessage(window, WM_USER, 0, 0);
        MSG msg;
        while (waitingForPreviewStart) {
            const BOOL got = GetMessage(&msg, window, 0, 0);
            if (got == 0 || got == -1) {
                PostQuitMessage(0);
                break;
            }
            TranslateMessage(&msg);
            DispatchMessage(&msg);
        }
    }

    direct3d = Direct3DCreate8(D3D_SDK_VERSION);
    if (direct3d == nullptr) {
        EnterErrorMode(SaverErrNoDirect3D);
        return S_OK;
    }

    HRESULT hr = RegisterSoftwareRenderer();
    if (FAILED(hr)) {
        EnterErrorMode(hr);
        return S_OK;
    }

    hr = BuildAdapterList();
    if (FAILED(hr)) {
        EnterErrorMode(hr);
        return S_OK;
    }

    for (DWORD a = 0; a < adapterCount; ++a) {
        if (adapters[a] != nullptr &&
            (adapters[a]->hasCompatibleHardware || adapters[a]->hasCompatibleSoftware)) {
            LoadSettings();
            return S_OK;
        }
    }
    EnterErrorMode(SaverErrNoCompatibleDevices);
    return S_OK;
}

INT CD3DScreensaver::RunMode() {
    switch (mode) {
        case ScreenSaverMode::Config:
            if (errorMode) {
                ShowErrorBox(errorCode);
            } else {
                ShowConfigDialog();
            }
            break;
        case ScreenSaverMode::Preview:
        case ScreenSaverMode::Test:
        case ScreenSaverMode::FullScreen: {
            const HRESULT hr = RunSaverLoop();
            if (FAILED(hr)) ShowErrorBox(hr);
            break;
        }
        case ScreenSaverMode::ChangePassword:
            ChangeSaverPassword();
            break;
    }
    for (AdapterRecord*& adapter : adapters) {
        delete adapter;
        adapter = nullptr;
    }
    adapterCount = 0;
    if (direct3d != nullptr) {
        direct3d->Release();
        direct3d = nullptr;
    }
    return 0;
}

HRESULT CD3DScreensaver::RunSaverLoop() {
    PreparePassword();
    FrameTimer(TimerCommand::Start);

    if (!errorMode) {
        const HRESULT hr = InitScene();
        if (FAILED(hr)) return hr;
        CreateScreenDevices();
    }

    if (mode == ScreenSaverMode::FullScreen) {
        SystemParametersInfo(SPI_SCREENSAVERRUNNING, TRUE, nullptr, 0);
    }

    MSG msg = {};
    while (msg.message != WM_QUIT) {
        if (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) break;
            TranslateMessage(&msg);
            DispatchMessage(&msg);
            continue;
        }
        Sleep(10);
        if (errorMode) {
            AnimateErrorBox();
        } else if (mode != ScreenSaverMode::Preview) {
            DrawAllScreens();
        }
    }
    // A quit that came from outside (the session asking the program to end)
    // shuts down the same way as the saver's own end; after that it is a no-op.
    CloseSaver();
    return S_OK;
}

HRESULT CD3DScreensaver::CreateScreenDevices() {
    if (mode == ScreenSaverMode::FullScreen) {
        windowed = FALSE;
        if (oneScreenOnly) {
            for (DWORD a = 0; a < adapterCount; ++a) adapters[a]->leaveBlack = TRUE;
            int best = -1;
            if (!PickBestAdapter(&best)) {
                EnterErrorMode(SaverErrNoCompatibleDevices);
            } else {
                adapters[best]->leaveBlack = FALSE;
            }
        }
        for (DWORD m = 0; m < monitorCount; ++m) {
            const int a = monitors[m].adapterIndex;
            if (a < 0 || static_cast<DWORD>(a) >= adapterCount) continue;
            AdapterRecord& adapter = *adapters[a];
            if (adapter.disableHardware && !adapter.hasCompatibleSoftware && !allowReference) {
                adapter.leaveBlack = TRUE;
            }
            if (adapter.leaveBlack || adapter.deviceCount == 0) continue;
            if (screenDeviceCount >= MaxScreenDevices) break;
            adapter.deviceWindow = monitors[m].window;
            ScreenDevice& screen = screenDevices[screenDeviceCount];
            screen = ScreenDevice{};
            screen.adapterIndex = a;
            ++screenDeviceCount;
            if (FAILED(CreateFullScreenDevice(screen))) {
                --screenDeviceCount;
                screen = ScreenDevice{};
                EnterErrorMode(SaverErrCreateDeviceFailed);
            }
        }
    } else {
        windowed = TRUE;
        GetClientRect(window, &totalRenderRect);
        currentRenderRect = totalRenderRect;
        int best = -1;
        if (!PickBestAdapter(&best)) {
            EnterErrorMode(SaverErrCreateDeviceFailed);
        } else {
            adapters[best]->deviceWindow = window;
        }
        if (!errorMode) {
            ScreenDevice& screen = screenDevices[screenDeviceCount];
            screen = ScreenDevice{};
            screen.adapterIndex = best;
            ++screenDeviceCount;
            if (FAILED(CreateWindowedDevice(screen))) {
                --screenDeviceCount;
                screen = ScreenDevice{};
                EnterErrorMode(mode == ScreenSaverMode::Preview ? SaverErrNoPreview
                                                                : SaverErrCreateDeviceFailed);
            }
        }
    }

    for (DWORD m = 0; m < monitorCount; ++m) {
        MONITORINFO info = {};
        info.cbSize = sizeof(info);
        if (monitors[m].monitorHandle != nullptr &&
            GetMonitorInfo(monitors[m].monitorHandle, &info)) {
            monitors[m].screenRect = info.rcMonitor;
        }
        if (!windowed && monitors[m].window != nullptr) {
            const RECT& r = monitors[m].screenRect;
            SetWindowPos(monitors[m].window, HWND_TOPMOST, r.left, r.top, r.right - r.left,
                         r.bottom - r.top, SWP_NOACTIVATE);
        }
    }

    if (!windowed) {
        SetRectEmpty(&totalRenderRect);
        for (DWORD i = 0; i < screenDeviceCount; ++i) {
            const RECT current = totalRenderRect;
            UnionRect(&totalRenderRect, &current,
                      &monitors[screenDevices[i].monitorIndex].screenRect);
        }
    }

    if (!errorMode) {
        for (DWORD i = 0; i < screenDeviceCount; ++i) CreateDeviceResourcesFor(i);
        DescribeDevice();
    }

    mouseMoveCount = 0;
    return S_OK;
}

// Creates and restores the scene's resources on one screen's device.
void CD3DScreensaver::CreateDeviceResourcesFor(DWORD screen) {
    SelectScreenDevice(screen);
    if (FAILED(CreateDeviceResources())) {
        EnterErrorMode(SaverErrDeviceResourcesFailed);
        return;
    }
    screenDevices[screen].resourcesCreated = TRUE;
    if (FAILED(RestoreDeviceResources())) {
        EnterErrorMode(SaverErrDeviceResourcesFailed);
        return;
    }
    screenDevices[screen].resourcesRestored = TRUE;
}

void CD3DScreensaver::SelectScreenDevice(DWORD screen) {
    ScreenDevice& entry = screenDevices[screen];
    device = entry.device;
    if (!windowed) currentRenderRect = monitors[entry.monitorIndex].screenRect;
    if (device != nullptr) {
        IDirect3DSurface8* backBuffer = nullptr;
        if (SUCCEEDED(device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &backBuffer)) &&
            backBuffer != nullptr) {
            backBuffer->GetDesc(&backBufferDesc);
            backBuffer->Release();
        }
    }
    CopyText(deviceStatsText, sizeof(deviceStatsText), entry.deviceStatsText);
    CopyText(frameStatsText, sizeof(frameStatsText), entry.frameStatsText);
    SelectScreen(screen);
}

void CD3DScreensaver::DrawAllScreens() {
    appTime = FrameTimer(TimerCommand::AppTime);
    elapsedTime = FrameTimer(TimerCommand::ElapsedTime);

    AdvanceFrame();
    UpdateFrameRateText();

    for (DWORD i = 0; i < screenDeviceCount; ++i) {
        SelectScreenDevice(i);
        if (device == nullptr) continue;
        ScreenDevice& screen = screenDevices[i];
        const HRESULT level = device->TestCooperativeLevel();
        if (level == D3DERR_DEVICELOST) return;  // nothing is drawn or shown now
        if (level == D3DERR_DEVICENOTRESET) {
            if (windowed) {
                AdapterRecord& adapter = *adapters[screen.adapterIndex];
                direct3d->GetAdapterDisplayMode(screen.adapterIndex, &adapter.desktopMode);
            }
            if (screen.resourcesRestored) {
                ReleaseVolatileResources();
                screen.resourcesRestored = FALSE;
            }
            // A device that could not be reset, or whose resources could not be
            // made again, is not drawn: the scene's objects on it are gone.
            if (FAILED(device->Reset(&screen.presentParameters))) {
                errorMode = TRUE;
                continue;
            }
            if (FAILED(RestoreDeviceResources())) {
                errorMode = TRUE;
                continue;
            }
            screen.resourcesRestored = TRUE;
        }
        RenderFrame();
    }

    for (DWORD i = 0; i < screenDeviceCount; ++i) {
        SelectScreenDevice(i);
        if (device != nullptr) device->Present(nullptr, nullptr, nullptr, nullptr);
    }
}

void CD3DScreensaver::UpdateFrameRateText() {
    const float now = FrameTimer(TimerCommand::AbsoluteTime);
    ++framesCounted;
    if (now - lastFrameRateTime > 1.0f) {
        framesPerSecond = static_cast<float>(framesCounted) / (now - lastFrameRateTime);
        lastFrameRateTime = now;
        framesCounted = 0;
        for (DWORD i = 0; i < screenDeviceCount; ++i) {
            std::snprintf(screenDevices[i].frameStatsText, sizeof(screenDevices[i].frameStatsText),
                          "%i", static_cast<int>(framesPerSecond));
        }
    }
}

void CD3DScreensaver::SetOffCenterProjection(float zNear, float zFar, D3DMATRIX* out) {
    const RECT& bounds = allScreensSame ? currentRenderRect : totalRenderRect;
    const OffCenterVolume v = ComputeOffCenterVolume(currentRenderRect, bounds, zNear);
    D3DXMATRIX projection;
    D3DXMatrixPerspectiveOffCenterLH(&projection, v.left, v.right, v.bottom, v.top, zNear, zFar);
    *out = projection;
}

void CD3DScreensaver::ReleaseScreenDevices() {
    ReleaseEachScreenDevice();
    screenDeviceCount = 0;
    if (direct3d != nullptr) {
        direct3d->Release();
        direct3d = nullptr;
    }
}

void CD3DScreensaver::ReleaseEachScreenDevice() {
    for (DWORD i = 0; i < screenDeviceCount; ++i) {
        SelectScreenDevice(i);
        ScreenDevice& screen = screenDevices[i];
        if (screen.resourcesRestored) {
            ReleaseVolatileResources();
            screen.resourcesRestored = FALSE;
        }
        if (screen.resourcesCreated) {
            DestroyDeviceResources();
            screen.resourcesCreated = FALSE;
        }
        if (screen.device != nullptr) {
            screen.device->Release();
            screen.device = nullptr;
        }
    }
    device = nullptr;
}

void CD3DScreensaver::CloseSaver() {
    // Messages still queued behind the first end request must not shut the
    // scene down a second time.
    if (closing) return;
    closing = TRUE;
    // The user is back: the saver leaves the screen first, and the release of
    // the devices, the scene and the sound follows out of sight. It runs at
    // normal priority again where the system allows the raise, so that on a
    // busy machine the end is not drawn out at idle priority.
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_NORMAL);
    HideSaverWindows();
    if (mode == ScreenSaverMode::FullScreen) {
        SystemParametersInfo(SPI_SCREENSAVERRUNNING, FALSE, nullptr, 0);
    }
    ReleaseScreenDevices();
    ShutdownScene();
    if (passwordLibrary != nullptr) {
        FreeLibrary(passwordLibrary);
        passwordLibrary = nullptr;
        verifyPassword = nullptr;
    }
    PostQuitMessage(0);
}
