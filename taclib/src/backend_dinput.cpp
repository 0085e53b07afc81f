// The platform backend on Windows: DirectInput 8. A force-feedback pointing
// device is taken first; failing one, a game controller with force feedback.
#define DIRECTINPUT_VERSION 0x0800
#include <windows.h>
#include <dinput.h>

#include <cstdio>
#include <map>

#include "backend.h"
#include "call_log.h"

namespace taclib {

namespace {

// DirectInput's condition units: offsets in +-10000 across the axis, a
// deadband of 10000 reaching from the offset to the end of the axis.
constexpr std::int32_t kHalfAxis = DI_FFNOMINALMAX;

bool Failed(const char *call, HRESULT hr)
{
    char code[16];
    (void)std::snprintf(code, sizeof code, "0x%08lx", static_cast<unsigned long>(hr));
    LogNote(std::string("dinput ") + call + " failed: " + code);
    return false;
}

// Errors that mean the device is no longer ours (another window came to the
// front, or the device was unplugged and replugged): acquiring it again helps.
bool IsLost(HRESULT hr)
{
    // Some of these codes are defined as unsigned literals.
    return hr == static_cast<HRESULT>(DIERR_NOTACQUIRED) ||
           hr == static_cast<HRESULT>(DIERR_NOTEXCLUSIVEACQUIRED) ||
           hr == static_cast<HRESULT>(DIERR_INPUTLOST);
}

struct Found {
    GUID guid;
    bool found;
};

BOOL CALLBACK TakeFirst(LPCDIDEVICEINSTANCEA instance, LPVOID context)
{
    Found *found = static_cast<Found *>(context);
    found->guid = instance->guidInstance;
    found->found = true;
    return DIENUM_STOP;
}

bool FindDevice(IDirectInput8A *di, DWORD deviceClass, GUID *guid)
{
    Found found{};
    HRESULT hr =
        di->EnumDevices(deviceClass, TakeFirst, &found, DIEDFL_ATTACHEDONLY | DIEDFL_FORCEFEEDBACK);
    if (FAILED(hr))
        return Failed("EnumDevices", hr);
    *guid = found.guid;
    return found.found;
}

ScreenSize FindScreen()
{
    ScreenSize size;
    if (ScreenOverride(&size))
        return size;
    size.width = GetSystemMetrics(SM_CXSCREEN);
    size.height = GetSystemMetrics(SM_CYSCREEN);
    return size.width > 0 && size.height > 0 ? size : kDefaultScreen;
}

// One spring's parameter block, with the arrays it points into.
struct SpringBlock {
    DIEFFECT effect;
    DICONDITION conditions[2];
    DWORD axes[2];
    LONG direction[2];
};

// What the library keeps of each effect besides DirectInput's interface.
struct EffectSlot {
    IDirectInputEffect *effect;
    DWORD startDelay; // as last set on the effect, in microseconds
    // Stopped as far as the caller knows, but the device was not ours to
    // tell: stopped on the device as soon as it is ours again.
    bool stopOwed;
};

class DInputBackend : public Backend {
public:
    DInputBackend(IDirectInput8A *di, IDirectInputDevice8A *device, bool isMouse)
        : di_(di), device_(device), isMouse_(isMouse)
    {
    }

    ~DInputBackend() override
    {
        while (!effects_.empty())
            Destroy(effects_.begin()->first);
        (void)device_->Unacquire();
        (void)device_->Release();
        (void)di_->Release();
    }

    ScreenSize Screen() override { return FindScreen(); }

    // DirectInput does not tell how many effects a device holds; a full
    // device refuses the next download instead.
    unsigned long Capacity() override { return 64; }

    bool CreateSpring(const SpringParams &p, EffectId *id) override
    {
        SpringBlock block;
        Fill(p, 0, &block);
        IDirectInputEffect *effect = nullptr;
        // Without the device acquired the effect is created but not yet
        // downloaded; Start downloads it.
        HRESULT hr = device_->CreateEffect(GUID_Spring, &block.effect, &effect, nullptr);
        if (FAILED(hr))
            return Failed("CreateEffect", hr);
        *id = next_++;
        effects_[*id] = EffectSlot{effect, block.effect.dwStartDelay, false};
        return true;
    }

    bool UpdateSpring(EffectId id, const SpringParams &p) override
    {
        EffectSlot *slot = Find(id);
        if (slot == nullptr)
            return false;
        SpringBlock block;
        Fill(p, 0, &block);
        // A playing spring takes its new centre as it plays: never stopped
        // and started again for it. A device that cannot change it while
        // playing keeps the values for the next Start, which downloads them.
        DWORD what = DIEP_TYPESPECIFICPARAMS | DIEP_NORESTART;
        HRESULT hr = Retried([&] { return slot->effect->SetParameters(&block.effect, what); });
        return SUCCEEDED(hr) || hr == static_cast<HRESULT>(DIERR_EFFECTPLAYING) ||
               Failed("SetParameters", hr);
    }

