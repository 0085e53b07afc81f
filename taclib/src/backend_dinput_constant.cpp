// A force-feedback game controller (a force joystick, a wheel) playing a
// spring: it is told, as one constant force on its actuator axes, the force
// the spring pulls with where the cursor is. A spring of its own would be
// felt only where its stick is, and the hand is on the mouse.
#include <vector>

#include "call_log.h"
#include "dinput_common.h"
#include "follow_cursor.h"

namespace taclib {

namespace {

// An axis that forces can be applied to, as EnumObjects reports it.
struct Actuator {
    GUID kind; // GUID_XAxis, GUID_YAxis, ...
    DWORD id;  // its object identifier, for DIEFF_OBJECTIDS
};

// The constant force's parameter block, with the arrays it points into.
struct ConstantBlock {
    DIEFFECT effect;
    DICONSTANTFORCE constant;
    DWORD axes[2];
    LONG direction[2];
};

class ConstantForceOutput : public ForceOutput {
public:
    ConstantForceOutput(IDirectInput8A *di, IDirectInputDevice8A *device, const DWORD *axes,
                        DWORD count, IDirectInputEffect *effect)
        : di_(di), device_(device), link_(device), count_(count), effect_(effect)
    {
        axes_[0] = axes[0];
        axes_[1] = count > 1 ? axes[1] : 0;
        (void)di_->AddRef();
    }

    ~ConstantForceOutput() override
    {
        if (playing_ && !link_.Gone())
            (void)effect_->Stop();
        (void)effect_->Unload(); // releasing it unloads it anyway
        (void)effect_->Release();
        (void)device_->Unacquire();
        (void)device_->Release();
        (void)di_->Release();
    }

    bool Lost() const override { return link_.Gone(); }

    bool Render(Force force, std::uint32_t) override
    {
        if (link_.Gone())
            return false;
        ConstantBlock block;
        if (!Fill(force, axes_, count_, &block)) {
            if (!playing_)
                return true;
            HRESULT hr = link_.Retried([&] { return effect_->Stop(); });
            playing_ = false;
            // A device that is not ours (any more) plays nothing of ours.
            return SUCCEEDED(hr) || (DInputIsLost(hr) && !link_.Gone()) || DInputFailed("Stop", hr);
        }
        // A device acquired again, or never playing, starts the force anew.
        DWORD flags = DIEP_DIRECTION | DIEP_TYPESPECIFICPARAMS | (playing_ ? 0 : DIEP_START);
        auto set = [&] { return effect_->SetParameters(&block.effect, flags); };
        HRESULT hr = link_.Retried(set, [&] { flags |= DIEP_START; });
        if (hr == DI_DOWNLOADSKIPPED && SUCCEEDED(device_->Acquire())) {
            flags |= DIEP_START;
            hr = set();
        }
        playing_ = hr == DI_OK;
        return SUCCEEDED(hr) || DInputFailed("SetParameters", hr);
    }

    // Fills BLOCK with FORCE on the actuator axes; false when that is no
    // force at all. DirectInput's direction is where a force comes from.
    static bool Fill(Force force, const DWORD *axes, DWORD count, ConstantBlock *b)
    {
        *b = ConstantBlock{};
        if (count == 1) {
            // From the left, so that a positive magnitude pushes right.
            b->direction[0] = -1;
            b->constant.lMagnitude = force.x;
        } else {
            b->constant.lMagnitude = ForceStrength(force);
            b->direction[0] = b->constant.lMagnitude != 0 ? -force.x : -1;
            b->direction[1] = -force.y;
        }
        b->axes[0] = axes[0];
        b->axes[1] = axes[1];
        DIEFFECT &e = b->effect;
        e.dwSize = sizeof(DIEFFECT);
        e.dwFlags = DIEFF_CARTESIAN | DIEFF_OBJECTIDS;
        e.dwDuration = INFINITE;
        e.dwGain = DI_FFNOMINALMAX;
        e.dwTriggerButton = DIEB_NOTRIGGER;
        e.cAxes = count;
        e.rgdwAxes = b->axes;
        e.rglDirection = b->direction;
        e.cbTypeSpecificParams = sizeof(DICONSTANTFORCE);
        e.lpvTypeSpecificParams = &b->constant;
        return b->constant.lMagnitude != 0;
    }

private:
    IDirectInput8A *di_;
    IDirectInputDevice8A *device_;
    DInputLink link_;
    DWORD axes_[2];
    DWORD count_;
    IDirectInputEffect *effect_;
    bool playing_ = false;
};

BOOL CALLBACK CollectActuator(LPCDIDEVICEOBJECTINSTANCEA object, LPVOID context)
{
    if ((object->dwFlags & DIDOI_FFACTUATOR) != 0)
        static_cast<std::vector<Actuator> *>(context)->push_back(
            {object->guidType, object->dwType});
    return DIENUM_CONTINUE;
}

// The axes a force is told along: the horizontal one first (the X axis, or
// the first actuator: a wheel's only one), then the vertical one (the Y axis,
// or the next actuator).
DWORD ChooseAxes(const std::vector<Actuator> &actuators, DWORD axes[2])
{
    std::vector<Actuator> rest = actuators;
    DWORD count = 0;
    for (const GUID *kind : {&GUID_XAxis, &GUID_YAxis}) {
        if (rest.empty())
            break;
        auto it = rest.begin();
        while (it != rest.end() && !IsEqualGUID(it->kind, *kind))
            ++it;
        if (it == rest.end())
            it = rest.begin();
        axes[count++] = it->id;
        rest.erase(it);
    }
    return count;
}

// Opens one game controller for constant force; null, with *why set, when it
// cannot play one.
std::unique_ptr<ForceOutput> OpenController(IDirectInput8A *di, const GUID &guid,
                                            const OpenRequest &request, std::string *why)
{
    IDirectInputDevice8A *device = nullptr;
    HRESULT hr = di->CreateDevice(guid, &device, nullptr);
    if (FAILED(hr)) {
        *why = "a force-feedback game controller cannot be opened";
        (void)DInputFailed("CreateDevice", hr);
        return nullptr;
    }
    std::vector<Actuator> actuators;
    DWORD axes[2] = {};
    DWORD count = 0;
    if (PrepareDInputDevice(device, &c_dfDIJoystick2, request, why)) {
        hr = device->EnumObjects(CollectActuator, &actuators, DIDFT_AXIS);
        if (FAILED(hr))
            (void)DInputFailed("EnumObjects", hr);
        count = ChooseAxes(actuators, axes);
        if (count == 0)
            *why = "a force-feedback game controller has no force-feedback axis";
    }
    IDirectInputEffect *effect = nullptr;
    if (count != 0) {
        ConstantBlock block;
        (void)ConstantForceOutput::Fill(Force{}, axes, count, &block);
        hr = device->CreateEffect(GUID_ConstantForce, &block.effect, &effect, nullptr);
        if (FAILED(hr)) {
            *why = "a force-feedback game controller cannot play a constant force";
            (void)DInputFailed("CreateEffect", hr);
        }
    }
    if (effect == nullptr) {
        (void)device->Release();
        return nullptr;
    }
    return std::make_unique<ConstantForceOutput>(di, device, axes, count, effect);
}

} // namespace

std::unique_ptr<Backend> OpenConstantForceBackend(IDirectInput8A *di, const GUID &guid,
                                                  const OpenRequest &request, std::string *why)
{
    std::unique_ptr<ForceOutput> output = OpenController(di, guid, request, why);
    if (!output)
        return nullptr;
    return std::make_unique<CursorFollowingBackend>(std::move(output));
}

} // namespace taclib
