// The SDL host.
//
// Serves: the shipped native program, on any screen SDL's video drivers
// open: real windows, mouse and keys, presentation of the RGB565 back buffer
// scaled to the screen with its aspect kept (refitted when the screen
// changes size), message boxes, and the end of a session (a hang-up, a lost
// display).
// Limitations: top-level windows only, shown full screen in a display mode;
// SDL's off-screen and dummy drivers count only when named in
// SDL_VIDEODRIVER; a screen no renderer can present on refuses every mode;
// the other running copy goes through the shared single-instance sockets.
// Game controllers and joysticks are a second pointing device
// (sdl_controller.h).
// Dependencies: SDL2 (video, renderer, message boxes, game controllers and
// joysticks), and Xlib through what SDL has loaded for the screen's size and
// the display's loss.
//
// This file adapts the host's calls to the parts that do the work: the
// start (sdl_start.h), the input (sdl_input.h), the windows and display
// modes (sdl_windows.h), the presenter (sdl_presenter.h) and the message
// box (sdl_message_box.h).
#include "platform/standin/host.h"

#include "platform/standin/ending_signals.h"
#include "platform/standin/monotonic.h"
#include "platform/standin/platform_state.h"
#include "platform/standin/resources.h"
#include "platform/standin/sdl_activation.h"
#include "platform/standin/sdl_controller.h"
#include "platform/standin/sdl_ending.h"
#include "platform/standin/sdl_input.h"
#include "platform/standin/sdl_input_wait.h"
#include "platform/standin/sdl_message_box.h"
#include "platform/standin/sdl_start.h"
#include "platform/standin/sdl_windows.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>

namespace zorbel::standin {

namespace {

// Runs a call that may wait on the display inside SDL: showing a window waits
// until the window manager has mapped it, going full screen until it has
// answered. A display lost meanwhile ends the wait, as it ends a frame's
// drawing (see sdl_ending.h), where SDL would otherwise wait on a dead
// connection for ever.
template <typename Call> void WaitingOnScreen(Call &call)
{
    (void)DrawOnScreen([](void *context) { (*static_cast<Call *>(context))(); }, &call);
}

void AskWindowsToClose()
{
    for (Window &window : State().windows)
        if (window.used)
            SendAtNextPump(window.Handle(), WM_CLOSE, 0, 0);
}

class SdlHost final : public Host {
public:
    ~SdlHost() override
    {
        controllers_.Stop();
        // A lost display is not touched again; a window SDL cannot take down
        // (see HasDisplay) would take SDL's video down with it: the X server
        // removes it when this process ends.
        if (!Live() || windowLeft_)
            return;
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        DisplayClosed(); // nothing can wait on it any more
        // Nobody else (force feedback, say) uses SDL any more: let it free
        // what it holds beyond subsystems, such as its D-Bus connection.
        if (SDL_WasInit(SDL_INIT_EVERYTHING) == 0)
            SDL_Quit();
    }

    bool Open(std::string *why) override;
    // Wraps at 2^32 like the system tick count.
    DWORD Ticks() override { return static_cast<DWORD>(MonotonicMilliseconds()); }
    POINT Cursor() override { return Start() ? input_.Cursor() : POINT{0, 0}; }
    SIZE ScreenSize() override;
    BYTE Modifiers() override;
    void Pump() override;
    bool Wait(DWORD waitMs) override;

    bool CreateNativeWindow(Window &window) override;
    void DestroyNativeWindow(Window &window) override;
    void ShowNativeWindow(Window &window) override
    {
        auto show = [&] { ShowSdlWindow(*NativeOf(window), window); };
        if (Live())
            WaitingOnScreen(show);
    }
    void RaiseWindow(Window &window) override
    {
        if (Live())
            SDL_RaiseWindow(NativeOf(window)->window);
    }
    void ComeForward(Window &window, const std::string &activation) override
    {
        if (!Live())
            return;
        // Raised first (where no window manager runs, the raise is all
        // there is), then activated with the other start's time.
        SDL_RaiseWindow(NativeOf(window)->window);
        (void)ActivateWindow(NativeOf(window)->window, activation);
    }
    bool HasFocus(Window &window) override
    {
        return Live() &&
               (SDL_GetWindowFlags(NativeOf(window)->window) & SDL_WINDOW_INPUT_FOCUS) != 0;
    }
    void AskForAttention(Window &window) override
    {
        if (Live())
            (void)SDL_FlashWindow(NativeOf(window)->window, SDL_FLASH_UNTIL_FOCUSED);
    }
    void SetNativeIcon(Window &window, const IconImage &icon) override;

