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

ScreenSize WindowsScreen()
{
    ScreenSize size;
    if (ScreenOverride(&size))
        return size;
    size.width = GetSystemMetrics(SM_CXSCREEN);
    size.height = GetSystemMetrics(SM_CYSCREEN);
    return size.width > 0 && size.height > 0 ? size : kDefaultScreen;
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
