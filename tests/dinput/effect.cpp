// IDirectInputEffect, and the checks of a DIEFFECT against its documented
// contract.
#include <cmath>

#include "standin.h"

namespace standin {

namespace {

bool InRange(long value, long low, long high) { return value >= low && value <= high; }

const char *Dead = "called after its last Release";

// The axes of the two data formats this device takes, as data format offsets.
bool IsAxis(const DeviceState *d, DWORD offset)
{
    if (d->mouse)
        return offset == DIMOFS_X || offset == DIMOFS_Y || offset == DIMOFS_Z;
    return offset <= DIJOFS_RZ && offset % 4 == 0;
}

bool IsButton(const DeviceState *d, DWORD offset)
{
    if (d->mouse)
        return offset >= DIMOFS_BUTTON0 && offset <= DIMOFS_BUTTON7;
    return offset >= DIJOFS_BUTTON0 && offset < DIJOFS_BUTTON0 + 128;
}

} // namespace

class Effect : public IDirectInputEffect {
public:
    Effect(DeviceState *device, Kind kind) : device_(device), kind_(kind) { ++g_references; }

    STDMETHOD(QueryInterface)(REFIID riid, void **out) override
    {
        Line line("Effect::QueryInterface");
        if (Gone("Effect::QueryInterface"))
            return line.Done(E_FAIL);
        if (out == nullptr)
            return line.Done(E_POINTER);
        bool known = IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDirectInputEffect);
        *out = known ? this : nullptr;
        if (known)
            AddRef();
        return line.Add(" known=%d", known).Done(known ? S_OK : E_NOINTERFACE);
    }
    STDMETHOD_(ULONG, AddRef)() override
    {
        if (Gone("Effect::AddRef"))
            return 0;
        ++g_references;
        Line("Effect::AddRef").Add(" refs=%lu", ++refs_).Done(S_OK);
        return refs_;
    }
    STDMETHOD_(ULONG, Release)() override
    {
        if (Gone("Effect::Release"))
            return 0;
        --g_references;
        if (--refs_ == 0)
            Unloaded(); // a released effect is unloaded from the device
        Line("Effect::Release").Add(" refs=%lu", refs_).Done(S_OK);
        return refs_;
    }
    STDMETHOD(Initialize)(HINSTANCE, DWORD, REFGUID) override { return Unexpected("Initialize"); }
    STDMETHOD(GetEffectGuid)(LPGUID) override { return Unexpected("GetEffectGuid"); }
    STDMETHOD(GetParameters)(LPDIEFFECT, DWORD) override { return Unexpected("GetParameters"); }
    STDMETHOD(GetEffectStatus)(LPDWORD) override { return Unexpected("GetEffectStatus"); }
    STDMETHOD(Escape)(LPDIEFFESCAPE) override { return Unexpected("Escape"); }

    STDMETHOD(SetParameters)(LPCDIEFFECT e, DWORD flags) override
    {
        const char *call = "Effect::SetParameters";
        Line line(call);
        line.Add(" effect=%d params=0x%lx", id_, flags);
        if (Gone(call))
            return line.Done(E_FAIL);
        if ((flags & ~(DIEP_ALLPARAMS | DIEP_START | DIEP_NORESTART | DIEP_NODOWNLOAD)) != 0) {
            Violation(call, "unknown flags 0x%lx", flags);
            return line.Done(DIERR_INVALIDPARAM);
        }
        if (!CheckedParameters(call, line, this, e, flags & DIEP_ALLPARAMS))
            return line.Done(DIERR_INVALIDPARAM);
        if ((flags & DIEP_NODOWNLOAD) != 0)
            return line.Done(DI_DOWNLOADSKIPPED);
        if (device_->lost)
            return line.Done(DIERR_INPUTLOST);
        if (!IsHeld(device_))
            return line.Done(DI_DOWNLOADSKIPPED);
        Loaded();
        HRESULT hr = (flags & DIEP_START) != 0 ? Play(call, 1, 0) : DI_OK;
        line.Done(hr);
        // Pulled out mid-drag, once it played its third force.
        if (hr == DI_OK && kind_ == Kind::Constant && magnitude_ != 0 &&
            TheMode() == Mode::JoystickUnplugged && ++forces_ == 3) {
            g_unplugged = true;
            device_->lost = true;
            device_->acquired = false;
            StopAll(device_, nullptr);
            Write("note the device was unplugged");
        }
        return hr;
    }

    STDMETHOD(Start)(DWORD iterations, DWORD flags) override
    {
        const char *call = "Effect::Start";
        Line line(call);
        line.Add(" effect=%d iterations=%lu flags=0x%lx", id_, iterations, flags);
        if (Gone(call))
            return line.Done(E_FAIL);
        if ((flags & ~(DIES_SOLO | DIES_NODOWNLOAD)) != 0) {
            Violation(call, "unknown flags 0x%lx", flags);
            return line.Done(DIERR_INVALIDPARAM);
        }
        if (iterations == 0)
            Violation(call, "no iteration to play");
        return line.Done(Play(call, iterations, flags));
    }

