#include "../support/record_line.h"
#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "standin.h"

namespace standin {

LONG g_references = 0;
LONG g_loaded = 0;
LONG g_playing = 0;

Mode TheMode()
{
    static const Mode mode = [] {
        char value[32] = "";
        (void)GetEnvironmentVariableA("DINPUT_STANDIN_MODE", value, sizeof value);
        struct {
            const char *name;
            Mode mode;
        } const modes[] = {{"", Mode::Pointer},
                           {"pointer", Mode::Pointer},
                           {"joystick", Mode::Joystick},
                           {"wheel", Mode::Wheel},
                           {"joystick-unplugged", Mode::JoystickUnplugged},
                           {"none", Mode::None},
                           {"effect-refused", Mode::EffectRefused},
                           {"start-not-acquired", Mode::StartNotAcquired},
                           {"lost", Mode::Lost},
                           {"level-refused", Mode::LevelRefused}};
        for (const auto &m : modes)
            if (std::strcmp(value, m.name) == 0)
                return m.mode;
        Violation("DINPUT_STANDIN_MODE", "unknown mode \"%.20s\": no device", value);
        return Mode::None;
    }();
    return mode;
}

bool IsGameController()
{
    Mode mode = TheMode();
    return mode == Mode::Joystick || mode == Mode::Wheel || mode == Mode::JoystickUnplugged;
}

bool g_unplugged = false;

int Objects(const ObjectInfo **list)
{
    constexpr DWORD axis = DIDFT_ABSAXIS, force = DIDFT_FFACTUATOR;
    // A joystick's stick takes forces both ways; a wheel's only turns, its
    // pedals (Y) take none. Neither's throttle (Z) does.
    static const ObjectInfo joystick[] = {
        {&GUID_XAxis, DIJOFS_X, axis | force | DIDFT_MAKEINSTANCE(0), DIDOI_FFACTUATOR},
        {&GUID_YAxis, DIJOFS_Y, axis | force | DIDFT_MAKEINSTANCE(1), DIDOI_FFACTUATOR},
        {&GUID_ZAxis, DIJOFS_Z, axis | DIDFT_MAKEINSTANCE(2), 0},
        {&GUID_Button, DIJOFS_BUTTON0, DIDFT_PSHBUTTON | DIDFT_MAKEINSTANCE(0), 0}};
    static const ObjectInfo wheel[] = {
        {&GUID_XAxis, DIJOFS_X, axis | force | DIDFT_MAKEINSTANCE(0), DIDOI_FFACTUATOR},
        {&GUID_YAxis, DIJOFS_Y, axis | DIDFT_MAKEINSTANCE(1), 0},
        {&GUID_ZAxis, DIJOFS_Z, axis | DIDFT_MAKEINSTANCE(2), 0},
        {&GUID_Button, DIJOFS_BUTTON0, DIDFT_PSHBUTTON | DIDFT_MAKEINSTANCE(0), 0}};
    *list = TheMode() == Mode::Wheel ? wheel : joystick;
    return 4;
}

int ActuatorAxis(DWORD type)
{
    const ObjectInfo *list;
    int n = Objects(&list);
    for (int i = 0; i < n; ++i)
        if (list[i].type == type && (list[i].flags & DIDOI_FFACTUATOR) != 0)
            return list[i].kind == &GUID_XAxis ? 0 : 1;
    return -1;
}

void Write(const char *text) { AppendRecordLine("DINPUT_STANDIN_RECORD", text); }

Line::Line(const char *call) { Add("%s", call); }

Line &Line::Add(const char *format, ...)
{
    std::va_list args;
    va_start(args, format);
    int n = std::vsnprintf(text_ + length_, sizeof text_ - length_, format, args);
    va_end(args);
    if (n > 0)
        length_ = std::min(length_ + static_cast<size_t>(n), sizeof text_ - 1);
    return *this;
}

HRESULT Line::Done(HRESULT hr)
{
    Add(" -> 0x%08lx", static_cast<unsigned long>(hr));
    Write(text_);
    return hr;
}

void Violation(const char *call, const char *format, ...)
{
    char text[512];
    int n = std::snprintf(text, sizeof text, "violation %s: ", call);
    std::va_list args;
    va_start(args, format);
    (void)std::vsnprintf(text + n, sizeof text - n, format, args);
    va_end(args);
    Write(text);
}

} // namespace standin

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_DETACH) {
        char text[128];
        (void)std::snprintf(text, sizeof text, "exit references=%ld loaded=%ld playing=%ld",
                            standin::g_references, standin::g_loaded, standin::g_playing);
        standin::Write(text);
    }
    return TRUE;
}
