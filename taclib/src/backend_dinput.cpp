// The platform backend on Windows, and its one ranked list of devices, which
// both opening and `zorbel --devices` go through:
//  1. a force-feedback pointing device, which plays the spring itself
//     (DirectInput 8's condition spring), where force is asked for in the
//     foreground only (DirectInput gives a mouse no exclusive level in the
//     background);
//  2. a force-feedback game controller, told the spring's force at the
//     cursor as a constant force (backend_dinput_constant.cpp);
//  3. an XInput pad, told it as a rumble (backend_xinput.cpp);
// each kind in the order DirectInput or XInput gives. A device that is
// unplugged is replaced at the next press by whichever opens then.
#include <map>

#include "call_log.h"
#include "dinput_common.h"
#include "notice.h"
#include "process_screen.h"

namespace taclib {

namespace {

// DirectInput's condition units: offsets in +-10000 across the axis, a
// deadband of 10000 reaching from the offset to the end of the axis.
constexpr std::int32_t kHalfAxis = DI_FFNOMINALMAX;

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

    ScreenSize Screen() override { return ProcessScreen(); }

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
        ScreenSize screen = ProcessScreen();
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

// Opens a force-feedback pointing device; null, with *why set, when it
// cannot be opened.
std::unique_ptr<Backend> OpenPointingDevice(IDirectInput8A *di, const GUID &guid,
                                            const OpenRequest &request, std::string *why)
{
    IDirectInputDevice8A *device = nullptr;
    HRESULT hr = di->CreateDevice(guid, &device, nullptr);
    if (FAILED(hr)) {
        *why = "a force-feedback pointing device cannot be opened";
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

// DirectInput for the program's module, or null.
IDirectInput8A *CreateDirectInput(void *instance)
{
    HINSTANCE module =
        instance != nullptr ? static_cast<HINSTANCE>(instance) : GetModuleHandleA(nullptr);
    IDirectInput8A *di = nullptr;
    HRESULT hr = DirectInput8Create(module, DIRECTINPUT_VERSION, IID_IDirectInput8A,
                                    reinterpret_cast<void **>(&di), nullptr);
    if (SUCCEEDED(hr))
        return di;
    (void)DInputFailed("DirectInput8Create", hr);
    return nullptr;
}

// The devices there are, best first (the order of the file's comment), with
// why each kind that has none has none ("; " between them).
struct Ranked {
    std::vector<WindowsDevice> devices;
    std::string absent;
};

Ranked RankDevices(IDirectInput8A *di, bool foregroundOnly)
{
    Ranked ranked;
    auto absent = [&ranked](const std::string &why) {
        ranked.absent += (ranked.absent.empty() ? "" : "; ") + why;
    };
    std::string why;
    const struct {
        DWORD deviceClass;
        ForceKind kind;
        const char *none;
    } classes[] = {
        {DI8DEVCLASS_POINTER, ForceKind::Pointing, "no force-feedback pointing device"},
        {DI8DEVCLASS_GAMECTRL, ForceKind::Constant, "no force-feedback game controller"}};
    for (const auto &c : classes) {
        const std::size_t before = ranked.devices.size();
        if (di == nullptr)
            absent(std::string("no ") + KindName(c.kind) + ": DirectInput8Create failed");
        else if (c.kind == ForceKind::Pointing && !foregroundOnly)
            absent("a mouse has force only in the foreground");
        else if (!ListDInputDevices(di, c.deviceClass, c.kind, &ranked.devices, &why))
            absent(why);
        else if (ranked.devices.size() == before)
            absent(c.none);
    }
    const std::vector<WindowsDevice> pads = XInputPads(&why);
    if (pads.empty())
        absent(why);
    ranked.devices.insert(ranked.devices.end(), pads.begin(), pads.end());
    return ranked;
}

std::unique_ptr<Backend> OpenDevice(IDirectInput8A *di, const WindowsDevice &device,
                                    const OpenRequest &request, std::string *why)
{
    switch (device.kind) {
    case ForceKind::Pointing:
        return OpenPointingDevice(di, device.guid, request, why);
    case ForceKind::Constant:
        return OpenConstantForceBackend(di, device.guid, request, why);
    case ForceKind::Rumble:
        return OpenXInputBackend(device.user, why);
    case ForceKind::None:
        break;
    }
    return nullptr;
}

// The first device of the ranked list that opens.
std::unique_ptr<Backend> OpenFirstDevice(const OpenRequest &request, std::string *why)
{
    IDirectInput8A *di = CreateDirectInput(request.instance);
    const Ranked ranked = RankDevices(di, request.foregroundOnly != 0);
    std::unique_ptr<Backend> backend;
    std::string refused;
    for (const WindowsDevice &device : ranked.devices) {
        std::string reason;
        backend = OpenDevice(di, device, request, &reason);
        if (backend)
            break;
        refused += (refused.empty() ? "" : "; ") + reason;
    }
    if (di != nullptr)
        (void)di->Release(); // a device opened holds its own reference
    if (!backend)
        *why = ranked.absent + (ranked.absent.empty() || refused.empty() ? "" : "; ") + refused;
    return backend;
}

} // namespace

std::string DescribeDevices()
{
    IDirectInput8A *di = CreateDirectInput(nullptr);
    // As the program opens: force in the foreground only.
    const Ranked ranked = RankDevices(di, true);
    if (di != nullptr)
        (void)di->Release();
    std::string text;
    bool first = true;
    for (const WindowsDevice &device : ranked.devices) {
        const std::string where = device.kind == ForceKind::Rumble
                                      ? "XInput pad " + std::to_string(device.user)
                                      : std::string("DirectInput");
        text += RankedDeviceLine(where, device.name, device.kind, first);
        first = false;
    }
    if (first)
        text += "no force-feedback device: " + ranked.absent + ": the spring is not felt\n";
    return text;
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
