// The platform backend outside Windows: which device is taken, in the order
// of linux_devices.h, and what `zorbel --devices` says of each.
#include <SDL.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "call_log.h"
#include "common/text.h"
#include "linux_devices.h"
#include "notice.h"

namespace taclib {

bool Succeeded(const char *call, int error, std::atomic<bool> *lost)
{
    if (error == 0)
        return true;
    if (error == ENODEV)
        *lost = true;
    LogNote(std::string("evdev ") + call + " failed: " + std::strerror(error));
    return false;
}

void Prepare(InputDevice &device, const InputNode &node)
{
    if (node.hasAutocentre)
        (void)device.SetAutocentre(0);
    if (node.hasGain)
        (void)device.SetGain(0xFFFF);
    LogNote("evdev open " + node.path + " " + node.name + " (" + KindName(node.kind) + ")");
}

std::vector<Candidate> RankDevices(const std::vector<InputNode> &nodes,
                                   const std::vector<Pad> &pads)
{
    std::vector<Candidate> ranked;
    for (ForceKind kind : {ForceKind::Pointing, ForceKind::Constant}) {
        for (const InputNode &node : nodes) {
            if (node.kind == kind)
                ranked.push_back({kind, &node, nullptr});
        }
    }
    for (const Pad &pad : pads) {
        // A controller that takes a constant force is already listed as one.
        const bool listed = std::any_of(nodes.begin(), nodes.end(), [&pad](const InputNode &n) {
            return n.path == pad.path &&
                   (n.kind == ForceKind::Pointing || n.kind == ForceKind::Constant);
        });
        if (!listed)
            ranked.push_back({ForceKind::Rumble, nullptr, &pad});
    }
    return ranked;
}

namespace {

std::unique_ptr<Backend> OpenCandidate(const Candidate &c, std::string *why)
{
    switch (c.kind) {
    case ForceKind::Pointing:
        return OpenPointing(*c.node, why);
    case ForceKind::Constant:
        return OpenConstant(*c.node, why);
    case ForceKind::Rumble:
        return OpenRumble(*c.pad, why);
    case ForceKind::None:
        break;
    }
    return nullptr;
}

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

std::string DidNotAnswer()
{
    return "did not answer within " + std::to_string(kAnswerDeadline.count()) + " ms";
}

// The nodes that could not be opened, for the user: "/dev/input/event3
// (Permission denied)", at most three of them named.
std::string Unopened(const std::vector<InputNode> &nodes)
{
    std::string text;
    int named = 0, more = 0;
    for (const InputNode &node : nodes) {
        if (node.openError == 0 && !node.late)
            continue;
        if (named == 3) {
            ++more;
            continue;
        }
        text += (named++ != 0 ? ", " : "") + node.path + " (" +
                (node.late ? DidNotAnswer() : std::strerror(node.openError)) + ")";
    }
    if (more != 0)
        text += " and " + std::to_string(more) + " more";
    return text;
}

// Opens the best device there is now.
std::unique_ptr<Backend> OpenBest(std::string *why)
{
    const std::vector<InputNode> nodes = ListInputNodes();
    const std::vector<Pad> pads = RumblePads(nodes);
    for (const Candidate &candidate : RankDevices(nodes, pads)) {
        if (std::unique_ptr<Backend> backend = OpenCandidate(candidate, why))
            return backend;
    }
    *why = "no force-feedback device";
    const std::string unopened = Unopened(nodes);
    if (!unopened.empty())
        *why += "; input devices that could not be opened: " + unopened;
    return nullptr;
}

// A backend that keeps the library's hold on SDL's joysticks (for rumble
// pads) for as long as it lives.
class SdlHoldingBackend : public Backend {
public:
    SdlHoldingBackend(std::unique_ptr<SdlSubsystems> sdl, std::unique_ptr<Backend> inner)
        : sdl_(std::move(sdl)), inner_(std::move(inner))
    {
    }
    ~SdlHoldingBackend() override { inner_.reset(); }
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
    return std::make_unique<SdlSubsystems>(SDL_INIT_JOYSTICK);
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
    return std::make_unique<SdlHoldingBackend>(std::move(sdl), std::move(backend));
}

std::string DescribeDevices()
{
    const std::vector<InputNode> nodes = ListInputNodes();
    // SDL looks at every node too, and would wait on one that did not
    // answer for as long as its driver holds it: then SDL is not asked.
    const auto late =
        std::find_if(nodes.begin(), nodes.end(), [](const InputNode &node) { return node.late; });
    std::unique_ptr<SdlSubsystems> sdl = late == nodes.end() ? HoldSdl() : nullptr;
    const std::vector<Pad> pads = sdl != nullptr ? RumblePads(nodes) : std::vector<Pad>();
    std::string text;
    bool chosen = false;
    for (const Candidate &c : RankDevices(nodes, pads)) {
        const std::string where =
            c.node != nullptr
                ? c.node->path
                : (c.pad->path.empty() ? "SDL joystick " + std::to_string(c.pad->index)
                                       : c.pad->path);
        const std::string &name = c.node != nullptr ? c.node->name : c.pad->name;
        text += RankedDeviceLine(where, name, c.kind, !chosen);
        chosen = true;
    }
    for (const InputNode &node : nodes) {
        if (node.late)
            text += node.path + ": " + DidNotAnswer() + ": passed over\n";
        if (node.openError != 0)
            text += node.path + ": cannot be opened (" + std::strerror(node.openError) +
                    "): if it is a force-feedback device, give your user read and write "
                    "access to it (a udev rule, or the group that owns it)\n";
    }
    if (late != nodes.end())
        text += "pads SDL drives are not listed: SDL would wait on " + late->path + " too\n";
    if (!chosen)
        text += "no force-feedback device: the spring is not felt\n";
    return text;
}

} // namespace taclib
