// The platform backend outside Windows. Devices are taken in this order:
//  1. a force-feedback pointing device, which plays the spring itself: an
//     FF_SPRING condition through the kernel's event interface;
//  2. a constant-force controller (force joysticks, wheels): told the
//     spring's force at the pointer as an FF_CONSTANT effect;
//  3. a rumble pad, through SDL's joystick API (which also reaches pads that
//     SDL drives over HID): its motors turn as fast as the spring pulls.
// The pointer and the screen are the ones the program reads from the system
// (GetCursorPos and GetSystemMetrics, which the stand-in layer provides in
// the program's process); a process without them follows SDL's own mouse.
#include <SDL.h>
#include <linux/input.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <set>
#include <thread>

#include "backend.h"
#include "call_log.h"
#include "common/text.h"
#include "follow.h"
#include "linux_input.h"
#include "notice.h"
#include "platform/win32.h"

// Provided by the program's system layer when the library runs inside the
// program; absent (null) elsewhere.
BOOL WINAPI GetCursorPos(LPPOINT point) __attribute__((weak));
int WINAPI GetSystemMetrics(int index) __attribute__((weak));

namespace taclib {

namespace {

// The kernel's condition units: positions and coefficients in +-0x7FFF,
// saturation in 0..0xFFFF, a deadband of 0xFFFF reaching from the centre to
// the end of the axis.
constexpr std::int32_t kPositionHalf = 0x7FFF;
constexpr std::int32_t kCoefficientFull = 0x7FFF;
constexpr std::int32_t kSaturationFull = 0xFFFF;
constexpr std::int32_t kDeadbandHalf = 0xFFFF;
constexpr std::int32_t kLevelFull = 0x7FFF;
// A condition along the horizontal axis: some devices apply an effect's
// direction to conditions too, and read 0 as no force at all.
constexpr std::uint16_t kConditionDirection = 0x4000;
// Effects are never uploaded with a length of 0, which some drivers play as
// nothing: "until stopped" is the longest length repeated as often as the
// kernel counts.
constexpr std::uint16_t kLongestMs = 0x7FFF;
constexpr int kUntilStopped = 0x7FFFFFFF;

bool Failed(const std::string &call, int error)
{
    LogNote("evdev " + call + " failed: " + std::strerror(error));
    return false;
}

// Whether a call on a device succeeded; a device that is gone is noted as
// lost.
bool Succeeded(const char *call, int error, bool *lost)
{
    if (error == 0)
        return true;
    *lost = *lost || error == ENODEV;
    return Failed(call, error);
}

// Before any effect: the device's own centring off (it would fight the
// spring's centre) and its gain full.
void Prepare(InputDevice &device, const InputNode &node)
{
    if (node.hasAutocentre)
        (void)device.SetAutocentre(0);
    if (node.hasGain)
        (void)device.SetGain(0xFFFF);
    LogNote("evdev open " + node.path + " " + node.name + " (" + KindName(node.kind) + ")");
}

// The screen the program's coordinates cover.
ScreenSize FindScreen()
{
    ScreenSize size;
    if (ScreenOverride(&size))
        return size;
    if (GetSystemMetrics != nullptr) {
        size.width = GetSystemMetrics(SM_CXSCREEN);
        size.height = GetSystemMetrics(SM_CYSCREEN);
        if (size.width > 0 && size.height > 0)
            return size;
    }
    SDL_Rect bounds;
    if (SDL_WasInit(SDL_INIT_VIDEO) != 0 && SDL_GetDisplayBounds(0, &bounds) == 0 && bounds.w > 0 &&
        bounds.h > 0)
        return {bounds.w, bounds.h};
    return kDefaultScreen;
}

// The pointer in the program's screen coordinates; only on the thread that
// runs the program's messages.
bool ReadPointer(std::int64_t *x, std::int64_t *y)
{
    if (GetCursorPos != nullptr) {
        POINT p{0, 0};
        if (!GetCursorPos(&p))
            return false;
        *x = p.x;
        *y = p.y;
        return true;
    }
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0)
        return false;
    int wx = 0, wy = 0;
    (void)SDL_GetGlobalMouseState(&wx, &wy);
    *x = wx;
    *y = wy;
    return true;
}

// ---------------------------------------------------------------------------
// A pointing device that plays the spring itself.

class PointingBackend : public Backend {
public:
    PointingBackend(std::unique_ptr<InputDevice> device, const InputNode &node)
        : device_(std::move(device)), slots_(node.slots)
    {
        Prepare(*device_, node);
    }

