// CD3DScreensaver: the screen-saver framework. It reads the run mode, makes the
// windows, picks a Direct3D device per screen, runs the message and frame loop
// and shows errors; a scene derives from it and draws through the hooks.
#pragma once

#include <windows.h>
#include <d3d8.h>

#include "host/monitor_record.h"
#include "host/saver_codes.h"
#include "host/screen_records.h"

// The Windows 9x password check: nonzero when the password was right.
typedef BOOL(WINAPI* VerifyPasswordFunction)(HWND window);

class CD3DScreensaver {
public:
    CD3DScreensaver();
    CD3DScreensaver(const CD3DScreensaver&) = delete;
    CD3DScreensaver& operator=(const CD3DScreensaver&) = delete;

    // The hooks, in slot order.
    virtual HRESULT Initialise(HINSTANCE moduleInstance);
    virtual INT RunMode();
    virtual void ShowConfigDialog() {}
    virtual void LoadSettings() {}
    virtual void PaintIdleWindow(HWND paintWindow, HDC dc);
    virtual LRESULT HandleWindowMessage(HWND messageWindow, UINT message, WPARAM wParam,
                                        LPARAM lParam);
    virtual void DescribeDevice();
    virtual void UpdateFrameRateText();
    virtual BOOL LookupErrorText(HRESULT code, char* text, DWORD capacity);
    virtual void SelectScreen(DWORD /*screen*/) {}
    virtual HRESULT RegisterSoftwareRenderer() { return S_OK; }
    virtual HRESULT AcceptDevice(D3DCAPS8* /*caps*/, DWORD /*behaviourFlags*/,
                                 D3DFORMAT /*backBufferFormat*/) {
        return S_OK;
    }
    virtual HRESULT AcceptMode(IDirect3DDevice8* /*createdDevice*/) { return S_OK; }
    virtual HRESULT InitScene() { return S_OK; }
    virtual HRESULT CreateDeviceResources() { return S_OK; }
    virtual HRESULT RestoreDeviceResources() { return S_OK; }
    virtual HRESULT AdvanceFrame() { return S_OK; }
    virtual HRESULT RenderFrame() { return S_OK; }
    virtual HRESULT ReleaseVolatileResources() { return S_OK; }
    virtual HRESULT DestroyDeviceResources() { return S_OK; }
    virtual HRESULT ShutdownScene() { return S_OK; }
    virtual ~CD3DScreensaver();

    // Services for the scene.
    // The projection of the selected screen: one wide picture over all screens,
    // or the whole picture on each when allScreensSame is set.
    void SetOffCenterProjection(float zNear, float zFar, D3DMATRIX* out);
    // Per-screen display settings under the open registry key `key`, and the
    // Display Settings dialog that edits them (1 for OK, 2 for Cancel).
    void LoadScreenSettings(HKEY key);
    void SaveScreenSettings(HKEY key);
    INT_PTR ShowDisplaySettingsDialog(HWND owner);
    void FillAdapterPage(HWND dialog);
    INT_PTR HandleDisplaySettingsMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    // Shows the message of `code` in a message box; returns `code`.
    HRESULT ShowErrorBox(HRESULT code);

    // Fields, in this order.
    ScreenSaverMode mode;
    BOOL allScreensSame;
    HWND window;
    HWND parentWindow;
    HINSTANCE instance;
    BOOL waitingForPreviewStart;
    UINT mouseMoveCount;
    BOOL isWin9x;
    HMODULE passwordLibrary;
    VerifyPasswordFunction verifyPassword;
    BOOL checkingPassword;
    BOOL windowed;
    BOOL errorMode;
    HRESULT errorCode;
    char errorText[400];
    MonitorRecord monitors[MaxMonitors];
    DWORD monitorCount;
    ScreenDevice screenDevices[MaxScreenDevices];
    DWORD screenDeviceCount;
    AdapterRecord* adapters[MaxAdapters];
    DWORD adapterCount;
    IDirect3D8* direct3d;
    IDirect3DDevice8* device;
    RECT totalRenderRect;
    RECT currentRenderRect;
    D3DSURFACE_DESC backBufferDesc;
    char windowTitle[200];
    BOOL allowReference;
    BOOL useDepthBuffer;
    BOOL multithreaded;
    BOOL oneScreenOnly;
    char registryPath[200];
    UINT minDepthBits;
    UINT minStencilBits;
    D3DSWAPEFFECT fullScreenSwapEffect;
    D3DSWAPEFFECT windowedSwapEffect;
    float appTime;
    float elapsedTime;
    float framesPerSecond;
    char deviceStatsText[90];
    char frameStatsText[40];
    HBITMAP previewBitmap;
    // The scene's "Exit on Mouse" setting, read when the mouse moves; null
    // means moves end the saver.
    const BYTE* exitOnMouse;

protected:
    // What a tool driving the host sets before Initialise: the command line
    // the run mode is read from (null: the process's own), and flags every
    // device's present parameters get (none for the saver; a tool that reads
    // frames back asks for a lockable back buffer).
    const char* commandLine = nullptr;
    DWORD presentFlags = 0;

    // Run modes and the frame loop.
    HRESULT RunSaverLoop();
    HRESULT CreateScreenDevices();
    void SelectScreenDevice(DWORD screen);
    void DrawAllScreens();
    void ReleaseScreenDevices();
    void CloseSaver();

    // Windows.
    HRESULT CreateSaverWindows();
    void EndSaver();
    // Takes every saver window off the screen (they stay until the process ends).
    void HideSaverWindows();

    // Monitors, adapters and devices.
    void EnumerateMonitors();
    HRESULT BuildAdapterList();
    BOOL FindDepthFormat(UINT adapter, D3DDEVTYPE deviceType, D3DFORMAT backBufferFormat,
                         D3DFORMAT* depthFormat);
    BOOL PickBestAdapter(int* adapterIndex);
    HRESULT CreateFullScreenDevice(ScreenDevice& screen);
    BOOL StepDownMode(DeviceRecord& deviceRecord);
    HRESULT CreateWindowedDevice(ScreenDevice& screen);
    HRESULT TestWindowedFormat(UINT adapter, D3DFORMAT backBufferFormat);

    // Passwords and the error display.
    void PreparePassword();
    void CheckPassword();
    void ChangeSaverPassword();
    void AnimateErrorBox();

private:
    // Releases every screen's scene resources and device; the table of
    // screens and the Direct3D object stay.
    void ReleaseEachScreenDevice();
    // The monitor the display dialog shows, and the help text id for one.
    int CurrentSettingsMonitor(HWND dialog);
    UINT DisplayHelpText(int monitorIndex);
    // Tries the vertex-processing behaviours the device supports, best first,
    // until the scene accepts one; S_OK with the flags, or the last refusal.
    HRESULT ConfirmBehaviour(D3DCAPS8& caps, D3DFORMAT format, DWORD* behaviourFlags);
    void SaveSteppedDownMode(const AdapterRecord& adapter, int monitorIndex);
    void EnterErrorMode(HRESULT code);
    void CreateDeviceResourcesFor(DWORD screen);

    BOOL closing = FALSE;  // CloseSaver ran
    // Results of TestWindowedFormat for the windowed device being made.
    DWORD windowedBehaviourFlags = 0;
    D3DFORMAT windowedDepthFormat = D3DFMT_UNKNOWN;
};

// The one host object of the process, for the window procedure; null before
// it is constructed and after it is destroyed.
CD3DScreensaver* ActiveScreensaver();

// Starts the frame-rate measurement afresh, as at program start (for tests).
void ForgetFrameRateMeasurement();
