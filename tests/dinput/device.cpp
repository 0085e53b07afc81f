// IDirectInput8A, IDirectInputDevice8A and DirectInput8Create.
#include "standin.h"

namespace standin {

namespace {

// The one device's identity, made up for it.
const GUID kInstance = {
    0x7a6f7262, 0x656c, 0x11d0, {0x9a, 0x01, 0x44, 0x49, 0x53, 0x54, 0x41, 0x4e}};
const GUID kProduct = {
    0x7a6f7262, 0x656c, 0x11d0, {0x9a, 0x02, 0x44, 0x49, 0x53, 0x54, 0x41, 0x4e}};
const char *Dead = "called after its last Release";

bool SameObject(const DIOBJECTDATAFORMAT &a, const DIOBJECTDATAFORMAT &b)
{
    bool guids = a.pguid == nullptr ? b.pguid == nullptr
                                    : b.pguid != nullptr && IsEqualGUID(*a.pguid, *b.pguid);
    return guids && a.dwOfs == b.dwOfs && a.dwType == b.dwType && a.dwFlags == b.dwFlags;
}

// The program's copy of a predefined format is linked into it, so formats
// are told apart by their contents.
const char *FormatName(const DIDATAFORMAT *f)
{
    struct {
        const DIDATAFORMAT *format;
        const char *name;
    } const known[] = {{&c_dfDIMouse2, "mouse2"},
                       {&c_dfDIMouse, "mouse"},
                       {&c_dfDIJoystick2, "joystick2"},
                       {&c_dfDIJoystick, "joystick"}};
    for (const auto &k : known) {
        const DIDATAFORMAT &g = *k.format;
        bool same = f->dwSize == g.dwSize && f->dwObjSize == g.dwObjSize &&
                    f->dwFlags == g.dwFlags && f->dwDataSize == g.dwDataSize &&
                    f->dwNumObjs == g.dwNumObjs && f->rgodf != nullptr;
        for (DWORD i = 0; same && i < g.dwNumObjs; ++i)
            same = SameObject(f->rgodf[i], g.rgodf[i]);
        if (same)
            return k.name;
    }
    return "other";
}

HRESULT Unexpected(const char *name)
{
    char text[96];
    (void)wsprintfA(text, "unexpected %s", name);
    Write(text);
    return E_NOTIMPL;
}

Kind KindOf(REFGUID g)
{
    if (IsEqualGUID(g, GUID_Spring) || IsEqualGUID(g, GUID_Damper) ||
        IsEqualGUID(g, GUID_Inertia) || IsEqualGUID(g, GUID_Friction))
        return Kind::Condition;
    return IsEqualGUID(g, GUID_ConstantForce) ? Kind::Constant : Kind::Other;
}

const char *KindName(REFGUID g)
{
    if (IsEqualGUID(g, GUID_Spring))
        return "spring";
    if (IsEqualGUID(g, GUID_ConstantForce))
        return "constant";
    return KindOf(g) == Kind::Condition ? "condition" : "other";
}

} // namespace

bool IsHeld(DeviceState *d)
{
    // A foreground device is unacquired as soon as its window leaves the front.
    if (d->acquired && (d->level & DISCL_FOREGROUND) != 0 && GetForegroundWindow() != d->window) {
        d->acquired = false;
        StopAll(d, nullptr);
        Write("note the window left the foreground: the device is unacquired");
    }
    return d->acquired;
}

// Objects of these classes count their references and are never freed.
class Counted {
protected:
    bool Gone(const char *call)
    {
        if (refs_ > 0)
            return false;
        Violation(call, "%s", Dead);
        return true;
    }
    ULONG Add(const char *call)
    {
        if (Gone(call))
            return 0;
        ++g_references;
        Line(call).Add(" refs=%lu", ++refs_).Done(S_OK);
        return refs_;
    }
    ULONG Drop(const char *call)
    {
        if (Gone(call))
            return 0;
        --g_references;
        Line(call).Add(" refs=%lu", --refs_).Done(S_OK);
        return refs_;
    }
    ULONG refs_ = 1;
};

#define STANDIN_UNEXPECTED_OF(prefix, name, ...)                                                   \
    STDMETHOD(name)(__VA_ARGS__) override { return Unexpected(prefix #name); }
#define STANDIN_UNEXPECTED(name, ...) STANDIN_UNEXPECTED_OF("Device::", name, __VA_ARGS__)

class Device : public IDirectInputDevice8A, Counted {
public:
    explicit Device(bool mouse)
    {
        state_.mouse = mouse;
        ++g_references;
    }

    STDMETHOD(QueryInterface)(REFIID riid, void **out) override
    {
        Line line("Device::QueryInterface");
        if (Gone("Device::QueryInterface"))
            return line.Done(E_FAIL);
        bool known = out != nullptr &&
                     (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDirectInputDevice8A));
        if (out != nullptr)
            *out = known ? this : nullptr;
        if (known)
            AddRef();
        return line.Add(" known=%d", known).Done(known ? S_OK : E_NOINTERFACE);
    }
    STDMETHOD_(ULONG, AddRef)() override { return Add("Device::AddRef"); }
    STDMETHOD_(ULONG, Release)() override
    {
        ULONG refs = Drop("Device::Release");
        if (refs == 0)
            state_.acquired = false;
        return refs;
    }

    STDMETHOD(SetDataFormat)(LPCDIDATAFORMAT f) override
    {
        const char *call = "Device::SetDataFormat";
        Line line(call);
        if (Gone(call))
            return line.Done(E_FAIL);
        if (f == nullptr || f->dwSize != sizeof(DIDATAFORMAT) ||
            f->dwObjSize != sizeof(DIOBJECTDATAFORMAT)) {
            Violation(call, "no DIDATAFORMAT, or one of the wrong dwSize or dwObjSize");
            return line.Done(DIERR_INVALIDPARAM);
        }
        line.Add(" format=%s datasize=%lu objects=%lu", FormatName(f), f->dwDataSize, f->dwNumObjs);
        if (state_.acquired) {
            Violation(call, "the device is acquired");
            return line.Done(DIERR_ACQUIRED);
        }
        state_.format = f;
        state_.formatName = FormatName(f);
        return line.Done(DI_OK);
    }

    STDMETHOD(SetCooperativeLevel)(HWND window, DWORD flags) override
    {
        const char *call = "Device::SetCooperativeLevel";
        Line line(call);
        if (Gone(call))
            return line.Done(E_FAIL);
        DWORD process = 0;
        bool isWindow = IsWindow(window) != FALSE;
        bool topLevel = isWindow && GetAncestor(window, GA_ROOT) == window;
        bool ours = isWindow && GetWindowThreadProcessId(window, &process) != 0 &&
                    process == GetCurrentProcessId();
        line.Add(" flags=0x%lx window=%d toplevel=%d ours=%d", flags, isWindow, topLevel, ours);
        if (!topLevel || !ours) {
            Violation(call, "not a top-level window of the process");
            return line.Done(E_HANDLE);
        }
        DWORD exclusive = flags & (DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE);
        DWORD ground = flags & (DISCL_FOREGROUND | DISCL_BACKGROUND);
        if ((flags & ~(DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE | DISCL_FOREGROUND | DISCL_BACKGROUND |
                       DISCL_NOWINKEY)) != 0 ||
            (exclusive != DISCL_EXCLUSIVE && exclusive != DISCL_NONEXCLUSIVE) ||
            (ground != DISCL_FOREGROUND && ground != DISCL_BACKGROUND)) {
            Violation(call, "not one of each pair of DISCL_ flags");
            return line.Done(DIERR_INVALIDPARAM);
        }
        if (state_.mouse && flags == (DISCL_EXCLUSIVE | DISCL_BACKGROUND)) {
            Violation(call, "DISCL_EXCLUSIVE | DISCL_BACKGROUND is not valid for a mouse");
            return line.Done(E_NOTIMPL);
        }
        if (state_.acquired) {
            Violation(call, "the device is acquired");
            return line.Done(DIERR_ACQUIRED);
        }
        if (TheMode() == Mode::LevelRefused)
            return line.Done(DIERR_INVALIDPARAM);
        state_.level = flags;
        state_.window = window;
        return line.Done(DI_OK);
    }

    STDMETHOD(SetProperty)(REFGUID property, LPCDIPROPHEADER header) override
    {
        const char *call = "Device::SetProperty";
        Line line(call);
        if (Gone(call))
            return line.Done(E_FAIL);
        // Predefined properties are small numbers in place of a GUID's address.
        auto id = reinterpret_cast<ULONG_PTR>(&property);
        line.Add(" property=%lu", id > 0xFFFF ? 0xFFFFFFFFul : static_cast<unsigned long>(id));
        if (header == nullptr) {
            Violation(call, "no property header");
            return line.Done(DIERR_INVALIDPARAM);
        }
        line.Add(" size=%lu header=%lu obj=%lu how=%lu", header->dwSize, header->dwHeaderSize,
                 header->dwObj, header->dwHow);
        if (&property != &DIPROP_AUTOCENTER)
            return line.Done(DIERR_UNSUPPORTED);
        if (header->dwSize != sizeof(DIPROPDWORD) || header->dwHeaderSize != sizeof(DIPROPHEADER) ||
            header->dwHow != DIPH_DEVICE || header->dwObj != 0) {
            Violation(call, "DIPROP_AUTOCENTER takes a DIPROPDWORD for the whole device");
            return line.Done(DIERR_INVALIDPARAM);
        }
        DWORD value = reinterpret_cast<const DIPROPDWORD *>(header)->dwData;
        line.Add(" autocenter=%lu", value);
        if (value != DIPROPAUTOCENTER_OFF && value != DIPROPAUTOCENTER_ON) {
            Violation(call, "DIPROP_AUTOCENTER is neither off nor on");
            return line.Done(DIERR_INVALIDPARAM);
        }
        if (state_.acquired) {
            Violation(call, "properties change only while the device is not acquired");
            return line.Done(DIERR_ACQUIRED);
        }
        return line.Done(DI_OK);
    }

    STDMETHOD(Acquire)() override
    {
        Line line("Device::Acquire");
        if (Gone("Device::Acquire"))
            return line.Done(E_FAIL);
        if (state_.format == nullptr) {
            Violation("Device::Acquire", "no data format set");
            return line.Done(DIERR_INVALIDPARAM);
        }
        if (g_unplugged)
            return line.Done(DIERR_UNPLUGGED);
        bool wasHeld = IsHeld(&state_);
        if ((state_.level & DISCL_FOREGROUND) != 0 && GetForegroundWindow() != state_.window)
            return line.Add(" foreground=0").Done(DIERR_OTHERAPPHASPRIO);
        state_.acquired = true;
        state_.lost = false;
        return line.Done(wasHeld ? S_FALSE : DI_OK);
    }

    STDMETHOD(Unacquire)() override
    {
        Line line("Device::Unacquire");
        if (Gone("Device::Unacquire"))
            return line.Done(E_FAIL);
        bool was = state_.acquired;
        state_.acquired = false;
        StopAll(&state_, nullptr);
        return line.Done(was ? DI_OK : DI_NOEFFECT);
    }

    STDMETHOD(CreateEffect)
    (REFGUID kind, LPCDIEFFECT e, LPDIRECTINPUTEFFECT *out, LPUNKNOWN outer) override
    {
        const char *call = "Device::CreateEffect";
        Line line(call);
        if (Gone(call))
            return line.Done(E_FAIL);
        line.Add(" guid=%s", KindName(kind));
        if (out == nullptr || outer != nullptr) {
            Violation(call, "no place for the effect, or an outer object");
            return line.Done(DIERR_INVALIDPARAM);
        }
        *out = nullptr;
        if (state_.effectCount == 16)
            return line.Done(DIERR_DEVICEFULL);
        Effect *effect = NewEffect(&state_, KindOf(kind));
        if (e != nullptr &&
            !CheckedParameters(call, line, effect, e,
                               e->dwSize == sizeof(DIEFFECT) ? DIEP_ALLPARAMS
                                                             : DIEP_ALLPARAMS_DX5)) {
            Discard(effect);
            return line.Done(DIERR_INVALIDPARAM);
        }
        if (TheMode() == Mode::EffectRefused) {
            Discard(effect);
            return line.Done(DIERR_DEVICEFULL);
        }
        if (e != nullptr && IsHeld(&state_))
            Downloaded(effect);
        state_.effects[state_.effectCount++] = effect;
        *out = Interface(effect);
        return line.Add(" effect=%d", state_.effectCount)
            .Done(DI_OK); // as Effect:: lines number it
    }

    STANDIN_UNEXPECTED(GetCapabilities, LPDIDEVCAPS)
    STDMETHOD(EnumObjects)
    (LPDIENUMDEVICEOBJECTSCALLBACKA callback, LPVOID context, DWORD flags) override
    {
        const char *call = "Device::EnumObjects";
        Line line(call);
        line.Add(" flags=0x%lx", flags);
        if (Gone(call))
            return line.Done(E_FAIL);
        if (callback == nullptr) {
            Violation(call, "no callback");
            return line.Done(DIERR_INVALIDPARAM);
        }
        // Offsets are the data format's only once one is set.
        if (state_.format == nullptr)
            Violation(call, "before SetDataFormat");
        const ObjectInfo *list = nullptr;
        int n = state_.mouse ? 0 : Objects(&list);
        int reported = 0;
        DWORD types = flags & (DIDFT_AXIS | DIDFT_BUTTON | DIDFT_POV);
        for (int i = 0; i < n; ++i) {
            if ((types != 0 && (list[i].type & types) == 0) ||
                ((flags & DIDFT_FFACTUATOR) != 0 && (list[i].type & DIDFT_FFACTUATOR) == 0))
                continue;
            DIDEVICEOBJECTINSTANCEA object{};
            object.dwSize = sizeof object;
            object.guidType = *list[i].kind;
            object.dwOfs = list[i].offset;
            object.dwType = list[i].type;
            object.dwFlags = list[i].flags;
            lstrcpyA(object.tszName, "axis");
            ++reported;
            BOOL next = callback(&object, context);
            if (next == DIENUM_STOP)
                break;
            if (next != DIENUM_CONTINUE)
                Violation(call, "the callback answered %d", next);
        }
        return line.Add(" reported=%d", reported).Done(DI_OK);
    }
    STANDIN_UNEXPECTED(GetProperty, REFGUID, LPDIPROPHEADER)
    STANDIN_UNEXPECTED(GetDeviceState, DWORD, LPVOID)
    STANDIN_UNEXPECTED(GetDeviceData, DWORD, LPDIDEVICEOBJECTDATA, LPDWORD, DWORD)
    STANDIN_UNEXPECTED(SetEventNotification, HANDLE)
    STANDIN_UNEXPECTED(GetObjectInfo, LPDIDEVICEOBJECTINSTANCEA, DWORD, DWORD)
    STANDIN_UNEXPECTED(GetDeviceInfo, LPDIDEVICEINSTANCEA)
    STANDIN_UNEXPECTED(RunControlPanel, HWND, DWORD)
    STANDIN_UNEXPECTED(Initialize, HINSTANCE, DWORD, REFGUID)
    STANDIN_UNEXPECTED(EnumEffects, LPDIENUMEFFECTSCALLBACKA, LPVOID, DWORD)
    STANDIN_UNEXPECTED(GetEffectInfo, LPDIEFFECTINFOA, REFGUID)
    STANDIN_UNEXPECTED(GetForceFeedbackState, LPDWORD)
    STANDIN_UNEXPECTED(SendForceFeedbackCommand, DWORD)
    STANDIN_UNEXPECTED(EnumCreatedEffectObjects, LPDIENUMCREATEDEFFECTOBJECTSCALLBACK, LPVOID,
                       DWORD)
    STANDIN_UNEXPECTED(Escape, LPDIEFFESCAPE)
    STANDIN_UNEXPECTED(Poll)
    STANDIN_UNEXPECTED(SendDeviceData, DWORD, LPCDIDEVICEOBJECTDATA, LPDWORD, DWORD)
    STANDIN_UNEXPECTED(EnumEffectsInFile, LPCSTR, LPDIENUMEFFECTSINFILECALLBACK, LPVOID, DWORD)
    STANDIN_UNEXPECTED(WriteEffectToFile, LPCSTR, DWORD, LPDIFILEEFFECT, DWORD)
    STANDIN_UNEXPECTED(BuildActionMap, LPDIACTIONFORMATA, LPCSTR, DWORD)
    STANDIN_UNEXPECTED(SetActionMap, LPDIACTIONFORMATA, LPCSTR, DWORD)
    STANDIN_UNEXPECTED(GetImageInfo, LPDIDEVICEIMAGEINFOHEADERA)

private:
    DeviceState state_;
};

class DirectInput : public IDirectInput8A, Counted {
public:
    DirectInput() { ++g_references; }

    STANDIN_UNEXPECTED_OF("DirectInput::", QueryInterface, REFIID, void **)
    STDMETHOD_(ULONG, AddRef)() override { return Add("DirectInput::AddRef"); }
    STDMETHOD_(ULONG, Release)() override { return Drop("DirectInput::Release"); }

    STDMETHOD(EnumDevices)
    (DWORD kind, LPDIENUMDEVICESCALLBACKA callback, LPVOID context, DWORD flags) override
    {
        const char *call = "DirectInput::EnumDevices";
        Line line(call);
        line.Add(" class=%lu flags=0x%lx", kind, flags);
        if (Gone(call))
            return line.Done(E_FAIL);
        DWORD known = DIEDFL_ATTACHEDONLY | DIEDFL_FORCEFEEDBACK | DIEDFL_INCLUDEALIASES |
                      DIEDFL_INCLUDEPHANTOMS | DIEDFL_INCLUDEHIDDEN;
        if (callback == nullptr || (flags & ~known) != 0 || kind > DI8DEVTYPE_SUPPLEMENTAL) {
            Violation(call, "no callback, unknown flags, or an unknown device class");
            return line.Done(DIERR_INVALIDPARAM);
        }
        Mode mode = TheMode();
        bool mouse = !IsGameController();
        DWORD deviceClass = mouse ? DI8DEVCLASS_POINTER : DI8DEVCLASS_GAMECTRL;
        DWORD type = mouse ? DI8DEVTYPE_MOUSE | DI8DEVTYPEMOUSE_TRADITIONAL << 8
                     : mode == Mode::Wheel
                         ? DI8DEVTYPE_DRIVING | DI8DEVTYPEDRIVING_COMBINEDPEDALS << 8
                         : DI8DEVTYPE_JOYSTICK | DI8DEVTYPEJOYSTICK_STANDARD << 8;
        bool report = mode != Mode::None && !g_unplugged &&
                      (kind == DI8DEVCLASS_ALL || kind == deviceClass || kind == (type & 0xFF));
        if (report) {
            DIDEVICEINSTANCEA instance{};
            instance.dwSize = sizeof instance;
            instance.guidInstance = kInstance;
            instance.guidProduct = kProduct;
            instance.guidFFDriver = kProduct;
            instance.dwDevType = type;
            lstrcpyA(instance.tszInstanceName, mouse                 ? "Force-feedback mouse"
                                               : mode == Mode::Wheel ? "Force-feedback wheel"
                                                                     : "Force-feedback joystick");
            lstrcpyA(instance.tszProductName, instance.tszInstanceName);
            BOOL next = callback(&instance, context);
            if (next != DIENUM_CONTINUE && next != DIENUM_STOP)
                Violation(call, "the callback answered %d", next);
        }
        return line.Add(" reported=%d", report).Done(DI_OK);
    }

    STDMETHOD(CreateDevice)(REFGUID guid, LPDIRECTINPUTDEVICE8A *out, LPUNKNOWN outer) override
    {
        const char *call = "DirectInput::CreateDevice";
        Line line(call);
        if (Gone(call))
            return line.Done(E_FAIL);
        if (out == nullptr || outer != nullptr) {
            Violation(call, "no place for the device, or an outer object");
            return line.Done(DIERR_INVALIDPARAM);
        }
        *out = nullptr;
        bool known = IsEqualGUID(guid, kInstance) && TheMode() != Mode::None && !g_unplugged;
        line.Add(" known=%d", known);
        if (!known)
            return line.Done(DIERR_DEVICENOTREG);
        *out = new Device(!IsGameController());
        return line.Done(DI_OK);
    }

    STANDIN_UNEXPECTED_OF("DirectInput::", GetDeviceStatus, REFGUID)
    STANDIN_UNEXPECTED_OF("DirectInput::", RunControlPanel, HWND, DWORD)
    STANDIN_UNEXPECTED_OF("DirectInput::", Initialize, HINSTANCE, DWORD)
    STANDIN_UNEXPECTED_OF("DirectInput::", FindDevice, REFGUID, LPCSTR, LPGUID)
    STANDIN_UNEXPECTED_OF("DirectInput::", EnumDevicesBySemantics, LPCSTR, LPDIACTIONFORMATA,
                          LPDIENUMDEVICESBYSEMANTICSCBA, LPVOID, DWORD)
    STANDIN_UNEXPECTED_OF("DirectInput::", ConfigureDevices, LPDICONFIGUREDEVICESCALLBACK,
                          LPDICONFIGUREDEVICESPARAMSA, DWORD, LPVOID)
};

} // namespace standin

extern "C" __declspec(dllexport) HRESULT WINAPI
    DirectInput8Create(HINSTANCE instance, DWORD version, REFIID riid, LPVOID *out, LPUNKNOWN outer)
{
    using namespace standin;
    Line line("DirectInput8Create");
    bool ansi = IsEqualIID(riid, IID_IDirectInput8A);
    line.Add(" instance=%d version=0x%lx iid=%s outer=%d", instance != nullptr, version,
             ansi ? "IDirectInput8A" : "other", outer != nullptr);
    if (instance == nullptr || version != 0x0800 || out == nullptr) {
        Violation("DirectInput8Create",
                  "no instance, a version other than 0x0800, or no place for the interface");
        return line.Done(DIERR_INVALIDPARAM);
    }
    *out = nullptr;
    if (!ansi)
        return line.Done(E_NOINTERFACE);
    if (outer != nullptr)
        return line.Done(CLASS_E_NOAGGREGATION);
    *out = static_cast<IDirectInput8A *>(new DirectInput());
    return line.Done(DI_OK);
}
