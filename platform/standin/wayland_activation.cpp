#include "platform/standin/wayland_activation.h"

#include <wayland-client-core.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <dlfcn.h>

namespace zorbel::standin {

namespace {

// The client library's calls this needs, from the library SDL's Wayland
// driver loaded (or loads, for a display opened by another).
struct WaylandClient {
    decltype(&wl_display_create_queue) createQueue = nullptr;
    decltype(&wl_event_queue_destroy) destroyQueue = nullptr;
    decltype(&wl_proxy_create_wrapper) createWrapper = nullptr;
    decltype(&wl_proxy_wrapper_destroy) destroyWrapper = nullptr;
    decltype(&wl_proxy_set_queue) setQueue = nullptr;
    decltype(&wl_proxy_marshal_flags) marshal = nullptr;
    decltype(&wl_proxy_add_listener) addListener = nullptr;
    decltype(&wl_proxy_get_version) version = nullptr;
    decltype(&wl_proxy_destroy) destroy = nullptr;
    decltype(&wl_display_roundtrip_queue) roundtrip = nullptr;
    decltype(&wl_display_flush) flush = nullptr;
    const wl_interface *registry = nullptr;
    const wl_interface *surface = nullptr;
    const wl_interface *seat = nullptr;
};

template <class Call> void Find(void *library, const char *name, Call *call)
{
    *call = reinterpret_cast<Call>(dlsym(library, name));
}

const WaylandClient *LoadedClient()
{
    static WaylandClient client;
    static bool found = false;
    if (found)
        return &client;
    // The reference taken here is kept, as SDL keeps its own.
    void *library = dlopen("libwayland-client.so.0", RTLD_NOW);
    if (library == nullptr)
        return nullptr;
    Find(library, "wl_display_create_queue", &client.createQueue);
    Find(library, "wl_event_queue_destroy", &client.destroyQueue);
    Find(library, "wl_proxy_create_wrapper", &client.createWrapper);
    Find(library, "wl_proxy_wrapper_destroy", &client.destroyWrapper);
    Find(library, "wl_proxy_set_queue", &client.setQueue);
    Find(library, "wl_proxy_marshal_flags", &client.marshal);
    Find(library, "wl_proxy_add_listener", &client.addListener);
    Find(library, "wl_proxy_get_version", &client.version);
    Find(library, "wl_proxy_destroy", &client.destroy);
    Find(library, "wl_display_roundtrip_queue", &client.roundtrip);
    Find(library, "wl_display_flush", &client.flush);
    client.registry = static_cast<const wl_interface *>(dlsym(library, "wl_registry_interface"));
    client.surface = static_cast<const wl_interface *>(dlsym(library, "wl_surface_interface"));
    client.seat = static_cast<const wl_interface *>(dlsym(library, "wl_seat_interface"));
    // wl_proxy_marshal_flags came with the library's 1.20: an older one is
    // left alone.
    if (client.createQueue == nullptr || client.destroyQueue == nullptr ||
        client.createWrapper == nullptr || client.destroyWrapper == nullptr ||
        client.setQueue == nullptr || client.marshal == nullptr || client.addListener == nullptr ||
        client.version == nullptr || client.destroy == nullptr || client.roundtrip == nullptr ||
        client.flush == nullptr || client.registry == nullptr || client.surface == nullptr ||
        client.seat == nullptr)
        return nullptr;
    found = true;
    return &client;
}

// The activation protocol's two interfaces, as its description defines
// them; the types of their arguments come from the client library.
struct ActivationInterfaces {
    const wl_interface *tokenTypes[3] = {};
    const wl_interface *activationTypes[3] = {};
    wl_message tokenRequests[5] = {};
    wl_message tokenEvents[1] = {};
    wl_message activationRequests[3] = {};
    wl_interface token{};
    wl_interface activation{};