    HRESULT CheckDisplayMode(DWORD width, DWORD height, DWORD bitsPerPixel) override;
    void EnterFullScreen(Window &window, DWORD width, DWORD height) override
    {
        auto enter = [&] {
            EnterSdlFullScreen(*NativeOf(window), static_cast<int>(width),
                               static_cast<int>(height));
        };
        if (Live())
            WaitingOnScreen(enter);
    }
    void LeaveFullScreen(Window &window) override
    {
        auto leave = [&] { LeaveSdlFullScreen(*NativeOf(window), window); };
        if (NativeOf(window)->modeWidth != 0 && Live())
            WaitingOnScreen(leave);
    }
    bool Present(Window &window, const PixelBuffer &buffer) override;

    int ShowMessageBox(HWND owner, const char *text, const char *caption, UINT type) override;
    const char *ScreenLoss() override { return DisplayLoss(); }

private:
    // The screen is open and has not been lost since.
    bool Live() const { return ready_ && DisplayLoss() == nullptr; }
    bool Start();
    void Handle(const SDL_Event &event);
    void FollowHold(const SDL_Event &event);
    bool Calm(Window &window);
    // A signal asked the program to end, and there is a window to close.
    bool EndToPass() const
    {
        return EndRequested() != 0 && !endPassed_ && NewestTopLevelWindow() != nullptr;
    }

