// Test doubles around the host: a scene that writes every hook call to a log
// and can be told to fail hooks, and a scripted set of monitors behind the
// multi-monitor functions.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "host/d3d_screensaver.h"
#include "host/multi_monitor.h"
#include "tests/support/scripted_direct3d.h"

class RecordingSaver : public CD3DScreensaver {
public:
    explicit RecordingSaver(std::vector<std::string>* hookLog) : log(hookLog) {}

    std::vector<std::string>* log;
    std::set<std::string> failing;  // hooks that answer E_FAIL
    int endAfterFrames = -1;        // AdvanceFrame ends the saver on this frame
    int frames = 0;

    // The host's own steps, reachable from tests.
    using CD3DScreensaver::AnimateErrorBox;
    using CD3DScreensaver::BuildAdapterList;
    using CD3DScreensaver::CloseSaver;
    using CD3DScreensaver::CreateFullScreenDevice;
    using CD3DScreensaver::CreateSaverWindows;
    using CD3DScreensaver::CreateScreenDevices;
    using CD3DScreensaver::CreateWindowedDevice;
    using CD3DScreensaver::DrawAllScreens;
    using CD3DScreensaver::EndSaver;
    using CD3DScreensaver::EnumerateMonitors;
    using CD3DScreensaver::PickBestAdapter;
    using CD3DScreensaver::ReleaseScreenDevices;
    using CD3DScreensaver::RunSaverLoop;
    using CD3DScreensaver::SelectScreenDevice;

    void LoadSettings() override { Record("LoadSettings"); }
    void DescribeDevice() override {
        Record("DescribeDevice");
        CD3DScreensaver::DescribeDevice();
    }
    void UpdateFrameRateText() override {
        Record("UpdateFrameRateText");
        CD3DScreensaver::UpdateFrameRateText();
    }
    void SelectScreen(DWORD screen) override { Record("SelectScreen " + std::to_string(screen)); }
    HRESULT RegisterSoftwareRenderer() override { return Result("RegisterSoftwareRenderer"); }
    HRESULT AcceptDevice(D3DCAPS8*, DWORD flags, D3DFORMAT format) override {
        acceptDeviceCalls.push_back({flags, format});
        if (rejectedFlags.count(flags)) return E_FAIL;
        return failing.count("AcceptDevice") ? E_FAIL : S_OK;
    }
    HRESULT AcceptMode(IDirect3DDevice8*) override { return Result("AcceptMode"); }
    HRESULT InitScene() override { return Result("InitScene"); }
    HRESULT CreateDeviceResources() override { return Result("CreateDeviceResources"); }
    HRESULT RestoreDeviceResources() override { return Result("RestoreDeviceResources"); }
    HRESULT AdvanceFrame() override {
        ++frames;
        const HRESULT hr = Result("AdvanceFrame");
        if (frames == endAfterFrames) EndSaver();
        return hr;
    }
    HRESULT RenderFrame() override { return Result("RenderFrame"); }
    HRESULT ReleaseVolatileResources() override { return Result("ReleaseVolatileResources"); }
    HRESULT DestroyDeviceResources() override { return Result("DestroyDeviceResources"); }
    HRESULT ShutdownScene() override { return Result("ShutdownScene"); }

    struct AcceptDeviceCall {
        DWORD flags;
        D3DFORMAT format;
    };
    std::vector<AcceptDeviceCall> acceptDeviceCalls;
    std::set<DWORD> rejectedFlags;  // behaviour flags AcceptDevice refuses

private:
    void Record(const std::string& text) { log->push_back(text); }
    HRESULT Result(const std::string& hook) {
        Record(hook);
        return failing.count(hook) ? E_FAIL : S_OK;
    }
};

// Display devices as the system would list them.
struct ScriptedDisplay {
    std::string adapterName;
    std::string monitorName;
    RECT rect;
    bool attached = true;
    bool primary = false;
    bool mirroring = false;
};

// Puts `displays` behind the multi-monitor functions until destroyed. The
// monitor handle of display i is i + 1.
class ScriptedMonitors {
public:
    explicit ScriptedMonitors(std::vector<ScriptedDisplay> displays);
    ~ScriptedMonitors();
    static HMONITOR Handle(size_t index) {
        return reinterpret_cast<HMONITOR>(static_cast<uintptr_t>(index + 1));
    }
};

// A window handle no window stands behind: the platform ignores calls on it.
inline HWND FakeWindow(uintptr_t n) {
    return reinterpret_cast<HWND>(0x7000 + n * 16);
}

// Takes every message waiting for this thread, the quit message included;
// true when a quit message was among them.
bool DrainMessages();