    ~PointingBackend() override
    {
        for (EffectId id : effects_)
            (void)device_->Erase(id);
    }

    ScreenSize Screen() override { return FindScreen(); }
    unsigned long Capacity() override
    {
        return slots_ > 0 ? static_cast<unsigned long>(slots_) : 1;
    }
    bool Lost() override { return lost_; }

    bool CreateSpring(const SpringParams &p, EffectId *id) override
    {
        ff_effect effect = MakeEffect(p, -1, 0);
        if (!Check("upload", device_->Upload(&effect)))
            return false;
        effects_.insert(effect.id);
        *id = effect.id;
        return true;
    }

    bool UpdateSpring(EffectId id, const SpringParams &p) override
    {
        ff_effect effect = MakeEffect(p, id, 0);
        return Check("upload", device_->Upload(&effect));
    }

    bool Start(EffectId id, const SpringParams &p, const StartParams &s) override
    {
        ff_effect effect = MakeEffect(p, id, static_cast<std::uint16_t>(s.delayMs));
        if (!Check("upload", device_->Upload(&effect)))
            return false;
        if (s.solo) {
            for (EffectId other : effects_)
                if (!Check("stop", device_->Play(other, 0)))
                    return false;
        }
        const bool forever = p.durationMs == 0 || s.iterations == kInfiniteIterations ||
                             s.iterations > static_cast<std::uint32_t>(kUntilStopped);
        return Check("play",
                     device_->Play(id, forever ? kUntilStopped : static_cast<int>(s.iterations)));
    }

    bool Stop(EffectId id) override { return Check("stop", device_->Play(id, 0)); }

    void Destroy(EffectId id) override
    {
        if (effects_.erase(id) != 0)
            (void)Check("erase", device_->Erase(id));
    }

private:
    bool Check(const char *call, int error) { return Succeeded(call, error, &lost_); }

    static ff_effect MakeEffect(const SpringParams &p, int id, std::uint16_t delayMs)
    {
        ff_effect effect;
        std::memset(&effect, 0, sizeof effect);
        effect.type = FF_SPRING;
        effect.id = static_cast<__s16>(id);
        effect.direction = kConditionDirection;
        effect.replay.length =
            p.durationMs == 0
                ? kLongestMs
                : static_cast<std::uint16_t>(std::min<std::uint32_t>(p.durationMs, kLongestMs));
        effect.replay.delay = delayMs;
        const ScreenSize screen = FindScreen();
        const std::int64_t centre[2] = {EffectiveCentreX(p), EffectiveCentreY(p)};
        const std::int32_t extent[2] = {screen.width, screen.height};
        for (int axis = 0; axis < 2; ++axis) {
            if ((p.axes & (1u << axis)) == 0)
                continue; // no force along an axis left out
            ff_condition_effect &c = effect.u.condition[axis];
            c.right_saturation = c.left_saturation = static_cast<__u16>(
                MapLevel(static_cast<std::int32_t>(p.saturation), kSaturationFull));
            c.right_coeff = c.left_coeff =
                static_cast<__s16>(MapLevel(p.stiffness, kCoefficientFull));
            c.deadband =
                static_cast<__u16>(MapDistance(p.deadband, extent[axis], kDeadbandHalf, 0xFFFF));
            c.center = static_cast<__s16>(MapPosition(centre[axis], extent[axis], kPositionHalf));
        }
        return effect;
    }

    std::unique_ptr<InputDevice> device_;
    int slots_;
    std::set<EffectId> effects_;
    bool lost_ = false;
};

// ---------------------------------------------------------------------------
// Devices told a force.

// A constant force, as the kernel's memoryless drivers read one: along the
// direction d (0..0xFFFF for a full turn) a level L pushes x = L sin(d) and
// y = -L cos(d), x to the right and y down. A wheel takes x.
class ConstantOutput : public ForceOutput {
public:
    ConstantOutput(std::unique_ptr<InputDevice> device, const InputNode &node)
        : device_(std::move(device))
    {
        Prepare(*device_, node);
    }

    ~ConstantOutput() override
    {
        if (id_ >= 0)
            (void)device_->Erase(id_);
    }