    STDMETHOD(Stop)() override
    {
        Line line("Effect::Stop");
        line.Add(" effect=%d", id_);
        if (Gone("Effect::Stop"))
            return line.Done(E_FAIL);
        if (const HRESULT unreachable = Unreachable(); unreachable != DI_OK)
            return line.Done(unreachable);
        Stopped();
        return line.Done(DI_OK);
    }

    STDMETHOD(Download)() override
    {
        Line line("Effect::Download");
        if (Gone("Effect::Download"))
            return line.Done(E_FAIL);
        if (const HRESULT unreachable = Unreachable(); unreachable != DI_OK)
            return line.Done(unreachable);
        Loaded();
        return line.Done(DI_OK);
    }

    STDMETHOD(Unload)() override
    {
        Line line("Effect::Unload");
        line.Add(" effect=%d", id_);
        if (Gone("Effect::Unload"))
            return line.Done(E_FAIL);
        Unloaded();
        return line.Done(DI_OK);
    }

    // What a call that needs the device acquired exclusively answers when it
    // is not; DI_OK when it is.
    HRESULT Unreachable() const
    {
        if (device_->lost)
            return DIERR_INPUTLOST;
        return IsHeld(device_) ? DI_OK : DIERR_NOTEXCLUSIVEACQUIRED;
    }

    void Stopped()
    {
        if (playing_)
            --g_playing;
        playing_ = false;
    }

    void Loaded()
    {
        if (!loaded_)
            ++g_loaded;
        loaded_ = true;
    }
    void Discarded()
    {
        --g_references;
        refs_ = 0;
    }

    DeviceState *device_;
    const Kind kind_;
    DWORD axisIds_[2] = {};
    LONG direction_[2] = {};
    LONG magnitude_ = 0;
    int forces_ = 0;        // constant forces played
    DWORD axes_ = 0;        // how many axes were given, 0 before any
    bool complete_ = false; // type-specific parameters given
    int id_ = 0;

private:
    HRESULT Play(const char *call, DWORD iterations, DWORD flags)
    {
        // Effects play only on a device acquired exclusively.
        if ((device_->level & DISCL_EXCLUSIVE) == 0) {
            Violation(call, "the device's cooperative level 0x%lx is not exclusive",
                      device_->level);
            return DIERR_NOTEXCLUSIVEACQUIRED;
        }
        if (!complete_)
            Violation(call, "the effect has no type-specific parameters");
        if (device_->lost)
            return DIERR_INPUTLOST;
        if (TheMode() == Mode::StartNotAcquired && !device_->firstStartDone) {
            device_->firstStartDone = true;
            device_->acquired = false;
            StopAll(device_, nullptr);
            return DIERR_NOTEXCLUSIVEACQUIRED;
        }
        if (!IsHeld(device_))
            return DIERR_NOTEXCLUSIVEACQUIRED;
        if ((flags & DIES_SOLO) != 0)
            StopAll(device_, this);
        Loaded();
        if (!playing_)
            ++g_playing;
        playing_ = true;
        (void)iterations;
        if (TheMode() == Mode::Lost && !device_->firstStartDone) {
            device_->firstStartDone = true;
            device_->lost = true; // it played; from now on the device is gone until acquired again
            device_->acquired = false;
            StopAll(device_, nullptr);
        }
        return DI_OK;
    }

    void Unloaded()
    {
        Stopped();
        if (loaded_)
            --g_loaded;
        loaded_ = false;
    }

    bool Gone(const char *call)
    {
        if (refs_ > 0)
            return false;
        Violation(call, "effect %d %s", id_, Dead);
        return true;
    }

    HRESULT Unexpected(const char *name)
    {
        char text[96];
        (void)wsprintfA(text, "unexpected Effect::%s", name);
        Write(text);
        return E_NOTIMPL;
    }

    ULONG refs_ = 1;
    bool loaded_ = false;
    bool playing_ = false;
};

Effect *NewEffect(DeviceState *device, Kind kind)
{
    Effect *effect = new Effect(device, kind);
    effect->id_ = device->effectCount + 1;
    return effect;
}

IDirectInputEffect *Interface(Effect *effect) { return effect; }
void Downloaded(Effect *effect) { effect->Loaded(); }
void Discard(Effect *effect) { effect->Discarded(); }

void StopAll(const DeviceState *device, Effect *keep)
{
    for (int i = 0; i < device->effectCount; ++i)
        if (device->effects[i] != keep)
            device->effects[i]->Stopped();
}

