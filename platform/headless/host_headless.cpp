// The headless host.
//
// Serves: the tests, the tracer and the benchmarks, through its controls in
// platform/testing.h: a virtual clock, a scripted cursor, injected input,
// scripted failures, a simulated other copy, message boxes on record and the
// record of calls.
// Limitations: no native windows and nothing on a screen (Flip exchanges
// the buffers, Present shows nothing); every mode is accepted unless a
// control refuses it; Wait never waits. Never in the shipped program.
// Dependencies: the shared stand-in layer, and cairo for writing pictures.
#include "platform/testing.h"

#include "common/rgb565.h"
#include "platform/headless/call_recorder.h"
#include "platform/standin/directdraw.h"
#include "platform/standin/gdi.h"
#include "platform/standin/host.h"
#include "platform/standin/platform_state.h"

#include <cairo.h>

#include <array>
#include <deque>
#include <map>
#include <strings.h>

namespace zorbel::standin {

namespace {

// Modes larger than this are refused, like a screen that cannot show them.
constexpr DWORD kLargestMode = 8192;

class HeadlessHost;
HeadlessHost *g_host = nullptr;

class HeadlessHost final : public Host {
public:
    HeadlessHost() { g_host = this; }
    ~HeadlessHost() override
    {
        if (g_host == this)
            g_host = nullptr;
        gCallRecorder = nullptr;
    }

    bool Open(std::string *) override { return true; }
    DWORD Ticks() override { return ticks; }
    POINT Cursor() override { return cursor; }
    SIZE ScreenSize() override { return SIZE{1024, 768}; }
    BYTE Modifiers() override { return 0; }
    void Pump() override
    {
        ticks += advancePerPump;
        const std::uint64_t index = pumps++;
        // Held, so that a hook replacing itself does not destroy the running one.
        if (const auto hook = pumpHook; hook && *hook)
            (*hook)(index);
    }
    bool Wait(DWORD) override { return false; } // nothing can arrive by itself

    bool CreateNativeWindow(Window &) override { return true; }
    void DestroyNativeWindow(Window &) override {}
    void ShowNativeWindow(Window &) override {}
    void RaiseWindow(Window &window) override { ++raises[window.Handle()]; }
    void SetNativeIcon(Window &, const IconImage &) override {}

    HRESULT CheckDisplayMode(DWORD width, DWORD height, DWORD bitsPerPixel) override
    {
        for (const auto &mode : refusedModes)
            if (mode[0] == width && mode[1] == height && mode[2] == bitsPerPixel)
                return DDERR_INVALIDMODE;
        return width <= kLargestMode && height <= kLargestMode ? DD_OK : DDERR_INVALIDMODE;
    }
    void EnterFullScreen(Window &, DWORD, DWORD) override {}
    void LeaveFullScreen(Window &) override {}
    void Flipping() override { ticks += advancePerFlip; }
    bool Present(Window &, const PixelBuffer &) override { return true; }

    int ShowMessageBox(HWND owner, const char *text, const char *caption, UINT type) override
    {
        boxes.push_back(testing::MessageBoxRecord{HandleName(owner), caption, text, type});
        return IDOK;
    }

    bool ScriptedFailure(const char *call, HRESULT *result) override
    {
        const std::string_view name(call);
        if ((failRegister && name == "RegisterClassExA") ||
            (failCreate && name == "CreateWindowExA")) {
            *result = E_FAIL;
            return true;
        }
        const auto found = scripts.find(name);
        if (found == scripts.end() || found->second.empty())
            return false;
        *result = found->second.front();
        found->second.pop_front();
        return FAILED(*result);
    }

    std::string InstanceDirectory() override { return instanceDirectory; }
    bool OtherCopyRunning(const std::string &className) override
    {
        return Simulated(className) || Host::OtherCopyRunning(className);
    }
    bool OtherCopyIconic(const std::string &className) override
    {
        return Simulated(className) ? other.iconic : Host::OtherCopyIconic(className);
    }
    bool BringOtherCopyForward(const std::string &className, bool restore) override
    {
        if (!Simulated(className))
            return Host::BringOtherCopyForward(className, restore);
        if (restore) {
            other.iconic = false;
            ++other.restores;
        } else {
            ++other.foregrounds;
        }
        return true;
    }