    bool Render(Force force, std::uint32_t) override
    {
        if (force == Force{}) {
            if (!playing_)
                return true;
            playing_ = false;
            return Check("stop", device_->Play(id_, 0));
        }
        ff_effect effect;
        std::memset(&effect, 0, sizeof effect);
        effect.type = FF_CONSTANT;
        effect.id = static_cast<__s16>(id_);
        effect.direction = Direction(force);
        effect.replay.length = kLongestMs;
        effect.u.constant.level =
            static_cast<__s16>(std::int64_t{ForceStrength(force)} * kLevelFull / kMaxLevel);
        if (!Check("upload", device_->Upload(&effect)))
            return false;
        id_ = effect.id;
        if (playing_)
            return true;
        playing_ = true;
        return Check("play", device_->Play(id_, kUntilStopped));
    }

    bool Lost() const { return lost_; }

    // The kernel's direction of a force, from x = L sin(d), y = -L cos(d).
    static std::uint16_t Direction(Force f)
    {
        const double turn = std::atan2(static_cast<double>(f.x), -static_cast<double>(f.y));
        const double units = std::round(turn / (2 * M_PI) * 65536.0);
        return static_cast<std::uint16_t>(static_cast<std::int64_t>(units) & 0xFFFF);
    }

private:
    bool Check(const char *call, int error) { return Succeeded(call, error, &lost_); }

    std::unique_ptr<InputDevice> device_;
    int id_ = -1;
    bool playing_ = false;
    bool lost_ = false;
};

// Rumble through SDL: the pad's motors turn as fast as RumbleSpeed says.
class RumbleOutput : public ForceOutput {
public:
    explicit RumbleOutput(SDL_Joystick *joystick) : joystick_(joystick)
    {
        const char *name = SDL_JoystickName(joystick);
        LogNote(std::string("sdl open ") + (name != nullptr ? name : "(unnamed)") + " (" +
                KindName(ForceKind::Rumble) + ")");
    }

    ~RumbleOutput() override
    {
        (void)SDL_JoystickRumble(joystick_, 0, 0, 0);
        SDL_JoystickClose(joystick_);
    }

    bool Render(Force force, std::uint32_t saturation) override
    {
        const Uint16 speed = RumbleSpeed(force, saturation);
        // The longest rumble SDL plays; the follower renews it while it lasts.
        if (SDL_JoystickRumble(joystick_, speed, speed, speed != 0 ? 0xFFFF : 0) == 0)
            return true;
        LogNote(std::string("sdl SDL_JoystickRumble failed: ") + SDL_GetError());
        return false;
    }

    bool Lost() const { return SDL_JoystickGetAttached(joystick_) != SDL_TRUE; }

private:
    SDL_Joystick *joystick_;
};

// Follows the pointer while a spring plays: every pointer motion the
// program's thread receives moves the force at once, and a ticker renews the
// force and ends springs whose time has run out. Idle while nothing plays.
class LinuxFollowing : public FollowingBackend {
public:
    LinuxFollowing(std::unique_ptr<ForceOutput> output, std::function<bool()> lost)
        : FollowingBackend(std::move(output), Source()), lost_(std::move(lost)),
          thread_(SDL_ThreadID())
    {
        SDL_AddEventWatch(Watch, this);
        ticker_ = std::thread([this] { Ticker(); });
    }

    ~LinuxFollowing() override
    {
        SDL_DelEventWatch(Watch, this);
        {
            std::lock_guard<std::mutex> hold(tickerMutex_);
            ending_ = true;
        }
        wake_.notify_all();
        ticker_.join();
    }

    bool Lost() override { return lost_(); }

protected:
    void FollowingChanged(bool following) override
    {
        followingNow_ = following;
        {
            std::lock_guard<std::mutex> hold(tickerMutex_);
            following_ = following;
        }
        wake_.notify_all();
    }

private:
    static PointerSource Source()
    {
        PointerSource source;
        source.pointer = ReadPointer;
        source.screen = FindScreen;
        return source;
    }

    // Runs on whichever thread pushes an event; only the program's own
    // thread may read the pointer.
    static int SDLCALL Watch(void *self, SDL_Event *event)
    {
        auto *me = static_cast<LinuxFollowing *>(self);
        if (event->type != SDL_MOUSEMOTION || SDL_ThreadID() != me->thread_ ||
            !me->followingNow_.load())
            return 0;
        std::int64_t x = 0, y = 0;
        if (ReadPointer(&x, &y))
            me->PointerMoved(x, y);
        return 0;
    }

