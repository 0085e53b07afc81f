#include "dinput_common.h"

#include <cstdio>

#include "call_log.h"

namespace taclib {

bool DInputFailed(const char *call, HRESULT hr)
{
    char code[16];
    (void)std::snprintf(code, sizeof code, "0x%08lx", static_cast<unsigned long>(hr));
    LogNote(std::string("dinput ") + call + " failed: " + code);
    return false;
}

bool DInputIsLost(HRESULT hr)
{
    // Some of these codes are defined as unsigned literals.
    return hr == static_cast<HRESULT>(DIERR_NOTACQUIRED) ||
           hr == static_cast<HRESULT>(DIERR_NOTEXCLUSIVEACQUIRED) ||
           hr == static_cast<HRESULT>(DIERR_INPUTLOST);
}

bool DInputLink::IsGone(HRESULT hr)
{
    return hr == static_cast<HRESULT>(DIERR_UNPLUGGED) ||
           hr == static_cast<HRESULT>(DIERR_INPUTLOST) ||
           hr == HRESULT_FROM_WIN32(ERROR_DEVICE_NOT_CONNECTED);
}

namespace {

struct Listing {
    ForceKind kind;
    std::vector<WindowsDevice> *out;
};

BOOL CALLBACK ListOne(LPCDIDEVICEINSTANCEA instance, LPVOID context)
{
    const Listing *listing = static_cast<const Listing *>(context);
    WindowsDevice device;
    device.kind = listing->kind;
    device.guid = instance->guidInstance;
    device.name = instance->tszInstanceName;
    listing->out->push_back(device);
    return DIENUM_CONTINUE;
}

} // namespace

bool ListDInputDevices(IDirectInput8A *di, DWORD deviceClass, ForceKind kind,
                       std::vector<WindowsDevice> *out, std::string *why)
{
    Listing listing{kind, out};
    HRESULT hr =
        di->EnumDevices(deviceClass, ListOne, &listing, DIEDFL_ATTACHEDONLY | DIEDFL_FORCEFEEDBACK);
    if (SUCCEEDED(hr))
        return true;
    *why = std::string(KindName(kind)) + "s cannot be listed";
    return DInputFailed("EnumDevices", hr);
}

HMODULE LoadWindowsLibrary(const char *name, bool besideProgram)
{
    DWORD where = LOAD_LIBRARY_SEARCH_SYSTEM32;
    if (besideProgram)
        where |= LOAD_LIBRARY_SEARCH_APPLICATION_DIR;
    HMODULE library = LoadLibraryExA(name, nullptr, where);
    // Windows without those flags refuses them: its own search then.
    if (library == nullptr && GetLastError() == ERROR_INVALID_PARAMETER)
        library = LoadLibraryA(name);
    return library;
}

bool PrepareDInputDevice(IDirectInputDevice8A *device, const DIDATAFORMAT *format,
                         const OpenRequest &request, std::string *why)
{
    HRESULT hr = device->SetDataFormat(format);
    if (FAILED(hr)) {
        *why = "SetDataFormat failed";
        return DInputFailed("SetDataFormat", hr);
    }
    // A pointing device is here only with foregroundOnly set.
    DWORD level = DISCL_EXCLUSIVE | (request.foregroundOnly ? DISCL_FOREGROUND : DISCL_BACKGROUND);
    hr = device->SetCooperativeLevel(static_cast<HWND>(request.window), level);
    if (FAILED(hr)) {
        *why = "SetCooperativeLevel failed";
        return DInputFailed("SetCooperativeLevel", hr);
    }
    // The device's own centring would fight the spring's centre; devices
    // without it refuse, which is fine.
    DIPROPDWORD autocenter{};
    autocenter.diph.dwSize = sizeof(DIPROPDWORD);
    autocenter.diph.dwHeaderSize = sizeof(DIPROPHEADER);
    autocenter.diph.dwHow = DIPH_DEVICE;
    autocenter.dwData = DIPROPAUTOCENTER_OFF;
    (void)device->SetProperty(DIPROP_AUTOCENTER, &autocenter.diph);
    // Fails while the window is not in the foreground; effect calls acquire
    // again.
    (void)device->Acquire();
    return true;
}

} // namespace taclib
