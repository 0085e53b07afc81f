// taclib: force-feedback devices, effect project files and spring effects.
//
// Every operation that can fail returns an int: non-zero for success, 0 for
// failure. Failures are never fatal: an object whose initialisation failed
// stays usable (its calls return 0) and is destroyed as usual. The meaning of
// every argument is given in taclib/README.md.
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

// The force-feedback mouse (or, failing one, another device that can play a
// spring).
class TACLIB_API CTacMouse : public CTacDevice {
public:
    CTacMouse();
    ~CTacMouse() override;

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

    int OpenFile(const char *fileName, CTacDevice *device);
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

    virtual int InitializeFromProject(CTacProject &project, const char *effectName,
                                      CTacDevice *device, unsigned long flags);
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
    virtual int Start(unsigned long iterations, unsigned long delayMs, int solo);

protected:
    CTacCondition();
};

// A spring pulling the pointer toward a centre point given in screen pixels.
class TACLIB_API CTacSpring : public CTacCondition {
public:
    CTacSpring();
    ~CTacSpring() override;

    virtual int Initialize(CTacDevice *device, long stiffness, unsigned long saturation,
                           unsigned long deadband, unsigned long axes, POINT centre, long trimX,
                           long trimY, int startNow, unsigned long durationMs);

    // Any argument equal to 0x80000000 (also either coordinate of the centre)
    // keeps the current value.
    int ChangeParameters(POINT centre, long stiffness, unsigned long saturation,
                         unsigned long deadband, long trimX, long trimY);
};