    bool Start(EffectId id, const SpringParams &p, const StartParams &s) override
    {
        EffectSlot *slot = Find(id);
        if (slot == nullptr)
            return false;
        SpringBlock block;
        Fill(p, s.delayMs, &block);
        // Setting the delay downloads the effect: only when it changes.
        if (block.effect.dwStartDelay != slot->startDelay) {
            HRESULT hr = Retried(
                [&] { return slot->effect->SetParameters(&block.effect, DIEP_STARTDELAY); });
            if (FAILED(hr))
                return Failed("SetParameters", hr);
            slot->startDelay = block.effect.dwStartDelay;
        }
        DWORD iterations = s.iterations == kInfiniteIterations ? INFINITE : s.iterations;
        DWORD flags = s.solo ? DIES_SOLO : 0;
        HRESULT hr = Retried([&] { return slot->effect->Start(iterations, flags); });
        if (FAILED(hr))
            return Failed("Start", hr);
        slot->stopOwed = false;
        return true;
    }

    bool Stop(EffectId id) override
    {
        EffectSlot *slot = Find(id);
        if (slot == nullptr)
            return false;
        HRESULT hr = Retried([&] { return slot->effect->Stop(); });
        // A device that is no longer ours plays nothing of ours: stopped,
        // and told so once it is ours again.
        slot->stopOwed = IsLost(hr);
        return SUCCEEDED(hr) || slot->stopOwed || Failed("Stop", hr);
    }

    void Destroy(EffectId id) override
    {
        auto it = effects_.find(id);
        if (it == effects_.end())
            return;
        (void)it->second.effect->Unload(); // releasing it unloads it anyway
        (void)it->second.effect->Release();
        effects_.erase(it);
    }

private:
    EffectSlot *Find(EffectId id)
    {
        auto it = effects_.find(id);
        return it != effects_.end() ? &it->second : nullptr;
    }

    // Makes an effect call; when the device is found lost (another window
    // came to the front and went, the device was replugged), acquires it
    // again, as DirectInput asks, and makes the call once more.
    template <class Call> HRESULT Retried(Call call)
    {
        HRESULT hr = call();
        if (!IsLost(hr) || FAILED(device_->Acquire()))
            return hr;
        for (auto &entry : effects_) {
            EffectSlot &owed = entry.second;
            if (owed.stopOwed)
                (void)owed.effect->Stop();
            owed.stopOwed = false;
        }
        return call();
    }

    void Fill(const SpringParams &p, std::uint32_t delayMs, SpringBlock *b)
    {
        *b = SpringBlock{};
        ScreenSize screen = FindScreen();
        std::int64_t centre[2] = {EffectiveCentreX(p), EffectiveCentreY(p)};
        std::int32_t extent[2] = {screen.width, screen.height};
        DWORD offsets[2] = {isMouse_ ? DWORD{DIMOFS_X} : DWORD{DIJOFS_X},
                            isMouse_ ? DWORD{DIMOFS_Y} : DWORD{DIJOFS_Y}};
        DWORD count = 0;
        for (int axis = 0; axis < 2; ++axis) {
            if ((p.axes & (1u << axis)) == 0)
                continue;
            DICONDITION &c = b->conditions[count];
            c.lOffset = MapPosition(centre[axis], extent[axis], kHalfAxis);
            c.lPositiveCoefficient = c.lNegativeCoefficient = p.stiffness;
            c.dwPositiveSaturation = c.dwNegativeSaturation = p.saturation;
            c.lDeadBand = MapDistance(p.deadband, extent[axis], kHalfAxis, kHalfAxis);
            b->axes[count] = offsets[axis];
            ++count;
        }
        DIEFFECT &e = b->effect;
        e.dwSize = sizeof(DIEFFECT);
        e.dwFlags = DIEFF_CARTESIAN | DIEFF_OBJECTOFFSETS;
        e.dwDuration = p.durationMs == 0 ? INFINITE : p.durationMs * 1000;
        e.dwGain = DI_FFNOMINALMAX;
        e.dwTriggerButton = DIEB_NOTRIGGER;
        e.cAxes = count;
        e.rgdwAxes = b->axes;
        // A condition per axis carries its own direction, and DirectInput
        // ignores this one; it still names one: along the first axis.
        b->direction[0] = 1;
        e.rglDirection = b->direction;
        e.cbTypeSpecificParams = count * sizeof(DICONDITION);
        e.lpvTypeSpecificParams = b->conditions;
        e.dwStartDelay = delayMs * 1000;
    }

