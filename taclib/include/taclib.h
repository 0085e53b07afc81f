// taclib: force-feedback devices, effect project files and spring effects.
//
// Every operation that can fail returns an int: non-zero for success, 0 for
// failure. A failed call changes nothing, leaves the object usable (its calls
// then return 0) and never crashes; the call log (TACLIB_LOG) says why.
// Objects may be destroyed in any order: destroying the device releases the
// hardware and its effects at once, and later calls on those effects, or on a
// project opened with that device, return 0. Positions are screen pixels,
// forces ten-thousandths of the device's strongest force; the argument tables
// (ranges, and the values Zorbel passes) are in taclib/README.md.
#pragma once

#include "platform/win32.h"

#if defined(_WIN32)
#if defined(TACLIB_BUILDING)
#define TACLIB_API __declspec(dllexport)
#else
#define TACLIB_API __declspec(dllimport)
#endif
#else
#define TACLIB_API __attribute__((visibility("default")))
#endif

// The library's own state lives behind these; the header shows none of it.
struct TacDeviceState;
struct TacProjectState;
struct TacEffectState;
class TacAccess;

// A force-feedback device, as effects and projects take it.
class TACLIB_API CTacDevice {
public:
    virtual ~CTacDevice();
    CTacDevice(const CTacDevice &) = delete;
    CTacDevice &operator=(const CTacDevice &) = delete;

protected:
    CTacDevice();

private:
    friend class TacAccess;
    TacDeviceState *state_;
};

// The force-feedback mouse or, failing one, the best force device there is:
// a constant-force controller (force joystick, wheel), then a rumble pad,
// which are told the force the spring pulls with at the pointer.
class TACLIB_API CTacMouse : public CTacDevice {
public:
    CTacMouse();
    ~CTacMouse() override;

    // Opens the device for `window` (never null; DirectInput's cooperative
    // level is set on it, exclusive, and foreground only when foregroundOnly
    // is non-zero, in which case a pointing device may be taken). Holds at
    // most effectSlots effects (1..64) at once, fewer if the device holds
    // fewer. Fails when already initialised, on a bad argument, or when no
    // device opens; outside Windows the user is then told why in one line.
    // A device lost later is replaced at the next start by whichever opens.
    int Initialize(void *instance, void *window, unsigned long effectSlots, int foregroundOnly);

    // Every force device the library can see, one line each: what it is,
    // what the spring would be on it, and why any is passed over; copied
    // with its terminating zero into text. 0 when it does not fit.
    static int DescribeDevices(char *text, unsigned long size);
};

// An effect project file: named effects read from a text file.
class TACLIB_API CTacProject {
public:
    CTacProject();
    ~CTacProject();
    CTacProject(const CTacProject &) = delete;
    CTacProject &operator=(const CTacProject &) = delete;

    // Reads a project file. A name with a folder is opened as it is; one
    // without is looked up in the places SearchPlace gives, the first that
    // holds something of that name being read (outside Windows, one that
    // belongs to another user or that others can change is skipped). Effects
    // created from it play on `device` when given none (it may be null).
    // Fails, leaving the project closed, on a file found nowhere, unreadable,
    // not a regular file, larger than 65536 bytes, or malformed.
    int OpenFile(const char *fileName, CTacDevice *device);
    // Forgets the file's contents; effects made from it keep playing.
    void Close();

    // Why the last OpenFile failed: a sentence, and the 1-based line it is
    // about (0 when it concerns the whole file). "" and 0 after a success.
    const char *LastError() const;
    int LastErrorLine() const;

    // Where OpenFile looks for a name without a folder: the index-th place
    // (from 0: the current folder, the program's folder, its data folder),
    // copied with its terminating zero into path. 0 past the last place, or
    // when the place does not fit in size bytes.
    static int SearchPlace(const char *fileName, int index, char *path, unsigned long size);

private:
    friend class TacAccess;
    TacProjectState *state_;
};

// Base of all effects.
class TACLIB_API CTacEffect {
public:
    virtual ~CTacEffect();
    CTacEffect(const CTacEffect &) = delete;
    CTacEffect &operator=(const CTacEffect &) = delete;

    // Creates the open project's effect of that name, stopped unless its
    // `start` key says otherwise, on `device` or else the project's. flags
    // must be 0. Fails when the project is not open, has no such effect, the
    // effect is of another type, or the device has no free slot or refuses
    // it. Initialising again replaces what the effect played.
    virtual int InitializeFromProject(CTacProject &project, const char *effectName,
                                      CTacDevice *device, unsigned long flags);
    // Stops the effect: no force until it starts again. Stopping a stopped
    // effect, or one whose device is no longer the program's, succeeds; fails
    // only on an effect that is not initialised or whose device is gone.
    virtual int Stop();

protected:
    CTacEffect();

private:
    friend class TacAccess;
    TacEffectState *state_;
};

// Condition effects: forces that depend on where the pointer is.
class TACLIB_API CTacCondition : public CTacEffect {
public:
    // Plays the effect from its beginning, `iterations` times in a row
    // (0xFFFFFFFF: until stopped; with a duration of 0 one already lasts until
    // stopped), after delayMs (0..65535); with solo non-zero the device's
    // other effects stop first.
    virtual int Start(unsigned long iterations, unsigned long delayMs, int solo);

protected:
    CTacCondition();
};

// A spring pulling the pointer toward a centre point given in screen pixels.
class TACLIB_API CTacSpring : public CTacCondition {
public:
    CTacSpring();
    ~CTacSpring() override;

    // Creates a spring on `device`, stopped unless startNow is non-zero (then
    // as Start(1, 0, 0)): `stiffness` (-10000..10000) is the force half a
    // screen from `centre` (plus trimX, trimY: -10000..10000 px), growing
    // linearly with the distance beyond `deadband` (0..10000 px) and never
    // above `saturation` (0..10000); negative pushes away. axes: 1 horizontal,
    // 2 vertical, 3 both. durationMs (0..3600000) is one iteration, 0 until
    // stopped. Fails on an argument out of range, no initialised device, no
    // free slot or a device that refuses it.
    virtual int Initialize(CTacDevice *device, long stiffness, unsigned long saturation,
                           unsigned long deadband, unsigned long axes, POINT centre, long trimX,
                           long trimY, int startNow, unsigned long durationMs);

    // Changes the spring, playing or not, all or nothing: each argument as in
    // Initialize, and any equal to 0x80000000 (also either coordinate of the
    // centre) keeps the current value. The axes and duration stay.
    int ChangeParameters(POINT centre, long stiffness, unsigned long saturation,
                         unsigned long deadband, long trimX, long trimY);
};
