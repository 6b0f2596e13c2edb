#include "host/error_messages.h"

#include <d3d8.h>

#include "host/saver_codes.h"

namespace {

struct ErrorString {
    HRESULT code;
    UINT stringId;
};

constexpr ErrorString errorStrings[] = {
    {E_FAIL, 2100},
    {SaverErrNoDirect3D, 2101},
    {SaverErrInitFailed, 2102},
    {SaverErrCreateDeviceFailed, 2103},
    {SaverErrNoCompatibleDevices, 2104},
    {SaverErrNoHardwareDevice, 2105},
    {SaverErrHardwareNotCompatible, 2106},
    {SaverErrNoHardwareThisMode, 2107},
    {SaverErrMediaNotFound, 2108},
    {SaverErrResetFailed, 2109},
    {E_OUTOFMEMORY, 2110},
    {D3DERR_OUTOFVIDEOMEMORY, 2111},
    {SaverErrNoPreview, 2112},
};

}  // namespace

UINT ErrorStringId(HRESULT code) {
    for (const ErrorString& entry : errorStrings) {
        if (entry.code == code) return entry.stringId;
    }
    return GeneralErrorStringId;
}