    bool started_ = false;
    bool ready_ = false;
    bool deviceLost_ = false;
    bool closeAsked_ = false; // after the display's loss
    bool endPassed_ = false;  // a signal's request to end
    // False once a window could get no renderer (an 8-bit screen): no
    // display mode can be shown then, and the program is told so.
    bool presentable_ = true;
    bool windowLeft_ = false; // a window left for the X server to remove
    Controllers controllers_;
    SdlInput input_{controllers_};
    unsigned long long nextScreenCheck_ = 0;
    std::string problem_; // why the screen did not open
};

bool SdlHost::Start()
{
    if (!started_) {
        started_ = true;
        ready_ = StartSdlVideo(&problem_);
        std::string why;
        if (ready_ && !controllers_.Start(&why))
            std::fprintf(stderr, "no game controllers: %s\n", why.c_str());
    }
    return Live();
}

bool SdlHost::Open(std::string *why)
{
    if (Start())
        return true;
    *why = problem_;
    return false;
}

SIZE SdlHost::ScreenSize()
{
    SDL_Rect bounds{};
    if (!Start() || SDL_GetDisplayBounds(0, &bounds) != 0)
        return SIZE{0, 0};
    return SIZE{bounds.w, bounds.h};
}

BYTE SdlHost::Modifiers()
{
    if (!Start())
        return 0;
    const SDL_Keymod mod = SDL_GetModState();
    BYTE flags = 0;
    if ((mod & KMOD_SHIFT) != 0)
        flags |= FSHIFT;
    if ((mod & KMOD_CTRL) != 0)
        flags |= FCONTROL;
    if ((mod & KMOD_ALT) != 0)
        flags |= FALT;
    return flags;
}

// A paced frame's wait comes here, after its present and before the next
// frame reads its input: the pointer is then read as late as can be before
// the present that shows it.
void SdlHost::Pump()
{
    if (Live()) {
        const long long now = MicrosecondsNow();
        long long wait = 0;
        long long rest = -1; // the shortest rest of the windows
        long long period = 0;
        for (Window &window : State().windows) {
            if (!window.used || window.native == nullptr)
                continue;
            FramePacer &pacer = NativeOf(window)->presenter.pacer;
            if (!Calm(window))
                pacer.Stir();
            wait = std::max(wait, pacer.UntilNextFrame(now));
            rest = rest < 0 ? pacer.RestUs() : std::min(rest, pacer.RestUs());
            period = std::max(period, pacer.PeriodUs());
        }
        Window *shown = CursorWindow();
        SDL_Window *native = shown != nullptr ? NativeOf(*shown)->window : nullptr;
        if (wait > 0)
            WaitTakingInInput(native, wait);
        // At rest, and with nothing queued for the program: the next frame
        // waits for input (see frame_pacer.h).
        MSG queued{};
        SentMessage sent{};
        if (rest > 0 && !State().queue.Take(false, &queued) &&
            !State().queue.sent.Take(false, &sent))
            WaitForInput(native, rest, period);
    }
    (void)Wait(0);
}

bool SdlHost::Wait(DWORD waitMs)
{
    if (!ready_)
        return false;
    NoteProgress();
    SDL_Event event;
    if (Live() && waitMs > 0 && SDL_WaitEventTimeout(&event, static_cast<int>(waitMs)) == 1)
        Handle(event);
    // A turn takes in what has come by its start; what comes meanwhile waits
    // for the next turn, so that a flood of input never holds the turn up
    // (nor a signal to end, passed on below).
    if (Live())
        SDL_PumpEvents();
    while (Live() && !EndToPass() &&
           SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 1)
        Handle(event);
    if (Live())
        input_.AfterEvents();
    // A signal to end is passed on once there is a window to close.
    if (EndToPass()) {
        endPassed_ = true;
        AskWindowsToClose();
    }
    if (!Live() && !closeAsked_) {
        // The display is gone: the program is asked to close, as by a
        // signal, and shuts down in order.
        closeAsked_ = true;
        AskWindowsToClose();
    }
    if (Live()) {
        FollowScreenSize(&nextScreenCheck_);
        controllers_.ShowPointer(PointerTarget());
    }
    return true;
}

// The left button held on a window in a display mode keeps the pointer in
// the picture until its release; losing the focus lets it go and steps
// aside for the other program. (A message box is shown only once the display
// mode is left: the focus it takes moves nothing.)
void SdlHost::FollowHold(const SDL_Event &event)
{
    const bool button = (event.type == SDL_MOUSEBUTTONDOWN || event.type == SDL_MOUSEBUTTONUP) &&
                        event.button.button == SDL_BUTTON_LEFT;
    const bool focusLost =
        event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_FOCUS_LOST;
    if (event.type == SDL_MOUSEMOTION) {
        if (Window *moved = WindowOfId(event.motion.windowID))
            KeepPointerInPicture(*NativeOf(*moved), event.motion.x, event.motion.y);
        return;
    }
    if (!button && !focusLost)
        return;
    Window *window = WindowOfId(button ? event.button.windowID : event.window.windowID);
    if (window == nullptr)
        return;
    // A press is made on the window in front: the window manager gives it
    // the focus if it has not, and a loss of that focus is to be told
    // even should SDL tell neither (see FollowFocus in sdl_windows.cpp).
    if (event.type == SDL_MOUSEBUTTONDOWN)
        NativeOf(*window)->inFront = NativeOf(*window)->hadFocus = true;
    ConfinePointer(*NativeOf(*window), event.type == SDL_MOUSEBUTTONDOWN);
    if (focusLost)
        StepAside(*NativeOf(*window));
}

// A window at rest is one whose user has let go of everything: it is shown
// and in front, and no button or controller is held. A hand on the band, a
// window away or minimised, or a release still to be made up keeps every
// frame on the refresh rhythm, whatever the pictures show.
bool SdlHost::Calm(Window &window)
{
    POINT held{0, 0};
    return !window.iconic && NativeOf(window)->inFront && !input_.Holding() &&
           !controllers_.Pointer(&held);
}

void SdlHost::Handle(const SDL_Event &event)
{
    NoteProgress(); // the program at work on its input, as SDL's taking it in is
    // Whatever SDL tells, rest comes only half a second of frames after it.
    for (Window &window : State().windows)
        if (window.used && window.native != nullptr)
            NativeOf(window)->presenter.pacer.Stir();
    FollowHold(event);
    if (controllers_.Handle(event, PointerTarget()) || input_.Take(event))
        return;
    switch (event.type) {
    case SDL_RENDER_DEVICE_RESET:
        deviceLost_ = true;
        NoteSurfacesLost(); // and so every window's picture is presented anew
        break;
    case SDL_RENDER_TARGETS_RESET:
        NoteSurfacesLost();
        break;
    case SDL_QUIT:
        AskWindowsToClose();
        break;
    default:
        break;
    }
}

bool SdlHost::CreateNativeWindow(Window &window)
{
    if (!Start()) {
        std::fprintf(stderr, "no window: no display could be opened: %s\n", problem_.c_str());
        return false;
    }
    NativeWindow *native = CreateSdlWindow(window, &presentable_);
    window.native = native;
    return native != nullptr;
}

void SdlHost::DestroyNativeWindow(Window &window)
{
    NativeWindow *native = NativeOf(window);
    if (native == nullptr)
        return;
    if (Live())
        ConfinePointer(*native, false);
    if (!DestroySdlWindow(native, Live()))
        windowLeft_ = true;
    window.native = nullptr;
}

void SdlHost::SetNativeIcon(Window &window, const IconImage &icon)
{
    SDL_Surface *surface = SDL_CreateRGBSurfaceWithFormatFrom(
        const_cast<std::uint32_t *>(icon.argb.data()), icon.width, icon.height, 32, icon.width * 4,
        SDL_PIXELFORMAT_ARGB8888);
    if (surface == nullptr)
        return;
    if (Live())
        SDL_SetWindowIcon(NativeOf(window)->window, surface);
    SDL_FreeSurface(surface);
}

HRESULT SdlHost::CheckDisplayMode(DWORD width, DWORD height, DWORD)
{
    SDL_Rect bounds{};
    if (!Start() || SDL_GetDisplayBounds(0, &bounds) != 0)
        return DDERR_UNSUPPORTEDMODE;
    const bool fits = presentable_ && static_cast<DWORD>(bounds.w) >= width &&
                      static_cast<DWORD>(bounds.h) >= height;
    return fits ? DD_OK : DDERR_INVALIDMODE;
}

bool SdlHost::Present(Window &window, const PixelBuffer &buffer)
{
    // A display lost since the last turn of the message pump is found by
    // the drawing itself. The screen's events are not read here: a screen
    // that changed size is followed by the pump before the next frame.
    struct Frame {
        NativeWindow *native;
        const PixelBuffer *buffer;
        bool *deviceLost;
        bool shown;
    } frame{NativeOf(window), &buffer, &deviceLost_, false};
    const auto draw = [](void *context) {
        auto *f = static_cast<Frame *>(context);
        f->shown = f->native != nullptr && DrawPicture(f->native->presenter, CanvasOf(*f->native),
                                                       *f->buffer, f->deviceLost);
    };
    // Once the display is gone, nothing is shown any more: the program is
    // closing.
    NativeWindow *native = NativeOf(window);
    if (native != nullptr && !window.iconic)
        ++native->framesShown;
    return !Live() ||
           (native != nullptr &&
            WaitTurnIfShown(native->presenter, CanvasOf(*native), buffer, deviceLost_)) ||
           !DrawOnScreen(draw, &frame) || frame.shown;
}

// Where no box can be shown, the text goes to standard error and the call
// answers 0, as MessageBoxA does when it fails.
int SdlHost::ShowMessageBox(HWND owner, const char *text, const char *caption, UINT)
{
    // Any of the program's windows tells which display the box goes on.
    Window *window = FindWindowSlot(owner);
    if (window == nullptr || window->native == nullptr)
        window = CursorWindow();
    SDL_Window *near = Live() && window != nullptr && window->native != nullptr
                           ? NativeOf(*window)->window
                           : nullptr;
    if (Start() && ShowSdlMessageBox(near, text, caption))
        return IDOK;
    std::fprintf(stderr, "%s: %s\n", caption, text);
    return 0;
}

} // namespace

std::unique_ptr<Host> CreateSdlHost() { return std::make_unique<SdlHost>(); }

unsigned NativeWindowId(const Window &window)
{
    const auto *native = static_cast<const NativeWindow *>(window.native);
    return native != nullptr ? SDL_GetWindowID(native->window) : 0;
}

} // namespace zorbel::standin
