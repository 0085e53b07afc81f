// An XInput of the tests' own, loaded by the program in place of the
// system's: one pad (or none), its two calls written to a record, one line a
// call, with a "violation" line for each breach of XInput's contract.
//
//   XINPUT_STANDIN_RECORD  the record file (nothing is recorded without it)
//   XINPUT_STANDIN_TIMES   set: each line ends with " at=MICROSECONDS", the
//                          time of the call on QueryPerformanceCounter's clock
//   XINPUT_STANDIN_MODE    pad (the default): one pad, as the second user
//                          (index 1); none: no pad; unplugged: the pad,
//                          pulled out once it was told its third rumble
//
// At exit one line tells how fast its motors were last told to turn:
// "exit left=L right=R".
#include "../support/record_line.h"
#include <windows.h>
#include <xinput.h>

#include <cstdio>
#include <cstring>

namespace {

enum class Mode { Pad, None, Unplugged };

constexpr DWORD kUser = 1;
int g_rumbles = 0;
XINPUT_VIBRATION g_motors{};

void Write(const char *text) { AppendRecordLine("XINPUT_STANDIN_RECORD", text); }

Mode TheMode()
{
    static const Mode mode = [] {
        char value[32] = "";
        (void)GetEnvironmentVariableA("XINPUT_STANDIN_MODE", value, sizeof value);
        if (std::strcmp(value, "") == 0 || std::strcmp(value, "pad") == 0)
            return Mode::Pad;
        if (std::strcmp(value, "unplugged") == 0)
            return Mode::Unplugged;
        if (std::strcmp(value, "none") != 0)
            Write("violation XINPUT_STANDIN_MODE: unknown mode: no pad");
        return Mode::None;
    }();
    return mode;
}

// A pad pulled out stays out, also when the library loads this DLL again:
// the process's environment remembers it.
const char *const kPulled = "XINPUT_STANDIN_PULLED";

bool Unplugged() { return GetEnvironmentVariableA(kPulled, nullptr, 0) != 0; }

bool Connected(DWORD user) { return user == kUser && TheMode() != Mode::None && !Unplugged(); }

DWORD Done(char *text, DWORD result)
{
    size_t n = std::strlen(text);
    (void)std::snprintf(text + n, 256 - n, " -> %lu", result);
    if (GetEnvironmentVariableA("XINPUT_STANDIN_TIMES", nullptr, 0) != 0) {
        LARGE_INTEGER now, frequency;
        (void)QueryPerformanceCounter(&now);
        (void)QueryPerformanceFrequency(&frequency);
        n = std::strlen(text);
        (void)std::snprintf(text + n, 256 - n, " at=%lld",
                            static_cast<long long>(static_cast<double>(now.QuadPart) * 1e6 /
                                                   static_cast<double>(frequency.QuadPart)));
    }
    Write(text);
    return result;
}

} // namespace

extern "C" __declspec(dllexport) DWORD WINAPI XInputGetState(DWORD user, XINPUT_STATE *state)
{
    char text[256];
    (void)std::snprintf(text, sizeof text, "XInputGetState user=%lu", user);
    if (user >= XUSER_MAX_COUNT || state == nullptr) {
        Write("violation XInputGetState: a user index above 3, or no place for the state");
        return Done(text, ERROR_BAD_ARGUMENTS);
    }
    if (!Connected(user))
        return Done(text, ERROR_DEVICE_NOT_CONNECTED);
    *state = XINPUT_STATE{};
    state->dwPacketNumber = 1;
    return Done(text, ERROR_SUCCESS);
}

extern "C" __declspec(dllexport) DWORD WINAPI XInputSetState(DWORD user, XINPUT_VIBRATION *motors)
{
    char text[256];
    (void)std::snprintf(text, sizeof text, "XInputSetState user=%lu", user);
    if (user >= XUSER_MAX_COUNT || motors == nullptr) {
        Write("violation XInputSetState: a user index above 3, or no motor speeds");
        return Done(text, ERROR_BAD_ARGUMENTS);
    }
    size_t n = std::strlen(text);
    (void)std::snprintf(text + n, sizeof text - n, " left=%u right=%u", motors->wLeftMotorSpeed,
                        motors->wRightMotorSpeed);
    if (!Connected(user))
        return Done(text, ERROR_DEVICE_NOT_CONNECTED);
    g_motors = *motors;
    DWORD result = Done(text, ERROR_SUCCESS);
    if (TheMode() == Mode::Unplugged && motors->wLeftMotorSpeed != 0 && ++g_rumbles == 3) {
        (void)SetEnvironmentVariableA(kPulled, "1");
        g_motors = XINPUT_VIBRATION{}; // a pad pulled out turns no motor
        Write("note the pad was unplugged");
    }
    return result;
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_DETACH) {
        char text[64];
        (void)std::snprintf(text, sizeof text, "exit left=%u right=%u", g_motors.wLeftMotorSpeed,
                            g_motors.wRightMotorSpeed);
        Write(text);
    }
    return TRUE;
}
