// platform/testing.h: control of the headless host for tests and the tracer.
#include "platform/testing.h"

#include "platform/standin/call_log.h"
#include "platform/standin/directdraw.h"
#include "platform/standin/gdi.h"
#include "platform/standin/platform_state.h"

#include <cairo.h>

namespace zorbel::testing {

using namespace zorbel::standin;

namespace {

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
    PixelBuffer &buffer = *surface->Buffer();
    buffer.BeginDirectAccess();
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
    const POINT cursor = State().controls.cursor;
    return MAKELPARAM(cursor.x - window.rect.left, cursor.y - window.rect.top);
}

} // namespace

void UseHeadlessHost() { ResetPlatform(true); }

void Reset() { ResetPlatform(true); }

HINSTANCE ProcessInstance() { return standin::ProcessInstance(); }

void SetTickCount(DWORD milliseconds) { State().controls.ticks = milliseconds; }

void AdvanceTickCount(DWORD milliseconds) { AdvanceTicks(milliseconds); }

void SetAutoAdvance(DWORD perPump, DWORD perFlip)
{
    State().controls.advancePerPump = perPump;
    State().controls.advancePerFlip = perFlip;
}

void SetCursorPos(POINT screen) { State().controls.cursor = screen; }

void InjectLeftButton(bool down, HWND window)
{
    if (Window *target = Target(window))
        PostInput(target->Handle(), down ? WM_LBUTTONDOWN : WM_LBUTTONUP,
                  down ? MK_LBUTTON : 0, ClientPointOfCursor(*target));
}

void InjectKeyDown(WPARAM virtualKey, bool repeat, HWND window)
{
    // Repeat count 1; bit 30 is the key's previous state (down, for a repeat).
    const LPARAM lParam = 1 | (repeat ? (LPARAM{1} << 30) : 0);
    if (Window *target = Target(window))
        PostInput(target->Handle(), WM_KEYDOWN, virtualKey, lParam);
}

void InjectKeyUp(WPARAM virtualKey, HWND window)
{
    const LPARAM lParam = 1 | (LPARAM{1} << 30) | static_cast<LPARAM>(0x80000000u);
    if (Window *target = Target(window))
        PostInput(target->Handle(), WM_KEYUP, virtualKey, lParam);
}

void InjectClose(HWND window)
{
    if (Window *target = Target(window))
        SendAtNextPump(target->Handle(), WM_CLOSE, 0, 0);
}

void InjectWindowRect(RECT screen, HWND window)
{
    if (Window *target = Target(window))
        NoteWindowRect(*target, screen);
}

void InjectMinimize(HWND window)
{
    if (Window *target = Target(window))
        NoteIconic(*target, true, false);
}

void InjectRestore(HWND window)
{
    if (Window *target = Target(window))
        NoteIconic(*target, false, false);
}

void LoseSurfaces() { NoteSurfacesLost(); }

void SetPumpHook(std::function<void(std::uint64_t)> hook)
{
    State().controls.pumpHook = std::make_shared<std::function<void(std::uint64_t)>>(std::move(hook));
}

void ScriptResults(const std::string &call, std::vector<HRESULT> results)
{
    State().scripts.Set(call, std::move(results));
}

void RefuseDisplayMode(DWORD width, DWORD height, DWORD bitsPerPixel)
{
    State().controls.refusedModes.push_back({width, height, bitsPerPixel});
}

void FailRegisterClass(bool fail) { State().controls.failRegister = fail; }

void FailCreateWindow(bool fail) { State().controls.failCreate = fail; }

void SimulateOtherInstance(const std::string &className, bool iconic)
{
    HeadlessControls &controls = State().controls;
    controls.otherClass = className;
    controls.other = OtherInstance{};
    controls.other.present = true;
    controls.other.iconic = iconic;
}

OtherInstance OtherInstanceState() { return State().controls.other; }

void UseInstanceDirectory(const std::string &directory)
{
    Platform &platform = State();
    platform.instanceDirectoryChosen = true;
    platform.instanceDirectory = IsPrivateDirectory(directory) ? directory : std::string{};
}

std::vector<std::string> CallLog() { return Log().lines; }

void ClearCallLog()
{
    Log().lines.clear();
    ++Log().clears;
}

void SetCallLogging(bool on) { Log().enabled = on; }

std::string HandleName(const void *handle) { return standin::HandleName(handle); }

std::vector<MessageBoxRecord> MessageBoxes() { return State().controls.boxes; }

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
    const Window *own = FindWindowSlot(window);
    return own != nullptr ? own->foregroundRequests : 0;
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
        auto *row = reinterpret_cast<std::uint32_t *>(data + static_cast<std::ptrdiff_t>(y) * stride);
        for (int x = 0; x < pixels.width; ++x) {
            const std::uint16_t p = pixels.At(x, y);
            // Widen each channel by repeating its top bits, so white stays white.
            const std::uint32_t r5 = p >> 11, g6 = (p >> 5) & 0x3F, b5 = p & 0x1F;
            const std::uint32_t r = (r5 << 3) | (r5 >> 2), g = (g6 << 2) | (g6 >> 4),
                                b = (b5 << 3) | (b5 >> 2);
            row[x] = (r << 16) | (g << 8) | b;
        }
    }
    cairo_surface_mark_dirty(image);
    const bool written = cairo_surface_write_to_png(image, path.c_str()) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(image);
    return written;
}

} // namespace zorbel::testing
