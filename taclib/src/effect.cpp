#include "call_log.h"
#include "notice.h"
#include "tac_state.h"

using taclib::CallLog;
using taclib::DeviceCore;
using taclib::LogNote;
using taclib::SpringParams;
using taclib::StartParams;

namespace {

// The device an effect plays on, or null when it has none (never initialised,
// or its device has been destroyed since).
std::shared_ptr<DeviceCore> LiveDevice(const TacEffectState &e)
{
    return e.live ? e.device.lock() : nullptr;
}

void Release(TacEffectState *e)
{
    if (std::shared_ptr<DeviceCore> core = LiveDevice(*e)) {
        core->backend->Destroy(e->id);
        --core->used;
    }
    e->live = false;
    e->device.reset();
}

// Whether the spring now plays on the device (or waits there, stopped).
bool Create(TacEffectState *e, const std::shared_ptr<DeviceCore> &core, const SpringParams &p,
            bool startNow, std::string *why)
{
    if (!core)
        return taclib::Refuse(why, "no initialised device");
    if (core->used >= core->slots)
        return taclib::Refuse(why, "every effect slot of the device is taken");
    if (!core->backend->CreateSpring(p, &e->id))
        return taclib::Refuse(why, "the device refused the effect");
    ++core->used;
    e->live = true;
    e->device = core;
    e->params = p;
    if (startNow && !core->backend->Start(e->id, p, StartParams{})) {
        Release(e);
        return taclib::Refuse(why, "the device did not start the effect");
    }
    return true;
}

// An unsigned long is 64 bits wide outside Windows.
bool Fits32(std::uint64_t v) { return v <= 0xFFFFFFFFu; }

int Failure(CallLog &log, const std::string &why)
{
    LogNote("error: " + why);
    return log.Result(0);
}

// An effect of a project that cannot be made: the user who wrote it is told.
int ProjectFailure(CallLog &log, const char *name, const std::string &why)
{
    taclib::Notice(std::string("the effect \"") + (name != nullptr ? name : "(none)") +
                   "\" of the project is not played: " + why);
    return Failure(log, why);
}

// A spring given no centre in its project pulls toward the middle of the screen.
void CentreOnScreen(DeviceCore &core, SpringParams *p)
{
    taclib::ScreenSize screen = core.backend->Screen();
    p->centreX = screen.width / 2;
    p->centreY = screen.height / 2;
}

} // namespace

CTacEffect::CTacEffect() : state_(new TacEffectState) {}

CTacEffect::~CTacEffect()
{
    Release(state_);
    delete state_;
}

int CTacEffect::InitializeFromProject(CTacProject &project, const char *effectName,
                                      CTacDevice *device, unsigned long flags)
{
    CallLog log(state_->className, "InitializeFromProject");
    log.Pointer(&project).Text(effectName).Pointer(device).Unsigned(flags);
    Release(state_);
    // No flag is defined yet; refusing them all keeps a later one from being
    // silently ignored by this version.
    if (flags != 0)
        return Failure(log, "unknown flags");
    const TacProjectState &source = TacAccess::State(project);
    if (!source.open)
        return Failure(log, "the project is not open");
    const taclib::EffectEntry *effect = taclib::FindEffect(source.data, effectName);
    if (effect == nullptr)
        return ProjectFailure(log, effectName, "the project has no effect of that name");
    if (!state_->isSpring || effect->type != taclib::EffectType::Spring) {
        return ProjectFailure(log, effectName, "the effect is of another type");
    }
    std::shared_ptr<DeviceCore> core =
        device != nullptr ? TacAccess::Core(device) : source.device.lock();
    if (!core)
        return Failure(log, "no initialised device");
    SpringParams params = effect->spring;
    if (!effect->hasCentre)
        CentreOnScreen(*core, &params);
    std::string why;
    if (!Create(state_, core, params, effect->startNow, &why))
        return ProjectFailure(log, effectName, why);
    return log.Result(1);
}

int CTacEffect::Stop()
{
    CallLog log(state_->className, "Stop");
    std::shared_ptr<DeviceCore> core = LiveDevice(*state_);
    if (!core)
        return Failure(log, "the effect is not initialised");
    return log.Result(core->backend->Stop(state_->id));
}

CTacCondition::CTacCondition() = default;

int CTacCondition::Start(unsigned long iterations, unsigned long delayMs, int solo)
{
    CallLog log(TacAccess::State(*this).className, "Start");
    log.Unsigned(iterations).Unsigned(delayMs).Signed(solo);
    TacEffectState &e = TacAccess::State(*this);
    std::shared_ptr<DeviceCore> core = LiveDevice(e);
    if (!core)
        return Failure(log, "the effect is not initialised");
    if (!Fits32(iterations) || !Fits32(delayMs))
        return Failure(log, "an argument is outside its range");
    StartParams start;
    start.iterations = static_cast<std::uint32_t>(iterations);
    start.delayMs = static_cast<std::uint32_t>(delayMs);
    start.solo = solo != 0;
    std::string why;
    if (!taclib::CheckStart(start, &why))
        return Failure(log, why);
    return log.Result(core->backend->Start(e.id, e.params, start));
}

CTacSpring::CTacSpring()
{
    TacEffectState &e = TacAccess::State(*this);
    e.className = "CTacSpring";
    e.isSpring = true;
    CallLog("CTacSpring", "CTacSpring");
}

CTacSpring::~CTacSpring()
{
    CallLog log("CTacSpring", "~CTacSpring");
    // Released inside the logged call so that the device's notes follow it.
    Release(&TacAccess::State(*this));
}

int CTacSpring::Initialize(CTacDevice *device, long stiffness, unsigned long saturation,
                           unsigned long deadband, unsigned long axes, POINT centre, long trimX,
                           long trimY, int startNow, unsigned long durationMs)
{
    CallLog log("CTacSpring", "Initialize");
    log.Pointer(device).Signed(stiffness).Unsigned(saturation).Unsigned(deadband).Unsigned(axes);
    log.Point(centre.x, centre.y).Signed(trimX).Signed(trimY).Signed(startNow).Unsigned(durationMs);
    TacEffectState &e = TacAccess::State(*this);
    Release(&e);
    taclib::SpringArgs args{centre.x, centre.y, stiffness, saturation, deadband,
                            axes,     trimX,    trimY,     durationMs};
    SpringParams params;
    std::string why;
    if (!taclib::SpringFromArgs(args, &params, &why) ||
        !Create(&e, TacAccess::Core(device), params, startNow != 0, &why))
        return Failure(log, why);
    return log.Result(1);
}

int CTacSpring::ChangeParameters(POINT centre, long stiffness, unsigned long saturation,
                                 unsigned long deadband, long trimX, long trimY)
{
    CallLog log("CTacSpring", "ChangeParameters");
    log.KeepablePoint(centre.x, centre.y).KeepableSigned(stiffness).KeepableUnsigned(saturation);
    log.KeepableUnsigned(deadband).KeepableSigned(trimX).KeepableSigned(trimY);
    TacEffectState &e = TacAccess::State(*this);
    std::shared_ptr<DeviceCore> core = LiveDevice(e);
    if (!core)
        return Failure(log, "the effect is not initialised");
    SpringParams next = e.params;
    taclib::ChangeArgs args{centre.x, centre.y, stiffness, saturation, deadband, trimX, trimY};
    std::string why;
    if (!taclib::ApplyChange(args, &next, &why))
        return Failure(log, why);
    if (!core->backend->UpdateSpring(e.id, next))
        return Failure(log, "the device refused the new values");
    e.params = next;
    return log.Result(1);
}
