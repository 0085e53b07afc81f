// The process-wide state of the stand-in layer, shared by both hosts.
#pragma once

#include "platform/standin/handles.h"
#include "platform/standin/host.h"
#include "platform/standin/message_queue.h"
#include "platform/standin/single_instance.h"

#include <array>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <strings.h>

namespace zorbel::standin {

class DirectDrawObject;
class SurfaceObject;

constexpr unsigned kMaxClasses = 16;
constexpr unsigned kMaxWindows = 16;
constexpr unsigned kMaxProxies = 8;
constexpr unsigned kMaxGdiObjects = 64;
constexpr unsigned kMaxDcs = 8;

struct WindowClass {
    bool used = false;
    std::string name;
    WNDPROC proc = nullptr;
    HICON icon = nullptr;
};

struct Window {
    bool used = false;
    unsigned generation = 0;
    int serial = 0;
    unsigned classSlot = 0;
    WNDPROC proc = nullptr;
    std::string title;
    DWORD exStyle = 0;
    RECT rect{}; // screen rectangle when not minimised; borderless, so also the client area
    bool visible = false;
    bool iconic = false;
    bool destroying = false;
    void *native = nullptr; // the host's own record
    HWND Handle() const;
};

struct Proxy {
    bool used = false;
    unsigned generation = 0;
    int serial = 0;
    std::string className;
    HWND Handle() const;
};

struct GdiObject {
    bool used = false;
    unsigned generation = 0;
    int serial = 0;
    HandleKind kind = HandleKind::None;
    int style = 0;
    int width = 0;
    COLORREF colour = 0;
    int selections = 0; // device contexts holding it selected
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

// Orders window class names without regard to case, as Win32 compares them.
struct Caseless {
    bool operator()(const std::string &a, const std::string &b) const
    {
        return strcasecmp(a.c_str(), b.c_str()) < 0;
    }
};

struct Platform {
    std::unique_ptr<Host> host;

    std::array<WindowClass, kMaxClasses> classes;
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

    // Window classes this process is the running copy of, in the per-user
    // folder chosen when first needed (empty: none).
    std::map<std::string, std::unique_ptr<InstanceClaim>, Caseless> claims;
    bool instanceDirectoryChosen = false;
    std::string instanceDirectory;
};

Platform &State();
// The host, created on first use (the SDL host unless another was installed).
Host &CurrentHost();
// Tears everything down and starts afresh with this host (null: the SDL host
// when first needed).
void ResetPlatform(std::unique_ptr<Host> host);
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
void NoteWindowRect(Window &window, const RECT &screen, bool now = false);
// Destroys a window: WM_DESTROY, its socket, its native window, its slot.
void DestroyWindowNow(Window &window);
// Showing, minimising or restoring a window of another process.
bool ShowWindowNow(Window &window, int show);
BOOL ShowOtherCopy(HWND proxy, int show);
// Brings our windows forward as other copies ask; never blocks.
void ServiceInstanceSockets();
// Makes this process the copy of a window class unless another process is
// (false then); true also when that cannot be told (said once on stderr).
bool ClaimClass(const std::string &className);
// Lets the class go unless a window of it (not being destroyed) remains.
void ReleaseClass(const std::string &className);
void NoteSurfacesLost();
// Frees every DirectDraw object and surface, whatever their counts (reset).
void DestroyAllDirectDrawObjects();

} // namespace zorbel::standin
