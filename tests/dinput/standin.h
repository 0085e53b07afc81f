// A DirectInput 8 of the tests' own, loaded by the program in place of the
// system's: it reports one force-feedback device (or none, or fails as told),
// writes every call with its arguments to a record, one line a call, and
// checks each argument against DirectInput's documented contract, writing a
// "violation" line for each breach.
//
//   DINPUT_STANDIN_RECORD  the record file (nothing is recorded without it)
//   DINPUT_STANDIN_MODE    pointer (the default): one force-feedback mouse;
//                          joystick: a force-feedback game controller only,
//                          with two actuator axes (X and Y); wheel: one with
//                          one (X); joystick-unplugged: the joystick, pulled
//                          out once it played its third constant force;
//                          none: no device; effect-refused: CreateEffect
//                          answers DIERR_DEVICEFULL; start-not-acquired: the
//                          first Start finds the device not acquired; lost:
//                          the device is lost once the first Start played,
//                          until it is acquired again; level-refused:
//                          SetCooperativeLevel fails
//
// Objects are never freed, so that a call after the last Release is seen and
// recorded instead of crashing.
#pragma once
#define DIRECTINPUT_VERSION 0x0800
#include <windows.h>
#include <dinput.h>

namespace standin {

enum class Mode {
    Pointer,
    Joystick,
    Wheel,
    JoystickUnplugged,
    None,
    EffectRefused,
    StartNotAcquired,
    Lost,
    LevelRefused
};
Mode TheMode();
// Whether the device is a game controller, and whether it was pulled out.
bool IsGameController();
extern bool g_unplugged;

// One record line, written whole when the call's result is known.
class Line {
public:
    explicit Line(const char *call);
    Line &Add(const char *format, ...) __attribute__((format(printf, 2, 3)));
    HRESULT Done(HRESULT hr);

private:
    char text_[2048];
    size_t length_ = 0;
};

// A breach of the contract, recorded at once, before the call's own line.
void Violation(const char *call, const char *format, ...) __attribute__((format(printf, 2, 3)));
void Write(const char *text);

// What a device is while its effects are called.
class Effect;
struct DeviceState {
    bool mouse = true;
    const DIDATAFORMAT *format = nullptr; // the application's, as set
    const char *formatName = "none";
    DWORD level = 0;
    HWND window = nullptr;
    bool acquired = false;
    bool lost = false;
    bool firstStartDone = false;
    Effect *effects[16] = {};
    int effectCount = 0;
};

// The objects of a game controller, as EnumObjects reports them: its axes
// (those with DIDOI_FFACTUATOR take forces) and a button.
struct ObjectInfo {
    const GUID *kind;
    DWORD offset; // in c_dfDIJoystick2
    DWORD type;   // the object identifier
    DWORD flags;
};
int Objects(const ObjectInfo **list);
// The screen axis (0 horizontal, 1 vertical) a force on object TYPE pushes
// along; -1 when it is no actuator of the device.
int ActuatorAxis(DWORD type);

enum class Kind { Condition, Constant, Other };

// Stops every effect of the device (an effect played solo, a device lost or
// unacquired); all but KEEP.
void StopAll(const DeviceState *device, Effect *keep);
bool IsHeld(DeviceState *device); // acquired, and still the foreground's when it must be
Effect *NewEffect(DeviceState *device, Kind kind);
IDirectInputEffect *Interface(Effect *effect);
void Downloaded(Effect *effect); // created on an acquired device
void Discard(Effect *effect);    // refused at creation: never handed out
bool CheckedParameters(const char *call, Line &line, Effect *effect, const DIEFFECT *e,
                       DWORD flags);

// Interfaces still referenced, and effects still downloaded, for the exit line.
extern LONG g_references;
extern LONG g_loaded;
extern LONG g_playing;

} // namespace standin
