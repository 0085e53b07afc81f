// An XInput pad playing a spring: its rumble motors turn as fast as the
// spring pulls where the cursor is (none at the centre, full at the spring's
// saturation). XInput pads show no force feedback to DirectInput.
#include <cstdio>

#include <xinput.h>

#include "call_log.h"
#include "dinput_common.h"
#include "follow_cursor.h"

namespace taclib {

namespace {

using GetStateCall = DWORD(WINAPI *)(DWORD, XINPUT_STATE *);
using SetStateCall = DWORD(WINAPI *)(DWORD, XINPUT_VIBRATION *);

class XInputRumbleOutput : public ForceOutput {
public:
    XInputRumbleOutput(SetStateCall setState, DWORD user) : setState_(setState), user_(user) {}

    bool Lost() const override { return gone_; }

    bool Render(Force force, std::uint32_t saturation) override
    {
        if (gone_)
            return false;
        XINPUT_VIBRATION motors;
        // Rumble has a strength and no direction: both motors alike.
        motors.wLeftMotorSpeed = motors.wRightMotorSpeed = RumbleSpeed(force, saturation);
        DWORD result = setState_(user_, &motors);
        if (result == ERROR_SUCCESS)
            return true;
        gone_ = result == ERROR_DEVICE_NOT_CONNECTED;
        char code[16];
        (void)std::snprintf(code, sizeof code, "%lu", static_cast<unsigned long>(result));
        LogNote(std::string("xinput XInputSetState failed: ") + code);
        return false;
    }

private:
    SetStateCall setState_;
    DWORD user_;
    std::atomic<bool> gone_{false};
};

// XInput as current Windows has it, then as older ones do; looked for only
// beside the program and in the system folder.
HMODULE FindXInput()
{
    for (const char *name : {"xinput1_4.dll", "xinput9_1_0.dll", "xinput1_3.dll"}) {
        if (HMODULE library = LoadWindowsLibrary(name, true))
            return library;
    }
    return nullptr;
}

// Loaded once and kept for the process: a pad is looked for again at each
// press after one was lost, and unloading a library whose calls another
// thread may just have made is never safe.
HMODULE LoadXInput()
{
    static const HMODULE loaded = FindXInput();
    return loaded;
}

} // namespace

std::vector<WindowsDevice> XInputPads(std::string *why)
{
    std::vector<WindowsDevice> pads;
    HMODULE library = LoadXInput();
    auto getState =
        library != nullptr ? LibraryFunction<GetStateCall>(library, "XInputGetState") : nullptr;
    *why = library == nullptr    ? "no XInput"
           : getState == nullptr ? "XInput lacks its calls"
                                 : "no XInput pad connected";
    for (DWORD user = 0; getState != nullptr && user < XUSER_MAX_COUNT; ++user) {
        XINPUT_STATE state{};
        if (getState(user, &state) == ERROR_SUCCESS) {
            WindowsDevice pad;
            pad.kind = ForceKind::Rumble;
            pad.user = user;
            pads.push_back(pad);
        }
    }
    return pads;
}

std::unique_ptr<Backend> OpenXInputBackend(DWORD user, std::string *why)
{
    HMODULE library = LoadXInput();
    auto setState =
        library != nullptr ? LibraryFunction<SetStateCall>(library, "XInputSetState") : nullptr;
    if (setState == nullptr) {
        *why = "XInput lacks its calls";
        return nullptr;
    }
    return std::make_unique<CursorFollowingBackend>(
        std::make_unique<XInputRumbleOutput>(setState, user));
}

} // namespace taclib
