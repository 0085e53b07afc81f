// The process-wide state of the stand-in layer, shared by both hosts.
#pragma once

#include "platform/standin/handles.h"
#include "platform/standin/host.h"
#include "platform/standin/message_queue.h"
#include "platform/standin/single_instance.h"
#include "platform/testing.h"

#include <array>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zorbel::standin {

class DirectDrawObject;
class SurfaceObject;
class InstanceServer;

constexpr unsigned kMaxClasses = 16;
constexpr unsigned kMaxWindows = 16;
constexpr unsigned kMaxProxies = 8;
constexpr unsigned kMaxGdiObjects = 64;
constexpr unsigned kMaxDcs = 8;

struct WindowClass {
    bool used = false;
    ATOM atom = 0;
    std::string name;
    UINT style = 0;
    WNDPROC proc = nullptr;
    HINSTANCE instance = nullptr;
    HICON icon = nullptr;
    HCURSOR cursor = nullptr;
    HBRUSH background = nullptr;
};

struct Window {
    bool used = false;
    unsigned generation = 0;
    int serial = 0;
    unsigned classSlot = 0;
    WNDPROC proc = nullptr;
    std::string title;
    DWORD style = 0;
    DWORD exStyle = 0;
    HWND parent = nullptr;
    RECT rect{}; // screen rectangle when not minimised; borderless, so also the client area
    bool visible = false;
    bool iconic = false;
    bool destroying = false;
    int foregroundRequests = 0;
    void *native = nullptr; // the host's own record
    std::unique_ptr<InstanceServer> instanceServer;
    HWND Handle() const;
};

struct Proxy {
    bool used = false;
    unsigned generation = 0;
    int serial = 0;
    std::string className;
    bool simulated = false; // testing::SimulateOtherInstance rather than a socket
};

struct GdiObject {
    bool used = false;
    unsigned generation = 0;
    int serial = 0;
    HandleKind kind = HandleKind::None;
    int style = 0;
    int width = 0;
    COLORREF colour = 0;
    int selections = 0;     // device contexts holding it selected
    bool deletePending = false;
};

struct DeviceContext {
    bool used = false;
    unsigned generation = 0;
    SurfaceObject *surface = nullptr;
    HGDIOBJ pen = nullptr;
    HGDIOBJ brush = nullptr;
    POINT position{0, 0};
};

struct DisplayState {
    DirectDrawObject *exclusiveOwner = nullptr;
    HWND exclusiveWindow = nullptr;
    DWORD width = 0;
    DWORD height = 0;
    DWORD bitsPerPixel = 0;
    bool modeSet = false;
    // Surfaces remember the epoch they were made valid in; a loss starts a new one.
    unsigned epoch = 1;
};

struct HeadlessControls {
    DWORD ticks = 0;
    POINT cursor{0, 0};
    DWORD advancePerPump = 0;
    DWORD advancePerFlip = 0;
    // Shared, so that a hook replacing itself does not destroy the running one.
    std::shared_ptr<std::function<void(std::uint64_t)>> pumpHook;
    std::uint64_t pumps = 0;
    std::vector<std::array<DWORD, 3>> refusedModes;
    bool failRegister = false;
    bool failCreate = false;
    std::string otherClass;
    testing::OtherInstance other;
    std::vector<testing::MessageBoxRecord> boxes;
};

class ScriptedResults {
public:
    void Set(const std::string &call, std::vector<HRESULT> results);
    // True with the scripted result when one is queued for this call.
    bool Next(std::string_view call, HRESULT *result);

private:
    std::map<std::string, std::deque<HRESULT>, std::less<>> queued_;
};

struct Platform {
    std::unique_ptr<Host> host;
    bool headless = false;

    std::array<WindowClass, kMaxClasses> classes;
    ATOM nextAtom = 0xC000;
    std::array<Window, kMaxWindows> windows;
    int windowSerial = 0;
    std::array<Proxy, kMaxProxies> proxies;
    int proxySerial = 0;

    MessageQueue queue;

    std::array<GdiObject, kMaxGdiObjects> gdi;
    int penSerial = 0;
    int brushSerial = 0;
    std::array<DeviceContext, kMaxDcs> dcs;

    DisplayState display;
    std::vector<DirectDrawObject *> directDraws;
    std::vector<SurfaceObject *> surfaces;
    int directDrawSerial = 0;
    int surfaceSerial = 0;

    ScriptedResults scripts;
    HeadlessControls controls;
    std::string instanceDirectory; // empty: no single-instance sockets
    bool instanceDirectoryChosen = false;
};

Platform &State();
// The host, created on first use (the SDL host unless headless was chosen).
Host &CurrentHost();
// Tears everything down and starts afresh with the chosen host.
void ResetPlatform(bool headless);
// Releases native resources at process exit.
void ShutdownPlatform();

// Lookups; null when the handle is not a live object of that kind.
Window *FindWindowSlot(HWND window);
Proxy *FindProxy(HWND window);
GdiObject *FindGdiObject(HGDIOBJ object);
DeviceContext *FindDc(HDC dc);
// The newest live top-level window.
Window *NewestTopLevelWindow();

// Sends a message to a window procedure now, logged as WindowProc.
LRESULT SendToWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Queues a message to be sent to the window procedure at the next pump.
void SendAtNextPump(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Posts an input message with the time and cursor position of now.
void PostInput(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Window manager changes, as Win32 reports them to the window procedure.
// `now`: sent before returning (the program's own call, as ShowWindow);
// otherwise at the next pump (the window manager acting on its own).
void NoteIconic(Window &window, bool iconic, bool now);
void NoteWindowRect(Window &window, const RECT &screen);
// Destroys a window: WM_DESTROY, its socket, its native window, its slot.
void DestroyWindowNow(Window &window);
// Showing, minimising or restoring a window of another process.
bool ShowWindowNow(Window &window, int show);
BOOL ShowOtherCopy(HWND proxy, int show);
// Answers other copies' requests on our windows' sockets; never blocks.
void ServiceInstanceSockets();
// The directory for single-instance sockets; empty when they are off.
const std::string &InstanceDirectory();
void NoteSurfacesLost();

// What the tick count advances by, in the headless host.
void AdvanceTicks(DWORD milliseconds);

} // namespace zorbel::standin