// Records the force a constant force pushes the device's stick with, along
// the screen's axes (+x right, +y toward the user, that is down): its
// direction, in DirectInput's Cartesian coordinates, is the direction the
// force comes from, and its magnitude scales it (a negative one reverses it).
void Pushes(const Effect *effect, Line &line)
{
    double length = 0;
    DWORD count = effect->axes_ < 2 ? effect->axes_ : 2;
    for (DWORD i = 0; i < count; ++i)
        length += static_cast<double>(effect->direction_[i]) * effect->direction_[i];
    length = std::sqrt(length);
    if (length == 0) {
        Violation("constant force", "a direction of no length");
        return;
    }
    long push[2] = {0, 0};
    for (DWORD i = 0; i < count; ++i) {
        int axis = ActuatorAxis(effect->axisIds_[i]);
        if (axis >= 0)
            push[axis] = std::lround(-effect->magnitude_ * effect->direction_[i] / length);
    }
    line.Add(" pushes=%ld,%ld", push[0], push[1]);
}

// Records the fields of E that FLAGS bring into play and checks them; false
// when the call must be refused.
bool CheckedParameters(const char *call, Line &line, Effect *effect, const DIEFFECT *e, DWORD flags)
{
    if (e == nullptr) {
        Violation(call, "no DIEFFECT");
        return false;
    }
    bool ok = true;
    auto breach = [&](const char *what) {
        Violation(call, "%s", what);
        ok = false;
    };
    line.Add(" size=%lu flags=0x%lx", e->dwSize, e->dwFlags);
    bool full = e->dwSize == sizeof(DIEFFECT);
    if (!full && e->dwSize != sizeof(DIEFFECT_DX5)) {
        breach("dwSize is neither DIEFFECT's nor DIEFFECT_DX5's");
        return false;
    }
    if ((flags & DIEP_STARTDELAY) != 0 && !full)
        breach("a start delay in a DIEFFECT_DX5");
    if ((e->dwFlags & ~(DIEFF_OBJECTIDS | DIEFF_OBJECTOFFSETS | DIEFF_CARTESIAN | DIEFF_POLAR |
                        DIEFF_SPHERICAL)) != 0)
        breach("unknown dwFlags");
    DWORD objects = e->dwFlags & (DIEFF_OBJECTIDS | DIEFF_OBJECTOFFSETS);
    if ((flags & (DIEP_AXES | DIEP_TRIGGERBUTTON)) != 0 && objects != DIEFF_OBJECTIDS &&
        objects != DIEFF_OBJECTOFFSETS)
        breach("not exactly one of DIEFF_OBJECTIDS and DIEFF_OBJECTOFFSETS");
    const DeviceState *d = effect->device_;
    bool offsets = objects == DIEFF_OBJECTOFFSETS;
    if ((flags & DIEP_DURATION) != 0)
        line.Add(" duration=%lu", e->dwDuration);
    if ((flags & DIEP_SAMPLEPERIOD) != 0)
        line.Add(" sampleperiod=%lu", e->dwSamplePeriod);
    if ((flags & DIEP_GAIN) != 0) {
        line.Add(" gain=%lu", e->dwGain);
        if (e->dwGain > DI_FFNOMINALMAX)
            breach("gain above 10000");
    }
    if ((flags & DIEP_TRIGGERBUTTON) != 0) {
        line.Add(" trigger=0x%lx", e->dwTriggerButton);
        if (e->dwTriggerButton != DIEB_NOTRIGGER && offsets && !IsButton(d, e->dwTriggerButton))
            breach("the trigger is not a button of the data format");
    }
    if ((flags & DIEP_TRIGGERREPEATINTERVAL) != 0)
        line.Add(" repeat=%lu", e->dwTriggerRepeatInterval);
    DWORD axes = effect->axes_;
    if ((flags & DIEP_AXES) != 0) {
        line.Add(" axes=%lu axis=", e->cAxes);
        if (e->cAxes == 0 || e->rgdwAxes == nullptr)
            breach("no axes");
        else if (d->format == nullptr && offsets)
            breach("axes as data format offsets before SetDataFormat");
        for (DWORD i = 0; e->rgdwAxes != nullptr && i < e->cAxes && i < 8; ++i) {
            line.Add(i == 0 ? "%lu" : ",%lu", e->rgdwAxes[i]);
            if (offsets && !IsAxis(d, e->rgdwAxes[i]))
                breach("an axis that is not one of the data format");
            if (!offsets && !d->mouse && ActuatorAxis(e->rgdwAxes[i]) < 0)
                breach("an axis that is no force-feedback actuator of the device");
            for (DWORD j = 0; j < i; ++j)
                if (e->rgdwAxes[j] == e->rgdwAxes[i])
                    breach("an axis given twice");
        }
        axes = e->cAxes;
    }
    if ((flags & DIEP_DIRECTION) != 0 && e->rglDirection != nullptr)
        for (DWORD i = 0; i < axes && i < 2; ++i)
            effect->direction_[i] = e->rglDirection[i];
    if ((flags & DIEP_DIRECTION) != 0) {
        DWORD system = e->dwFlags & (DIEFF_CARTESIAN | DIEFF_POLAR | DIEFF_SPHERICAL);
        if (system != DIEFF_CARTESIAN && system != DIEFF_POLAR && system != DIEFF_SPHERICAL)
            breach("not exactly one of DIEFF_CARTESIAN, DIEFF_POLAR and DIEFF_SPHERICAL with a "
                   "direction");
        line.Add(" direction=");
        if (axes > 0 && e->rglDirection == nullptr)
            breach("a direction without its array");
        for (DWORD i = 0; e->rglDirection != nullptr && i < axes && i < 8; ++i)
            line.Add(i == 0 ? "%ld" : ",%ld", e->rglDirection[i]);
        if (system == DIEFF_POLAR &&
            (axes != 2 || (e->rglDirection != nullptr && e->rglDirection[1] != 0)))
            breach("a polar direction that is not two values ending in 0");
    }
    if ((flags & DIEP_ENVELOPE) != 0) {
        line.Add(" envelope=%s", e->lpEnvelope == nullptr ? "none" : "given");
        if (e->lpEnvelope != nullptr && effect->kind_ == Kind::Condition)
            breach("an envelope on a condition, which takes none");
        if (e->lpEnvelope != nullptr && e->lpEnvelope->dwSize != sizeof(DIENVELOPE))
            breach("a DIENVELOPE of the wrong dwSize");
    }
    if ((flags & DIEP_TYPESPECIFICPARAMS) != 0) {
        line.Add(" typespecific=%lu", e->cbTypeSpecificParams);
        DWORD count = e->cbTypeSpecificParams / sizeof(DICONDITION);
        if (effect->kind_ == Kind::Constant) {
            if (e->cbTypeSpecificParams != sizeof(DICONSTANTFORCE) ||
                e->lpvTypeSpecificParams == nullptr) {
                breach("a constant force without one DICONSTANTFORCE");
            } else {
                LONG m = static_cast<const DICONSTANTFORCE *>(e->lpvTypeSpecificParams)->lMagnitude;
                line.Add(" constant=%ld", m);
                if (!InRange(m, -10000, 10000))
                    breach("a magnitude outside -10000..10000");
                effect->magnitude_ = m;
            }
        } else if (effect->kind_ != Kind::Condition) {
        } else if (e->lpvTypeSpecificParams == nullptr) {
            breach("no conditions");
        } else if (e->cbTypeSpecificParams % sizeof(DICONDITION) != 0 ||
                   (count != 1 && count != axes)) {
            breach("cbTypeSpecificParams is neither one DICONDITION nor one per axis");
        } else {
            const auto *c = static_cast<const DICONDITION *>(e->lpvTypeSpecificParams);
            for (DWORD i = 0; i < count; ++i) {
                line.Add(" condition=%ld,%ld,%ld,%lu,%lu,%ld", c[i].lOffset,
                         c[i].lPositiveCoefficient, c[i].lNegativeCoefficient,
                         c[i].dwPositiveSaturation, c[i].dwNegativeSaturation, c[i].lDeadBand);
                if (!InRange(c[i].lOffset, -10000, 10000))
                    breach("an offset outside -10000..10000");
                if (!InRange(c[i].lPositiveCoefficient, -10000, 10000) ||
                    !InRange(c[i].lNegativeCoefficient, -10000, 10000))
                    breach("a coefficient outside -10000..10000");
                if (c[i].dwPositiveSaturation > 10000 || c[i].dwNegativeSaturation > 10000)
                    breach("a saturation outside 0..10000");
                if (!InRange(c[i].lDeadBand, 0, 10000))
                    breach("a dead band outside 0..10000");
            }
            if (count == 1 && axes > 1 && (flags & DIEP_DIRECTION) == 0 && !effect->complete_)
                breach("one condition for several axes without a direction");
        }
    }
    if ((flags & DIEP_STARTDELAY) != 0 && full)
        line.Add(" startdelay=%lu", e->dwStartDelay);
    if (ok && (flags & DIEP_AXES) != 0) {
        effect->axes_ = axes;
        for (DWORD i = 0; i < axes && i < 2; ++i)
            effect->axisIds_[i] = e->rgdwAxes[i];
    }
    if (ok && effect->kind_ == Kind::Constant &&
        (flags & (DIEP_DIRECTION | DIEP_TYPESPECIFICPARAMS)) != 0)
        Pushes(effect, line);
    if (ok && (flags & DIEP_TYPESPECIFICPARAMS) != 0)
        effect->complete_ = true;
    return ok;
}

} // namespace standin
