// Run modes of the saver and the result codes the host adds to the platform's.
#pragma once

#include <windows.h>

#include <cstdint>

// How the program was started; the numbers are part of the saver's logic.
enum class ScreenSaverMode : int32_t {
    Config = 0,
    Preview = 1,
    FullScreen = 2,
    Test = 3,
    ChangePassword = 4,
};

// The host's own failure codes. Codes without a setter still have a message.
constexpr HRESULT SaverErrNoDirect3D = (HRESULT)0x82000001;
constexpr HRESULT SaverErrNoCompatibleDevices = (HRESULT)0x82000003;
constexpr HRESULT SaverErrNoHardwareDevice = (HRESULT)0x82000005;
constexpr HRESULT SaverErrHardwareNotCompatible = (HRESULT)0x82000006;
constexpr HRESULT SaverErrInitFailed = (HRESULT)0x82000007;
constexpr HRESULT SaverErrNoHardwareThisMode = (HRESULT)0x82000009;
constexpr HRESULT SaverErrMediaNotFound = (HRESULT)0x8200000B;
constexpr HRESULT SaverErrResetFailed = (HRESULT)0x8200000C;
constexpr HRESULT SaverErrDeviceResourcesFailed = (HRESULT)0x8200000D;
constexpr HRESULT SaverErrCreateDeviceFailed = (HRESULT)0x8200000E;
constexpr HRESULT SaverErrNoPreview = (HRESULT)0x8200000F;

// Table sizes of the host.
constexpr int MaxMonitors = 9;
constexpr int MaxAdapters = 9;
constexpr int MaxScreenDevices = 9;