    IDirectInput8A *di_;
    IDirectInputDevice8A *device_;
    bool isMouse_;
    std::map<EffectId, EffectSlot> effects_;
    EffectId next_ = 1;
};

// Prepares the device for force feedback on the caller's window. False, with
// the device left to the caller to release, when it cannot be.
bool Prepare(IDirectInputDevice8A *device, bool isMouse, const OpenRequest &request,
             std::string *why)
{
    HRESULT hr = device->SetDataFormat(isMouse ? &c_dfDIMouse2 : &c_dfDIJoystick2);
    if (FAILED(hr)) {
        *why = "SetDataFormat failed";
        return Failed("SetDataFormat", hr);
    }
    // A pointing device is here only with foregroundOnly set.
    DWORD level = DISCL_EXCLUSIVE | (request.foregroundOnly ? DISCL_FOREGROUND : DISCL_BACKGROUND);
    hr = device->SetCooperativeLevel(static_cast<HWND>(request.window), level);
    if (FAILED(hr)) {
        *why = "SetCooperativeLevel failed";
        return Failed("SetCooperativeLevel", hr);
    }
    // The device's own centring would fight the spring's centre; devices
    // without it refuse, which is fine.
    DIPROPDWORD autocenter{};
    autocenter.diph.dwSize = sizeof(DIPROPDWORD);
    autocenter.diph.dwHeaderSize = sizeof(DIPROPHEADER);
    autocenter.diph.dwHow = DIPH_DEVICE;
    autocenter.dwData = DIPROPAUTOCENTER_OFF;
    (void)device->SetProperty(DIPROP_AUTOCENTER, &autocenter.diph);
    // Fails while the window is not in the foreground; Start acquires again.
    (void)device->Acquire();
    return true;
}

} // namespace

namespace {

BOOL CALLBACK ListOne(LPCDIDEVICEINSTANCEA instance, LPVOID context)
{
    static_cast<std::string *>(context)->append(std::string("\"") + instance->tszInstanceName +
                                                "\"\n");
    return DIENUM_CONTINUE;
}

} // namespace

std::string DescribeDevices()
{
    IDirectInput8A *di = nullptr;
    HRESULT hr = DirectInput8Create(GetModuleHandleA(nullptr), DIRECTINPUT_VERSION,
                                    IID_IDirectInput8A, reinterpret_cast<void **>(&di), nullptr);
    if (FAILED(hr))
        return "DirectInput is not available\n";
    std::string pointing, controllers;
    const DWORD flags = DIEDFL_ATTACHEDONLY | DIEDFL_FORCEFEEDBACK;
    (void)di->EnumDevices(DI8DEVCLASS_POINTER, ListOne, &pointing, flags);
    (void)di->EnumDevices(DI8DEVCLASS_GAMECTRL, ListOne, &controllers, flags);
    (void)di->Release();
    std::string text;
    if (!pointing.empty())
        text += "force-feedback pointing devices (the first plays the spring itself):\n" + pointing;
    if (!controllers.empty())
        text += "force-feedback game controllers:\n" + controllers;
    return text.empty() ? "no force-feedback device\n" : text;
}

std::unique_ptr<Backend> OpenPlatformBackend(const OpenRequest &request, std::string *why)
{
    HINSTANCE instance = request.instance != nullptr ? static_cast<HINSTANCE>(request.instance)
                                                     : GetModuleHandleA(nullptr);
    IDirectInput8A *di = nullptr;
    HRESULT hr = DirectInput8Create(instance, DIRECTINPUT_VERSION, IID_IDirectInput8A,
                                    reinterpret_cast<void **>(&di), nullptr);
    if (FAILED(hr)) {
        *why = "DirectInput8Create failed";
        (void)Failed("DirectInput8Create", hr);
        return nullptr;
    }
    GUID guid;
    // Force needs an exclusive level, and DirectInput gives a mouse no
    // exclusive level in the background: force in the background is for a
    // game controller only.
    bool isMouse = request.foregroundOnly && FindDevice(di, DI8DEVCLASS_POINTER, &guid);
    if (!isMouse && !FindDevice(di, DI8DEVCLASS_GAMECTRL, &guid)) {
        (void)di->Release();
        *why = request.foregroundOnly
                   ? "no force-feedback device"
                   : "no force-feedback game controller (a mouse has force only in the foreground)";
        return nullptr;
    }
    IDirectInputDevice8A *device = nullptr;
    hr = di->CreateDevice(guid, &device, nullptr);
    if (FAILED(hr)) {
        (void)di->Release();
        *why = "CreateDevice failed";
        (void)Failed("CreateDevice", hr);
        return nullptr;
    }
    if (!Prepare(device, isMouse, request, why)) {
        (void)device->Release();
        (void)di->Release();
        return nullptr;
    }
    return std::make_unique<DInputBackend>(di, device, isMouse);
}

} // namespace taclib
