// What the DirectInput backends share: the failure note, the
// preparation of a device for force on the program's window, and effect
// calls that acquire the device again when it was found lost.
#pragma once
#define DIRECTINPUT_VERSION 0x0800
#include <windows.h>
#include <dinput.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "backend.h"
#include "device_kinds.h"

namespace taclib {

// Writes one "dinput CALL failed: 0xHRESULT" note; false.
bool DInputFailed(const char *call, HRESULT hr);

// Errors that mean the device is no longer ours (another window came to the
// front, or the device was unplugged): acquiring it again may help.
bool DInputIsLost(HRESULT hr);

// Loads a DLL from the program's folder (when BESIDE_PROGRAM) or the system's
// only; null when it is in neither.
HMODULE LoadWindowsLibrary(const char *name, bool besideProgram);

// A function of a library loaded at run time, as the type it has.
template <class Call> Call LibraryFunction(HMODULE library, const char *name)
{
    // Through a function type that matches every other.
    return reinterpret_cast<Call>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)));
}

// Sets the data format and the cooperative level on the caller's window,
// turns the device's autocentre off and acquires it. False, with *why set
// and the device left to the caller to release, when it cannot be.
bool PrepareDInputDevice(IDirectInputDevice8A *device, const DIDATAFORMAT *format,
                         const OpenRequest &request, std::string *why);

// A device the effect calls go through.
class DInputLink {
public:
    explicit DInputLink(IDirectInputDevice8A *device) : device_(device) {}

    // Makes an effect call; when the device is found lost (another window
    // came to the front and went, the device was replugged), acquires it
    // again, as DirectInput asks, and makes the call once more. `reacquired`
    // runs between the two, for what was owed to the device meanwhile.
    template <class Call, class Then> HRESULT Retried(Call call, Then reacquired)
    {
        HRESULT hr = call();
        if (!DInputIsLost(hr))
            return hr;
        HRESULT acquired = device_->Acquire();
        if (FAILED(acquired)) {
            // An unplugged device cannot be acquired: it has gone for good.
            if (IsGone(acquired))
                gone_ = true;
            return hr;
        }
        reacquired();
        return call();
    }
    template <class Call> HRESULT Retried(Call call)
    {
        return Retried(call, [] {});
    }

    // Whether the device was unplugged.
    bool Gone() const { return gone_; }

private:
    static bool IsGone(HRESULT hr);

    IDirectInputDevice8A *device_;
    std::atomic<bool> gone_{false};
};

// One device of the ranked list (backend_dinput.cpp).
struct WindowsDevice {
    ForceKind kind = ForceKind::None;
    GUID guid{};      // DirectInput's instance (a pointing device, a controller)
    std::string name; // as the device names itself; empty for a pad
    DWORD user = 0;   // XInput's user (a pad)
};

// The devices of one DirectInput class that have force feedback, as KIND, in
// DirectInput's order; false, with *why set, when none can be listed.
bool ListDInputDevices(IDirectInput8A *di, DWORD deviceClass, ForceKind kind,
                       std::vector<WindowsDevice> *out, std::string *why);
// The XInput pads connected, as rumble pads; *why says why there is none.
std::vector<WindowsDevice> XInputPads(std::string *why);

// The two ways of playing force on Windows besides a pointing device's own
// spring: a force-feedback game controller told a constant force, an XInput
// pad told a rumble. Null, with *why set, when the device cannot take it.
std::unique_ptr<Backend> OpenConstantForceBackend(IDirectInput8A *di, const GUID &guid,
                                                  const OpenRequest &request, std::string *why);
std::unique_ptr<Backend> OpenXInputBackend(DWORD user, std::string *why);

} // namespace taclib