    DWORD ticks = 0;
    POINT cursor{0, 0};
    DWORD advancePerPump = 0;
    DWORD advancePerFlip = 0;
    std::shared_ptr<std::function<void(std::uint64_t)>> pumpHook;
    std::uint64_t pumps = 0;
    std::vector<std::array<DWORD, 3>> refusedModes;
    bool failRegister = false;
    bool failCreate = false;
    std::map<std::string, std::deque<HRESULT>, std::less<>> scripts;
    std::string otherClass;
    testing::OtherInstance other;
    std::vector<testing::MessageBoxRecord> boxes;
    std::map<HWND, int> raises;    // by SetForegroundWindow or another copy's request
    std::string instanceDirectory; // empty: no single-instance sockets

private:
    bool Simulated(const std::string &className) const
    {
        return other.present && strcasecmp(otherClass.c_str(), className.c_str()) == 0;
    }
};

} // namespace

} // namespace zorbel::standin

namespace zorbel::testing {

using namespace zorbel::standin;

namespace {

HeadlessHost &Controls()
{
    if (g_host == nullptr)
        UseHeadlessHost();
    return *g_host;
}

Window *Target(HWND window)
{
    return window != nullptr ? FindWindowSlot(window) : NewestTopLevelWindow();
}

// The primary of the newest flip chain.
SurfaceObject *NewestPrimary()
{
    SurfaceObject *newest = nullptr;
    for (SurfaceObject *surface : State().surfaces)
        if (surface->IsPrimary() && (newest == nullptr || surface->Serial() > newest->Serial()))
            newest = surface;
    return newest;
}

Pixels Copy(SurfaceObject *surface)
{
    Pixels pixels;
    if (surface == nullptr || surface->Buffer() == nullptr || !surface->Buffer()->Valid())
        return pixels;
    const PixelBuffer &buffer = *surface->Buffer();
    pixels.width = buffer.Width();
    pixels.height = buffer.Height();
    pixels.pitch = buffer.Pitch();
    const auto *begin = reinterpret_cast<const std::uint16_t *>(buffer.Bytes());
    pixels.data.assign(begin, begin + static_cast<std::size_t>(pixels.pitch / 2) *
                                          static_cast<std::size_t>(pixels.height));
    return pixels;
}

LPARAM ClientPointOfCursor(const Window &window)
{
    const POINT cursor = Controls().cursor;
    return MAKELPARAM(cursor.x - window.rect.left, cursor.y - window.rect.top);
}

} // namespace

void UseHeadlessHost()
{
    ResetPlatform(std::make_unique<HeadlessHost>());
    Recorder().Clear();
    gCallRecorder = &Recorder();
}

void Reset() { UseHeadlessHost(); }

HINSTANCE ProcessInstance() { return standin::ProcessInstance(); }

void SetTickCount(DWORD milliseconds) { Controls().ticks = milliseconds; }

void AdvanceTickCount(DWORD milliseconds) { Controls().ticks += milliseconds; }

void SetAutoAdvance(DWORD perPump, DWORD perFlip)
{
    Controls().advancePerPump = perPump;
    Controls().advancePerFlip = perFlip;
}

void SetCursorPos(POINT screen) { Controls().cursor = screen; }

void InjectLeftButton(bool down, HWND window)
{
    if (Window *target = Target(window))
        PostInput(target->Handle(), down ? WM_LBUTTONDOWN : WM_LBUTTONUP, down ? MK_LBUTTON : 0,
                  ClientPointOfCursor(*target));
}

void InjectKeyDown(WPARAM virtualKey, bool repeat, HWND window)
{
    // Repeat count 1; bit 30 is the key's previous state (down, for a repeat).
    const LPARAM lParam = 1 | (repeat ? (LPARAM{1} << 30) : 0);
    if (Window *target = Target(window))
        PostInput(target->Handle(), WM_KEYDOWN, virtualKey, lParam);
}

void InjectClose(HWND window)
{
    if (Window *target = Target(window))
        SendAtNextPump(target->Handle(), WM_CLOSE, 0, 0);
}

void InjectActivation(bool active, HWND window)
{
    if (Window *target = Target(window))
        SendAtNextPump(target->Handle(), WM_ACTIVATEAPP, active ? TRUE : FALSE, 0);
}

void InjectWindowRect(RECT screen, HWND window)
{
    if (Window *target = Target(window))
        NoteWindowRect(*target, screen);
}

void LoseSurfaces() { NoteSurfacesLost(); }

void SetPumpHook(std::function<void(std::uint64_t)> hook)
{
    Controls().pumpHook = std::make_shared<std::function<void(std::uint64_t)>>(std::move(hook));
}

void ScriptResults(const std::string &call, std::vector<HRESULT> results)
{
    Controls().scripts[call] = std::deque<HRESULT>(results.begin(), results.end());
}

void RefuseDisplayMode(DWORD width, DWORD height, DWORD bitsPerPixel)
{
    Controls().refusedModes.push_back({width, height, bitsPerPixel});
}

void FailRegisterClass(bool fail) { Controls().failRegister = fail; }

void FailCreateWindow(bool fail) { Controls().failCreate = fail; }

void SimulateOtherInstance(const std::string &className, bool iconic)
{
    HeadlessHost &controls = Controls();
    controls.otherClass = className;
    controls.other = OtherInstance{};
    controls.other.present = true;
    controls.other.iconic = iconic;
}

OtherInstance OtherInstanceState() { return Controls().other; }

void UseInstanceDirectory(const std::string &directory)
{
    Controls().instanceDirectory = IsPrivateDirectory(directory) ? directory : std::string{};
}

std::vector<std::string> CallLog() { return Recorder().Lines(); }

void ClearCallLog() { Recorder().Clear(); }

void SetCallLogging(bool on)
{
    (void)Controls();
    gCallRecorder = on ? &Recorder() : nullptr;
}

std::string HandleName(const void *handle) { return standin::HandleName(handle); }

std::vector<MessageBoxRecord> MessageBoxes() { return Controls().boxes; }

int LiveGdiObjects()
{
    int live = 0;
    for (const GdiObject &object : State().gdi)
        live += object.used ? 1 : 0;
    return live;
}

int LiveWindows()
{
    int live = 0;
    for (const Window &window : State().windows)
        live += window.used ? 1 : 0;
    return live;
}

bool IsWindowVisible(HWND window)
{
    const Window *own = FindWindowSlot(window);
    return own != nullptr && own->visible;
}

int ForegroundRequests(HWND window)
{
    const auto found = Controls().raises.find(window);
    return found != Controls().raises.end() ? found->second : 0;
}

DisplayMode CurrentDisplayMode()
{
    const DisplayState &display = State().display;
    DisplayMode mode;
    if (display.modeSet) {
        mode.width = display.width;
        mode.height = display.height;
        mode.bitsPerPixel = display.bitsPerPixel;
    }
    mode.exclusive = display.exclusiveOwner != nullptr;
    return mode;
}

Pixels BackBufferPixels()
{
    SurfaceObject *primary = NewestPrimary();
    return Copy(primary != nullptr ? primary->Attached() : nullptr);
}

Pixels ScreenPixels() { return Copy(NewestPrimary()); }

std::uint16_t Rgb565(COLORREF colour) { return Rgb565Of(colour); }

bool WritePng(const Pixels &pixels, const std::string &path)
{
    if (pixels.width <= 0 || pixels.height <= 0 || pixels.data.empty())
        return false;
    cairo_surface_t *image =
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, pixels.width, pixels.height);
    if (cairo_surface_status(image) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(image);
        return false;
    }
    cairo_surface_flush(image);
    unsigned char *data = cairo_image_surface_get_data(image);
    const int stride = cairo_image_surface_get_stride(image);
    for (int y = 0; y < pixels.height; ++y) {
        auto *row =
            reinterpret_cast<std::uint32_t *>(data + static_cast<std::ptrdiff_t>(y) * stride);
        for (int x = 0; x < pixels.width; ++x) {
            row[x] = Rgb888(pixels.At(x, y));
        }
    }
    cairo_surface_mark_dirty(image);
    const bool written = cairo_surface_write_to_png(image, path.c_str()) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(image);
    return written;
}

} // namespace zorbel::testing
