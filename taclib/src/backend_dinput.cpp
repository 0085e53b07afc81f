// The platform backend on Windows. A force-feedback pointing device plays the
// spring itself (DirectInput 8's condition spring); failing one, a
// force-feedback game controller is told a constant force, and failing that
// an XInput pad a rumble, each following the cursor. A device that is
// unplugged is replaced at the next press by whichever opens then.
#include <map>

#include "call_log.h"
#include "dinput_common.h"
#include "notice.h"

#include "common/text.h"

namespace taclib {

namespace {

// DirectInput's condition units: offsets in +-10000 across the axis, a
// deadband of 10000 reaching from the offset to the end of the axis.
constexpr std::int32_t kHalfAxis = DI_FFNOMINALMAX;

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
        return DInputFailed("EnumDevices", hr);
    *guid = found.guid;
    return found.found;
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

// A force-feedback pointing device: the spring is its own condition effect.
class DInputBackend : public Backend {
public:
    DInputBackend(IDirectInput8A *di, IDirectInputDevice8A *device)
        : di_(di), device_(device), link_(device)
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

    ScreenSize Screen() override { return WindowsScreen(); }

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
            return DInputFailed("CreateEffect", hr);
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
               DInputFailed("SetParameters", hr);
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
                return DInputFailed("SetParameters", hr);
            slot->startDelay = block.effect.dwStartDelay;
        }
        DWORD iterations = s.iterations == kInfiniteIterations ? INFINITE : s.iterations;
        DWORD flags = s.solo ? DIES_SOLO : 0;
        HRESULT hr = Retried([&] { return slot->effect->Start(iterations, flags); });
        if (FAILED(hr))
            return DInputFailed("Start", hr);
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
        slot->stopOwed = DInputIsLost(hr);
        return SUCCEEDED(hr) || slot->stopOwed || DInputFailed("Stop", hr);
    }

    bool Lost() override { return link_.Gone(); }

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

    // An effect call, made once more when the device had to be acquired
    // again; what stops were owed meanwhile are sent first.
    template <class Call> HRESULT Retried(Call call)
    {
        return link_.Retried(call, [this] {
            for (auto &entry : effects_) {
                EffectSlot &owed = entry.second;
                if (owed.stopOwed)
                    (void)owed.effect->Stop();
                owed.stopOwed = false;
            }
        });
    }

    void Fill(const SpringParams &p, std::uint32_t delayMs, SpringBlock *b)
    {
        *b = SpringBlock{};
        ScreenSize screen = WindowsScreen();
        std::int64_t centre[2] = {EffectiveCentreX(p), EffectiveCentreY(p)};
        std::int32_t extent[2] = {screen.width, screen.height};
        const DWORD offsets[2] = {DIMOFS_X, DIMOFS_Y};
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
    DInputLink link_;
    std::map<EffectId, EffectSlot> effects_;
    EffectId next_ = 1;
};

// Opens the first force-feedback pointing device; null, with *why set, when
// there is none or it cannot be opened.
std::unique_ptr<Backend> OpenPointingDevice(IDirectInput8A *di, const OpenRequest &request,
                                            std::string *why)
{
    GUID guid;
    if (!FindDevice(di, DI8DEVCLASS_POINTER, &guid)) {
        *why = "no force-feedback pointing device";
        return nullptr;
    }
    IDirectInputDevice8A *device = nullptr;
    HRESULT hr = di->CreateDevice(guid, &device, nullptr);
    if (FAILED(hr)) {
        *why = "CreateDevice failed";
        (void)DInputFailed("CreateDevice", hr);
        return nullptr;
    }
    if (!PrepareDInputDevice(device, &c_dfDIMouse2, request, why)) {
        (void)device->Release();
        return nullptr;
    }
    (void)di->AddRef();
    return std::make_unique<DInputBackend>(di, device);
}

// The first device that opens, in the order of the file's comment.
std::unique_ptr<Backend> OpenFirstDevice(const OpenRequest &request, std::string *why)
{
    HINSTANCE instance = request.instance != nullptr ? static_cast<HINSTANCE>(request.instance)
                                                     : GetModuleHandleA(nullptr);
    IDirectInput8A *di = nullptr;
    HRESULT hr = DirectInput8Create(instance, DIRECTINPUT_VERSION, IID_IDirectInput8A,
                                    reinterpret_cast<void **>(&di), nullptr);
    std::unique_ptr<Backend> backend;
    std::string pointing, controller, pad;
    if (FAILED(hr)) {
        pointing = controller = "DirectInput8Create failed";
        (void)DInputFailed("DirectInput8Create", hr);
    } else {
        // Force needs an exclusive level, and DirectInput gives a mouse no
        // exclusive level in the background: force in the background is for
        // a game controller (or a pad) only.
        if (request.foregroundOnly)
            backend = OpenPointingDevice(di, request, &pointing);
        else
            pointing = "a mouse has force only in the foreground";
        if (!backend)
            backend = OpenConstantForceBackend(di, request, &controller);
        (void)di->Release();
    }
    if (!backend)
        backend = OpenXInputBackend(&pad);
    if (!backend)
        *why = pointing + "; " + controller + "; " + pad;
    return backend;
}

} // namespace

namespace {

BOOL CALLBACK ListOne(LPCDIDEVICEINSTANCEA instance, LPVOID context)
{
    // A device names itself: its name is shown quoted and harmless.
    static_cast<std::string *>(context)->append("  " + zorbel::Quoted(instance->tszInstanceName) +
                                                "\n");
    return DIENUM_CONTINUE;
}

} // namespace

std::string DescribeDevices()
{
    std::string pointing, controllers, pad;
    IDirectInput8A *di = nullptr;
    HRESULT hr = DirectInput8Create(GetModuleHandleA(nullptr), DIRECTINPUT_VERSION,
                                    IID_IDirectInput8A, reinterpret_cast<void **>(&di), nullptr);
    if (SUCCEEDED(hr)) {
        const DWORD flags = DIEDFL_ATTACHEDONLY | DIEDFL_FORCEFEEDBACK;
        (void)di->EnumDevices(DI8DEVCLASS_POINTER, ListOne, &pointing, flags);
        (void)di->EnumDevices(DI8DEVCLASS_GAMECTRL, ListOne, &controllers, flags);
        (void)di->Release();
    }
    std::string text;
    if (!pointing.empty())
        text += "force-feedback pointing devices (the first plays the spring itself):\n" + pointing;
    if (!controllers.empty())
        text += "force-feedback game controllers (the spring's force as a constant force):\n" +
                controllers;
    if (OpenXInputBackend(&pad) != nullptr)
        text += "an XInput pad (rumble as strong as the spring pulls)\n";
    if (text.empty())
        return "no force-feedback device: " + pad + "\n";
    return text + "the first of these is used\n";
}

std::unique_ptr<Backend> OpenPlatformBackend(const OpenRequest &request, std::string *why)
{
    std::unique_ptr<Backend> backend = OpenReplaceable(
        [request](std::string *reason) { return OpenFirstDevice(request, reason); }, why);
    if (!backend)
        Notice("no force can be felt: " + *why);
    return backend;
}

} // namespace taclib