    explicit ActivationInterfaces(const WaylandClient &client)
    {
        // set_serial's (serial, seat) and set_surface's (surface).
        tokenTypes[0] = nullptr;
        tokenTypes[1] = client.seat;
        tokenTypes[2] = client.surface;
        tokenRequests[0] = wl_message{"set_serial", "uo", &tokenTypes[0]};
        tokenRequests[1] = wl_message{"set_app_id", "s", &tokenTypes[0]};
        tokenRequests[2] = wl_message{"set_surface", "o", &tokenTypes[2]};
        tokenRequests[3] = wl_message{"commit", "", &tokenTypes[0]};
        tokenRequests[4] = wl_message{"destroy", "", &tokenTypes[0]};
        tokenEvents[0] = wl_message{"done", "s", &tokenTypes[0]};
        token = wl_interface{"xdg_activation_token_v1", 1, 5, tokenRequests, 1, tokenEvents};
        // get_activation_token's (token), and activate's (token, surface).
        activationTypes[0] = &token;
        activationTypes[1] = nullptr;
        activationTypes[2] = client.surface;
        activationRequests[0] = wl_message{"destroy", "", &activationTypes[1]};
        activationRequests[1] = wl_message{"get_activation_token", "n", &activationTypes[0]};
        activationRequests[2] = wl_message{"activate", "so", &activationTypes[1]};
        activation = wl_interface{"xdg_activation_v1", 1, 3, activationRequests, 0, nullptr};
    }
};

constexpr std::uint32_t kDisplayGetRegistry = 1;
constexpr std::uint32_t kRegistryBind = 0;
constexpr std::uint32_t kActivationDestroy = 0;
constexpr std::uint32_t kActivationActivate = 2;

// The registry's announcements, of which the activation protocol's is kept.
struct Globals {
    std::uint32_t activation = 0; // its name; 0 for none
};

void Global(void *data, wl_proxy *, std::uint32_t name, const char *interface, std::uint32_t)
{
    if (interface != nullptr && std::strcmp(interface, "xdg_activation_v1") == 0)
        static_cast<Globals *>(data)->activation = name;
}

void GlobalRemoved(void *, wl_proxy *, std::uint32_t) {}

} // namespace

WaylandActivation ActivateWaylandSurface(wl_display *display, wl_surface *surface,
                                         const std::string &token)
{
    const WaylandClient *loaded = LoadedClient();
    if (loaded == nullptr)
        return WaylandActivation::NoLibrary;
    const WaylandClient &wl = *loaded;
    static const ActivationInterfaces interfaces(wl);
    wl_event_queue *queue = wl.createQueue(display);
    auto *own = static_cast<wl_proxy *>(wl.createWrapper(display));
    if (queue == nullptr || own == nullptr) {
        if (own != nullptr)
            wl.destroyWrapper(own);
        if (queue != nullptr)
            wl.destroyQueue(queue);
        return WaylandActivation::Failed;
    }
    wl.setQueue(own, queue);
    wl_proxy *registry =
        wl.marshal(own, kDisplayGetRegistry, wl.registry, wl.version(own), 0, nullptr);
    wl.destroyWrapper(own);
    WaylandActivation outcome = WaylandActivation::Failed;
    Globals globals;
    static void (*const listener[])(void) = {reinterpret_cast<void (*)(void)>(&Global),
                                             reinterpret_cast<void (*)(void)>(&GlobalRemoved)};
    if (registry != nullptr &&
        wl.addListener(registry, const_cast<void (**)(void)>(listener), &globals) == 0 &&
        wl.roundtrip(display, queue) >= 0) {
        outcome = WaylandActivation::NoProtocol;
        if (globals.activation != 0) {
            wl_proxy *activation =
                wl.marshal(registry, kRegistryBind, &interfaces.activation, 1, 0,
                           globals.activation, interfaces.activation.name, 1u, nullptr);
            if (activation != nullptr) {
                (void)wl.marshal(activation, kActivationActivate, nullptr, 1, 0, token.c_str(),
                                 surface);
                (void)wl.marshal(activation, kActivationDestroy, nullptr, 1,
                                 WL_MARSHAL_FLAG_DESTROY);
                // What could not be sent yet goes with SDL's next flush.
                outcome = wl.flush(display) >= 0 || errno == EAGAIN ? WaylandActivation::Asked
                                                                    : WaylandActivation::Failed;
            }
        }
    }
    if (registry != nullptr)
        wl.destroy(registry);
    wl.destroyQueue(queue);
    return outcome;
}

} // namespace zorbel::standin