    void Ticker()
    {
        std::unique_lock<std::mutex> lock(tickerMutex_);
        while (!ending_) {
            if (!following_) {
                wake_.wait(lock);
                continue;
            }
            wake_.wait_for(lock, std::chrono::milliseconds(100));
            if (ending_ || !following_)
                continue;
            lock.unlock();
            Tick();
            lock.lock();
        }
    }

    std::function<bool()> lost_;
    SDL_threadID thread_;
    std::mutex tickerMutex_;
    std::condition_variable wake_;
    bool following_ = false;
    bool ending_ = false;
    std::atomic<bool> followingNow_{false};
    std::thread ticker_;
};

// Holds SDL subsystems for as long as an object needs them.
class SdlSubsystems {
public:
    explicit SdlSubsystems(Uint32 flags) : flags_(SDL_InitSubSystem(flags) == 0 ? flags : 0) {}
    ~SdlSubsystems()
    {
        if (flags_ != 0)
            SDL_QuitSubSystem(flags_);
    }
    SdlSubsystems(const SdlSubsystems &) = delete;
    SdlSubsystems &operator=(const SdlSubsystems &) = delete;
    bool Up() const { return flags_ != 0; }

private:
    Uint32 flags_;
};

// ---------------------------------------------------------------------------
// Choosing a device.

// A rumble pad as SDL sees it, which may be one the kernel's listing cannot
// show (a pad SDL drives over HID).
struct Pad {
    int index;
    std::string name;
    std::string path; // the event node, when SDL drives one
};

std::vector<Pad> RumblePads()
{
    std::vector<Pad> pads;
    const int count = SDL_NumJoysticks();
    for (int i = 0; i < count; ++i) {
        SDL_Joystick *joystick = SDL_JoystickOpen(i);
        if (joystick == nullptr)
            continue;
        if (SDL_JoystickHasRumble(joystick) == SDL_TRUE) {
            const char *name = SDL_JoystickName(joystick);
            const char *path = SDL_JoystickPath(joystick);
            pads.push_back({i, name != nullptr ? name : "", path != nullptr ? path : ""});
        }
        SDL_JoystickClose(joystick);
    }
    return pads;
}

std::unique_ptr<Backend> OpenNode(const InputNode &node, std::string *why)
{
    auto device = std::make_unique<InputDevice>();
    if (!device->Open(node.path, why))
        return nullptr;
    if (node.kind == ForceKind::Pointing)
        return std::make_unique<PointingBackend>(std::move(device), node);
    auto output = std::make_unique<ConstantOutput>(std::move(device), node);
    const ConstantOutput *watched = output.get();
    return std::make_unique<LinuxFollowing>(std::move(output),
                                            [watched] { return watched->Lost(); });
}

std::unique_ptr<Backend> OpenPad(const Pad &pad, std::string *why)
{
    SDL_Joystick *joystick = SDL_JoystickOpen(pad.index);
    if (joystick == nullptr) {
        *why = std::string("SDL_JoystickOpen: ") + SDL_GetError();
        return nullptr;
    }
    auto output = std::make_unique<RumbleOutput>(joystick);
    const RumbleOutput *watched = output.get();
    return std::make_unique<LinuxFollowing>(std::move(output),
                                            [watched] { return watched->Lost(); });
}

// The nodes that could not be opened, for the user: "/dev/input/event3
// (Permission denied)", at most three of them named.
std::string Unopened(const std::vector<InputNode> &nodes)
{
    std::string text;
    int named = 0, more = 0;
    for (const InputNode &node : nodes) {
        if (node.openError == 0)
            continue;
        if (named == 3) {
            ++more;
            continue;
        }
        text += (named++ != 0 ? ", " : "") + node.path + " (" + std::strerror(node.openError) + ")";
    }
    if (more != 0)
        text += " and " + std::to_string(more) + " more";
    return text;
}

// Opens the best device there is now.
std::unique_ptr<Backend> OpenBest(std::string *why)
{
    const std::vector<InputNode> nodes = ListInputNodes();
    for (ForceKind kind : {ForceKind::Pointing, ForceKind::Constant}) {
        for (const InputNode &node : nodes) {
            if (node.kind != kind)
                continue;
            if (std::unique_ptr<Backend> backend = OpenNode(node, why))
                return backend;
        }
    }
    for (const Pad &pad : RumblePads()) {
        if (std::unique_ptr<Backend> backend = OpenPad(pad, why))
            return backend;
    }
    *why = "no force-feedback device";
    const std::string unopened = Unopened(nodes);
    if (!unopened.empty())
        *why += "; input devices that could not be opened: " + unopened;
    return nullptr;
}

// The library's hold on SDL's joysticks (for rumble pads and to watch the
// pointer) lasts as long as a backend it opened.
class HeldBackend : public Backend {
public:
    HeldBackend(std::unique_ptr<SdlSubsystems> sdl, std::unique_ptr<Backend> inner)
        : sdl_(std::move(sdl)), inner_(std::move(inner))
    {
    }
    ~HeldBackend() override { inner_.reset(); }
    ScreenSize Screen() override { return inner_->Screen(); }
    unsigned long Capacity() override { return inner_->Capacity(); }
    bool CreateSpring(const SpringParams &p, EffectId *id) override
    {
        return inner_->CreateSpring(p, id);
    }
    bool UpdateSpring(EffectId id, const SpringParams &p) override
    {
        return inner_->UpdateSpring(id, p);
    }
    bool Start(EffectId id, const SpringParams &p, const StartParams &s) override
    {
        return inner_->Start(id, p, s);
    }
    bool Stop(EffectId id) override { return inner_->Stop(id); }
    void Destroy(EffectId id) override { inner_->Destroy(id); }
    bool Lost() override { return inner_->Lost(); }

private:
    std::unique_ptr<SdlSubsystems> sdl_;
    std::unique_ptr<Backend> inner_;
};

std::unique_ptr<SdlSubsystems> HoldSdl()
{
    // Joysticks are found without waiting for a display, and a pad that
    // rumbles must keep rumbling while another window has the focus.
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    return std::make_unique<SdlSubsystems>(SDL_INIT_JOYSTICK | SDL_INIT_EVENTS);
}

} // namespace

std::unique_ptr<Backend> OpenPlatformBackend(const OpenRequest &, std::string *why)
{
    std::unique_ptr<SdlSubsystems> sdl = HoldSdl();
    if (!sdl->Up())
        LogNote(std::string("sdl joysticks unavailable: ") + SDL_GetError());
    std::unique_ptr<Backend> backend = OpenReplaceable(OpenBest, why);
    if (!backend) {
        Notice(*why + ": the spring is not felt (zorbel --devices tells more)");
        return nullptr;
    }
    return std::make_unique<HeldBackend>(std::move(sdl), std::move(backend));
}

std::string DescribeDevices()
{
    std::unique_ptr<SdlSubsystems> sdl = HoldSdl();
    const std::vector<InputNode> nodes = ListInputNodes();
    const std::vector<Pad> pads = RumblePads();
    std::string text;
    bool chosen = false;
    auto line = [&](const std::string &where, const std::string &name, const std::string &what) {
        // A device names itself: its name is shown quoted and harmless.
        text += where + (name.empty() ? "" : " " + zorbel::Quoted(name)) + ": " + what + "\n";
    };
    // The order OpenBest takes them in.
    for (ForceKind kind : {ForceKind::Pointing, ForceKind::Constant}) {
        for (const InputNode &node : nodes) {
            if (node.kind != kind)
                continue;
            line(node.path, node.name,
                 std::string(KindName(kind)) +
                     (chosen ? ", passed over for the one above"
                      : kind == ForceKind::Pointing
                          ? ": plays the spring itself (used)"
                          : ": the spring's force at the pointer as a constant force (used)"));
            chosen = true;
        }
    }
    for (const Pad &pad : pads) {
        const bool listed = std::any_of(nodes.begin(), nodes.end(), [&pad](const InputNode &n) {
            return n.path == pad.path && n.kind != ForceKind::Rumble && n.kind != ForceKind::None;
        });
        if (listed)
            continue; // a controller that takes a constant force is listed as one
        line(pad.path.empty() ? "SDL joystick " + std::to_string(pad.index) : pad.path, pad.name,
             std::string(KindName(ForceKind::Rumble)) +
                 (chosen ? ", passed over for the one above"
                         : ": rumble as strong as the spring pulls (used)"));
        chosen = true;
    }
    for (const InputNode &node : nodes) {
        if (node.openError != 0)
            line(node.path, "",
                 std::string("cannot be opened (") + std::strerror(node.openError) +
                     "): if it is a force-feedback device, give your user read "
                     "and write access to it (a udev rule, or the group that owns it)");
    }
    if (!chosen)
        text += "no force-feedback device: the spring is not felt\n";
    return text;
}

} // namespace taclib
